#include "ui/os_list_item1.h"

#include "app/size_text.h"
#include "ui/row_controls.h"

namespace {
constexpr DuiLib::DWORD kTextColor = 0x64676a;
constexpr DuiLib::DWORD kSelectedTextColor = 0x283036;
}  // namespace

COsListItem1::COsListItem1(const std::wstring& name, const std::wstring& dateText, int64_t sizeBytes,
                           const std::wstring& extraText, int state) {
  SetFixedHeight(70);
  mark_ = AddFloating<DuiLib::COptionUI>(*this, L"21,25,0,0", 18, 18);
  mark_->SetSelectedImage(L"skin\\r\\so\\Selected.png");
  mark_->SetNormalImage(L"skin\\r\\so\\Unselected.png");
  mark_->SetMouseEnabled(false);  // the row selects, the mark only shows it
  labels_[0] = AddLabel(*this, L"59,14,0,0", 300, 18, 2, kTextColor, L"left", name);
  labels_[1] = AddLabel(*this, L"59,40,0,0", 140, 12, 0, kTextColor, L"left", L"更新时间：" + dateText);
  labels_[2] = AddLabel(*this, L"204,40,0,0", 80, 12, 0, kTextColor, L"left", L"大小：" + GigabyteText(sizeBytes));
  labels_[3] = AddLabel(*this, L"295,40,0,0", 150, 12, 0, kTextColor, L"left", extraText);
  badge_ = AddFloating<DuiLib::CControlUI>(*this, L"449,24,0,0", 171, 20);
  auto* separator = AddFloating<DuiLib::CControlUI>(*this, L"21,69,637,70");
  separator->SetBkImage(L"skin\\r\\so\\Line616_1.png");
  ShowStatus(state);
}

void COsListItem1::ShowStatus(int state) {
  if (state == 1) {
    badge_->SetBkImage(L"skin\\r\\so\\Status-recommend.png");
    badge_->SetAttribute(L"pos", L"449,24,0,0");
    badge_->SetFixedWidth(171);
    badge_->SetFixedHeight(20);
    badge_->SetVisible(true);
  } else if (state == 3) {
    badge_->SetBkImage(L"skin\\r\\so\\Status-completed.png");
    badge_->SetAttribute(L"pos", L"489,24,0,0");
    badge_->SetFixedWidth(131);
    badge_->SetFixedHeight(20);
    badge_->SetVisible(true);
  } else {
    badge_->SetVisible(false);
  }
}

bool COsListItem1::Select(bool select) {
  if (!CListContainerElementUI::Select(select)) return false;
  bool selected = IsSelected();
  mark_->Selected(selected, false);
  for (DuiLib::CLabelUI* label : labels_) label->SetTextColor(selected ? kSelectedTextColor : kTextColor);
  return true;
}
