#include "skin/progress.h"

#include <algorithm>

#include "skin/attributes.h"

namespace DuiLib {

CProgressUI::CProgressUI() { textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CProgressUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Progress" ? this : CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int value) {
  if (DeferToUiThread([this, value] { SetMinValue(value); })) return;
  min_ = value;
  Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
  if (DeferToUiThread([this, value] { SetMaxValue(value); })) return;
  max_ = value;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (DeferToUiThread([this, value] { SetValue(value); })) return;
  if (value_ == value) return;
  value_ = value;
  Invalidate();
}

void CProgressUI::SetForeImage(const CDuiString& image) {
  if (DeferToUiThread([this, image] { SetForeImage(image); })) return;
  foreImage_ = image;
  Invalidate();
}

void CProgressUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name);
  if (n == L"foreimage") {
    SetForeImage(value);
  } else if (n == L"min") {
    SetMinValue(ParseInt(value));
  } else if (n == L"max") {
    SetMaxValue(ParseInt(value));
  } else if (n == L"value") {
    SetValue(ParseInt(value));
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CProgressUI::PaintStatusImage(IRenderer& renderer) {
  if (max_ <= min_) return;
  int clamped = std::clamp(value_, min_, max_);
  int64_t done = static_cast<int64_t>(clamped - min_) * pos_.Width() / (static_cast<int64_t>(max_) - min_);
  if (done <= 0) return;
  DrawImage(renderer, foreImage_, RECT{pos_.left, pos_.top, pos_.left + static_cast<int>(done), pos_.bottom});
}

}  // namespace DuiLib
