#include "ui/opt_list_item.h"

#include "skin/layouts.h"
#include "ui/row_controls.h"

namespace {

constexpr DuiLib::DWORD kRowTextColor = 6580074;  // red 100, green 103, blue 106

DuiLib::CLabelUI* AddRowLabel(DuiLib::CContainerUI& parent, const std::wstring& text) {
  auto* label = new DuiLib::CLabelUI;
  label->SetFont(0);
  label->SetTextColor(kRowTextColor);
  label->SetText(text);
  parent.Add(label);
  return label;
}

}  // namespace

OptListItem_t::OptListItem_t(const std::wstring& text, const std::wstring& sizeText, const void* record)
    : record_(record) {
  SetFixedHeight(24);
  auto* line = new DuiLib::CHorizontalLayoutUI;
  Add(line);
  auto* markBox = new DuiLib::CContainerUI;
  markBox->SetFixedWidth(40);
  line->Add(markBox);
  option_ = AddFloating<DuiLib::COptionUI>(*markBox, L"20,5,0,0", 13, 13);
  option_->SetName(L"optUsb");
  option_->SetNormalImage(L"skin\\u\\UnSelected.png");
  option_->SetSelectedImage(L"skin\\u\\Selected.png");
  AddRowLabel(*line, text)->SetAttribute(L"endellipsis", L"true");
  AddRowLabel(*line, sizeText)->SetFixedWidth(90);
}

void OptListItem_t::ShowSelected(bool selected) { SetBkImage(selected ? kSelectedRowBackground : L""); }

OptListItem_t* FindRow(DuiLib::CListUI& list, const void* record) {
  for (int i = 0; i < list.GetCount(); ++i) {
    auto* row = dynamic_cast<OptListItem_t*>(list.GetItemAt(i));
    if (row && row->record() == record) return row;
  }
  return nullptr;
}

OptListItem_t* RowOfOption(DuiLib::CListUI& list, const DuiLib::CControlUI* option) {
  for (int i = 0; i < list.GetCount(); ++i) {
    auto* row = dynamic_cast<OptListItem_t*>(list.GetItemAt(i));
    if (row && row->option() == option) return row;
  }
  return nullptr;
}
