#include "skin/option.h"

#include "skin/attributes.h"
#include "skin/paint_manager.h"

namespace DuiLib {

COptionUI::~COptionUI() {
  if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
}

void* COptionUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Option" ? this : CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
  CButtonUI::SetManager(manager, parent);
  if (manager_ && !group_.empty()) manager_->AddOptionGroup(group_, this);
}

void COptionUI::SetGroup(const CDuiString& group) {
  if (DeferToUiThread([this, group] { SetGroup(group); })) return;
  if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
  group_ = group;
  if (manager_ && !group_.empty()) manager_->AddOptionGroup(group_, this);
}

void COptionUI::Selected(bool selected, bool triggerEvent) {
  if (DeferToUiThread([this, selected, triggerEvent] { Selected(selected, triggerEvent); })) return;
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  if (!manager_) return;
  if (group_.empty()) {
    if (triggerEvent) manager_->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
    return;
  }
  if (!selected_) return;
  for (COptionUI* other : manager_->GetOptionGroup(group_)) {
    if (other != this) other->Selected(false, triggerEvent);
  }
  if (triggerEvent) manager_->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
}

void COptionUI::SetSelectedImage(const CDuiString& image) { SetImage(selectedImage_, image); }

void COptionUI::SetSelectedHotImage(const CDuiString& image) { SetImage(selectedHotImage_, image); }

void COptionUI::SetSelectedTextColor(DWORD argb) {
  selectedTextColor_ = argb;
  Invalidate();
}

void COptionUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name);
  if (n == L"group") {
    SetGroup(value);
  } else if (n == L"selected") {
    Selected(ParseBool(value), false);
  } else if (n == L"selectedimage") {
    SetSelectedImage(value);
  } else if (n == L"selectedhotimage") {
    SetSelectedHotImage(value);
  } else if (n == L"selectedtextcolor") {
    SetSelectedTextColor(ParseColor(value));
  } else {
    CButtonUI::SetAttribute(name, value);
  }
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  Selected(group_.empty() ? !selected_ : true);
  return true;
}

void COptionUI::PaintStatusImage(IRenderer& renderer) {
  if (selected_) {
    if ((hot_ || pushed_) && DrawImage(renderer, selectedHotImage_)) return;
    if (DrawImage(renderer, selectedImage_)) return;
  }
  CButtonUI::PaintStatusImage(renderer);
}

DWORD COptionUI::CurrentTextColor() const {
  if (selected_ && selectedTextColor_ != 0 && IsEnabled()) return selectedTextColor_;
  return CButtonUI::CurrentTextColor();
}

}  // namespace DuiLib
