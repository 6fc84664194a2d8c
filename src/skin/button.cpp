#include "skin/button.h"

#include "skin/attributes.h"
#include "skin/paint_manager.h"

namespace DuiLib {

CButtonUI::CButtonUI() { textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CButtonUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Button" ? this : CLabelUI::GetInterface(name);
}

void CButtonUI::SetImage(CDuiString& slot, const CDuiString& image) {
  if (DeferToUiThread([this, &slot, image] { SetImage(slot, image); })) return;
  slot = image;
  Invalidate();
}

void CButtonUI::SetNormalImage(const CDuiString& image) { SetImage(normalImage_, image); }
void CButtonUI::SetHotImage(const CDuiString& image) { SetImage(hotImage_, image); }
void CButtonUI::SetPushedImage(const CDuiString& image) { SetImage(pushedImage_, image); }
void CButtonUI::SetDisabledImage(const CDuiString& image) { SetImage(disabledImage_, image); }
void CButtonUI::SetForeImage(const CDuiString& image) { SetImage(foreImage_, image); }

void CButtonUI::SetHotTextColor(DWORD argb) {
  if (DeferToUiThread([this, argb] { SetHotTextColor(argb); })) return;
  hotTextColor_ = argb;
  Invalidate();
}

void CButtonUI::SetPushedTextColor(DWORD argb) {
  if (DeferToUiThread([this, argb] { SetPushedTextColor(argb); })) return;
  pushedTextColor_ = argb;
  Invalidate();
}

void CButtonUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name);
  if (n == L"normalimage") {
    SetNormalImage(value);
  } else if (n == L"hotimage") {
    SetHotImage(value);
  } else if (n == L"pushedimage") {
    SetPushedImage(value);
  } else if (n == L"disabledimage") {
    SetDisabledImage(value);
  } else if (n == L"foreimage") {
    SetForeImage(value);
  } else if (n == L"hottextcolor") {
    SetHotTextColor(ParseColor(value));
  } else if (n == L"pushedtextcolor") {
    SetPushedTextColor(ParseColor(value));
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_MOUSEENTER:
      hot_ = IsEnabled();
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      return;
    case UIEVENT_BUTTONDOWN:
      if (IsEnabled() && pos_.Contains(event.ptMouse)) {
        captured_ = pushed_ = true;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (captured_) {
        pushed_ = pos_.Contains(event.ptMouse);
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP: {
      bool click = captured_ && pos_.Contains(event.ptMouse) && IsEnabled();
      captured_ = pushed_ = false;
      Invalidate();
      // Last: the notification may remove this button.
      if (click) Activate();
      return;
    }
    default:
      CLabelUI::DoEvent(event);
  }
}

bool CButtonUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  if (manager_) manager_->SendNotify(this, DUI_MSGTYPE_CLICK);
  return true;
}

void CButtonUI::PaintStatusImage(IRenderer& renderer) {
  if (!IsEnabled()) {
    if (!DrawImage(renderer, disabledImage_)) DrawImage(renderer, normalImage_);
  } else if (pushed_ && !pushedImage_.empty()) {
    DrawImage(renderer, pushedImage_);
  } else if ((hot_ || pushed_) && !hotImage_.empty()) {
    DrawImage(renderer, hotImage_);
  } else {
    DrawImage(renderer, normalImage_);
  }
  DrawImage(renderer, foreImage_);
}

DWORD CButtonUI::CurrentTextColor() const {
  if (!IsEnabled()) return disabledTextColor_;
  if (pushed_ && pushedTextColor_ != 0) return pushedTextColor_;
  if ((hot_ || pushed_) && hotTextColor_ != 0) return hotTextColor_;
  return textColor_;
}

}  // namespace DuiLib
