#include "skin/label.h"

#include "skin/attributes.h"
#include "skin/paint_manager.h"

namespace DuiLib {

CLabelUI::CLabelUI() = default;

void* CLabelUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Label" ? this : CControlUI::GetInterface(name);
}

void CLabelUI::SetFont(int index) {
  if (DeferToUiThread([this, index] { SetFont(index); })) return;
  font_ = index;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD argb) {
  if (DeferToUiThread([this, argb] { SetTextColor(argb); })) return;
  textColor_ = argb;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD argb) {
  disabledTextColor_ = argb;
  Invalidate();
}

void CLabelUI::SetTextStyle(UINT style) {
  textStyle_ = style;
  Invalidate();
}

void CLabelUI::SetTextPadding(const RECT& padding) {
  textPadding_ = padding;
  Invalidate();
}

void CLabelUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name), v(value);
  if (DeferToUiThread([this, n, v] { SetAttribute(n.c_str(), v.c_str()); })) return;
  if (n == L"align") {
    textStyle_ &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
    if (v.find(L"center") != CDuiString::npos) textStyle_ |= DT_CENTER;
    if (v.find(L"right") != CDuiString::npos) textStyle_ |= DT_RIGHT;
  } else if (n == L"valign") {
    textStyle_ &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
    if (v.find(L"center") != CDuiString::npos) textStyle_ |= DT_VCENTER;
    if (v.find(L"bottom") != CDuiString::npos) textStyle_ |= DT_BOTTOM;
  } else if (n == L"endellipsis") {
    textStyle_ = ParseBool(v) ? (textStyle_ | DT_END_ELLIPSIS) : (textStyle_ & ~DT_END_ELLIPSIS);
  } else if (n == L"wordbreak") {
    textStyle_ = ParseBool(v) ? ((textStyle_ | DT_WORDBREAK) & ~DT_SINGLELINE) : (textStyle_ & ~DT_WORDBREAK);
  } else if (n == L"font") {
    SetFont(ParseInt(v));
  } else if (n == L"textcolor") {
    SetTextColor(ParseColor(v));
  } else if (n == L"disabledtextcolor") {
    SetDisabledTextColor(ParseColor(v));
  } else if (n == L"textpadding") {
    SetTextPadding(ParseRect(v));
  } else {
    CControlUI::SetAttribute(name, value);
    return;
  }
  Invalidate();
}

DWORD CLabelUI::CurrentTextColor() const { return IsEnabled() ? textColor_ : disabledTextColor_; }

void CLabelUI::PaintText(IRenderer& renderer) {
  if (text_.empty() || !manager_) return;
  RECT rc{pos_.left + textPadding_.left, pos_.top + textPadding_.top, pos_.right - textPadding_.right,
          pos_.bottom - textPadding_.bottom};
  renderer.DrawText(text_, rc, manager_->GetFont(font_), CurrentTextColor(), textStyle_);
}

CTextUI::CTextUI() { textStyle_ = DT_WORDBREAK | DT_END_ELLIPSIS; }

void* CTextUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Text" ? this : CLabelUI::GetInterface(name);
}

}  // namespace DuiLib
