#include "ui/os_list_item2.h"

#include <cwchar>

#include "app/size_text.h"
#include "ui/row_controls.h"

namespace {
constexpr int kNameWidth = 230;
constexpr DuiLib::DWORD kNameColor = 0x64676a;
constexpr DuiLib::DWORD kDetailColor = 0xff9ca4ab;
constexpr const wchar_t* kFolderImage = L"skin\\r\\do\\BtnFolder-normal.png";
}  // namespace

COsListItem2::COsListItem2(const std::wstring& name, int64_t sizeBytes, int state) {
  SetFixedHeight(49);
  option_ = AddFloating<DuiLib::COptionUI>(*this, L"20,18,0,0", 13, 13);
  option_->SetGroup(L"osl2");
  option_->SetSelectedImage(L"skin\\r\\do\\optSelected.png");
  option_->SetHotImage(L"skin\\r\\do\\optUnselected.png");
  option_->SetNormalImage(L"skin\\r\\do\\optUnselected-gray.png");
  // The name ends before the size column (at 278), where a long name is cut with an
  // ellipsis.
  AddLabel(*this, L"43,17,0,0", kNameWidth, 16, 1, kNameColor, L"left", name);
  AddLabel(*this, L"278,17,0,0", 60, 16, 1, kDetailColor, L"center", GigabyteText(sizeBytes));
  progress_ = AddLabel(*this, L"350,17,0,0", 72, 14, 1, kDetailColor, L"center", L"");
  folder_ = AddFloating<DuiLib::CButtonUI>(*this, L"443,11,0,0", 26, 26);
  folder_->SetName(L"btnFolder");
  folder_->SetFont(1);
  folder_->SetTextColor(kDetailColor);
  folder_->SetAttribute(L"align", L"center");
  folder_->SetHotImage(L"skin\\r\\do\\BtnFolder-hot.png");
  folder_->SetPushedImage(L"skin\\r\\do\\BtnFolder-hot.png");
  folder_->SetDisabledImage(L"");
  auto* separator = AddFloating<DuiLib::CControlUI>(*this, L"20,48,480,49");
  separator->SetBkImage(L"skin\\r\\so\\Line616_1.png");
  ShowStatus(state);
}

void COsListItem2::ShowStatus(int state) {
  state_ = state;
  if (state == 2 || state == 3) {
    progress_->SetText(state == 2 ? L"已下00%" : L"下载完成");
    folder_->SetText(L"");
    folder_->SetNormalImage(kFolderImage);
    folder_->SetEnabled(true);
  } else {
    progress_->SetText(L"- -");
    folder_->SetText(L"- -");
    folder_->SetNormalImage(L"");
    folder_->SetEnabled(false);
  }
}

void COsListItem2::ShowProgress(int percentage) {
  if (state_ == 3) return;
  wchar_t text[32];
  std::swprintf(text, 32, L"已下%2d%%", percentage);
  progress_->SetText(text);
}

bool COsListItem2::Select(bool select) {
  if (!CListContainerElementUI::Select(select)) return false;
  option_->Selected(IsSelected(), false);
  return true;
}

void COsListItem2::DoEvent(DuiLib::TEventUI& event) {
  if (event.Type == DuiLib::UIEVENT_BUTTONDOWN || event.Type == DuiLib::UIEVENT_RBUTTONDOWN) return;
  CListContainerElementUI::DoEvent(event);
}
