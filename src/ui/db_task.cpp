#include "ui/db_task.h"

#include "app/global_param.h"
#include "app/size_text.h"
#include "ui/row_controls.h"

namespace {

constexpr DuiLib::DWORD kCaptionColor = 0x64676a;
constexpr DuiLib::DWORD kDetailColor = 0x525252;
constexpr DuiLib::DWORD kLinkHotColor = 0x28c67a;

DuiLib::CProgressUI* AddProgress(DuiLib::CContainerUI& parent, const wchar_t* pos) {
  auto* progress = AddFloating<DuiLib::CProgressUI>(parent, pos);
  progress->SetBkImage(L"skin\\r\\do\\Progress-bg.png");
  progress->SetForeImage(L"file='skin\\r\\do\\Progress-top.png' corner='3,1,3,1'");
  return progress;
}

// The folder buttons read as links: grey text that turns green under the mouse.
DuiLib::CButtonUI* AddFolderButton(DuiLib::CContainerUI& parent, const wchar_t* name, const wchar_t* pos, int width,
                                   const std::wstring& text) {
  auto* button = AddFloating<DuiLib::CButtonUI>(parent, pos, width);
  button->SetName(name);
  button->SetTextColor(kDetailColor);
  button->SetHotTextColor(kLinkHotColor);
  button->SetPushedTextColor(kLinkHotColor);
  button->SetFont(3);
  button->SetAttribute(L"align", L"left");
  button->SetAttribute(L"valign", L"center");
  button->SetAttribute(L"endellipsis", L"true");
  button->SetText(text);
  return button;
}

}  // namespace

CDbTaskUI::CDbTaskUI() {
  SetFixedWidth(640);
  SetFixedHeight(100);
  SetAttribute(L"bordersize", L"1");
  SetAttribute(L"bordercolor", L"#ffe5e5e5");

  AddLabel(*this, L"20,19,100,37", 0, 0, 2, kCaptionColor, L"left", L"正在下载：");
  name_ = AddLabel(*this, L"100,19,500,37", 0, 0, 2, kCaptionColor, L"left", L"");
  name_->SetAttribute(L"endellipsis", L"true");
  pause_ = AddFloating<DuiLib::CButtonUI>(*this, L"597,17,620,40");
  pause_->SetName(L"btnDownPause");
  pause_->SetAttribute(L"normalimage", L"skin\\r\\do\\btnPause-normal.png");
  pause_->SetAttribute(L"hotimage", L"skin\\r\\do\\btnPause-hot.png");
  pause_->SetAttribute(L"pushedimage", L"skin\\r\\do\\btnPause-hot.png");
  progress_ = AddProgress(*this, L"20,50,620,60");
  AddLabel(*this, L"20,70,0,82", 84, 0, 0, kDetailColor, L"left", L"镜像存放路径：");
  folder_ = AddFolderButton(*this, L"btnDownFolder", L"104,68,0,84", 140,
                            WithoutTrailingBackslashes(CGlobalParam::Instance()->imageDir));
  AddLabel(*this, L"260,70,0,82", 60, 0, 0, kDetailColor, L"left", L"下载速度：");
  speed_ = AddLabel(*this, L"320,70,0,82", 120, 0, 0, kDetailColor, L"left", L"");
  AddLabel(*this, L"388,70,436,82", 0, 0, 0, kDetailColor, L"left", L"总大小：");
  size_ = AddLabel(*this, L"436,70,546,82", 0, 0, 0, kDetailColor, L"left", L"");
  AddLabel(*this, L"525,70,587,82", 0, 0, 0, kDetailColor, L"left", L"已下载：");
  percent_ = AddLabel(*this, L"573,70,640,82", 0, 0, 0, kDetailColor, L"left", L"");
}

void* CDbTaskUI::GetInterface(DuiLib::LPCTSTR name) {
  return std::wstring(name) == L"DbTaskUI" ? this : CContainerUI::GetInterface(name);
}

void CDbTaskUI::SetSpeedText(int64_t bytesPerSecond) { speed_->SetText(SpeedText(bytesPerSecond)); }

void CDbTaskUI::AddBackupSection(const std::wstring& backupFolder) {
  if (backupFolder_) {
    backupFolder_->SetText(backupFolder);
    return;
  }
  SetFixedHeight(200);
  auto* separator = AddFloating<DuiLib::CControlUI>(*this, L"20,99,620,100");
  separator->SetBkColor(0xffebebeb);
  AddLabel(*this, L"20,119,100,137", 0, 0, 2, kCaptionColor, L"left", L"备份进度");
  backupProgress_ = AddProgress(*this, L"20,150,620,160");
  auto* caption = AddLabel(*this, L"20,170,0,187", 84, 0, 0, kDetailColor, L"left", L"备份数据路径：");
  caption->SetAttribute(L"valign", L"top");
  backupFolder_ = AddFolderButton(*this, L"btnBkpFolder", L"104,168,320,189", 0, backupFolder);
  backupPercent_ = AddLabel(*this, L"550,168,620,189", 0, 0, 0, kDetailColor, L"right", L"");
  backupPercent_->SetAttribute(L"valign", L"center");
}
