#include "ui/dl_list_item.h"

#include <cwchar>

#include "app/size_text.h"
#include "skin/layouts.h"
#include "ui/row_controls.h"

namespace {

constexpr DuiLib::DWORD kTextColor = 0x64676a;
constexpr DuiLib::DWORD kHotColor = 0x28c67a;

template <typename T>
T* AddChild(DuiLib::CContainerUI& parent, int width = 0, int height = 0) {
  T* control = new T;
  if (width > 0) control->SetFixedWidth(width);
  if (height > 0) control->SetFixedHeight(height);
  parent.Add(control);
  return control;
}

DuiLib::CLabelUI* AddText(DuiLib::CContainerUI& parent, int width, int font, const std::wstring& text,
                          const wchar_t* align = L"left") {
  auto* label = AddChild<DuiLib::CLabelUI>(parent, width);
  label->SetFont(font);
  label->SetTextColor(kTextColor);
  label->SetAttribute(L"align", align);
  label->SetText(text);
  return label;
}

std::wstring SizeText(int64_t bytes) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%.1fG", static_cast<double>(bytes) / (1 << 30));
  return text;
}

}  // namespace

CDlListItem::CDlListItem(OsEntry* entry, bool withCancel) : entry_(entry) {
  SetFixedHeight(77);
  auto* column = AddChild<DuiLib::CVerticalLayoutUI>(*this);
  AddChild<DuiLib::CControlUI>(*column, 0, 12);
  auto* line = AddChild<DuiLib::CHorizontalLayoutUI>(*column);
  AddChild<DuiLib::CControlUI>(*line, 18);
  AddChild<DuiLib::CControlUI>(*line, 27, 30)->SetBkImage(L"skin\\u\\m\\icon-gho.png");
  AddChild<DuiLib::CControlUI>(*line, 12);
  auto* details = AddChild<DuiLib::CVerticalLayoutUI>(*line, 366);

  auto* top = AddChild<DuiLib::CHorizontalLayoutUI>(*details, 0, 14);
  name_ = AddText(*top, 0, 1, entry->name);
  if (withCancel) {
    cancel_ = AddChild<DuiLib::CButtonUI>(*top, 24);
    cancel_->SetName(L"btnDelTask");
    cancel_->SetFont(0);
    cancel_->SetTextColor(kTextColor);
    cancel_->SetHotTextColor(kHotColor);
    cancel_->SetPushedTextColor(kHotColor);
    cancel_->SetText(L"取消");
  }
  AddChild<DuiLib::CControlUI>(*details, 0, 12);
  progress_ = AddChild<DuiLib::CProgressUI>(*details, 0, 6);
  progress_->SetBkImage(L"skin\\u\\m\\Progress6-bg.png");
  progress_->SetForeImage(L"file='skin\\u\\m\\Progress6-top.png' corner='2,1,2,1'");
  progress_->SetMinValue(0);
  progress_->SetMaxValue(100);
  progress_->SetValue(0);
  AddChild<DuiLib::CControlUI>(*details, 0, 10);
  auto* bottom = AddChild<DuiLib::CHorizontalLayoutUI>(*details, 0, 12);
  AddText(*bottom, 60, 0, L"下载速度：");
  speed_ = AddText(*bottom, 130, 0, L"0.0K/s");
  AddText(*bottom, 36, 0, L"大小：");
  size_ = AddText(*bottom, 0, 0, SizeText(entry->size));
  status_ = AddText(*bottom, 80, 0, L"等待", L"right");

  auto* separator = AddFloating<DuiLib::CControlUI>(*this, L"18,76,0,0", 405, 1);
  separator->SetBkImage(L"skin\\u\\m\\line405_1.png");

  if (entry->state == 3) {
    MarkComplete();
  } else {
    progress_->SetMaxValue(static_cast<int>(entry->size >> 12));
  }
}

void CDlListItem::SetProgress(int64_t value) { progress_->SetValue(static_cast<int>(value)); }

void CDlListItem::SetSpeed(int64_t bytesPerSecond) { speed_->SetText(SpeedText(bytesPerSecond)); }

void CDlListItem::SetPercent(float percent) {
  if (percent < 0) {
    status_->SetText(L"等待");
    return;
  }
  wchar_t text[32];
  std::swprintf(text, 32, L"已下载：%d%%", static_cast<int>(percent));
  status_->SetText(text);
}

void CDlListItem::MarkComplete() {
  // A full bar: the range is the image's 4096-byte units once the row was waiting.
  progress_->SetValue(progress_->GetMaxValue());
  SetPercent(100);
  SetSpeed(0);
}

void CDlListItem::MarkFailed() {
  status_->SetText(L"下载失败");
  SetSpeed(0);
}
