#include "skin/container.h"

#include <algorithm>

#include "skin/attributes.h"
#include "skin/paint_manager.h"

namespace DuiLib {

CContainerUI::~CContainerUI() {
  for (CControlUI* child : items_) delete child;
}

void* CContainerUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"Container" ? this : CControlUI::GetInterface(name);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  // The children already have this container's manager: a subtree moving within one
  // window (or being built without one) is not walked again at every level.
  bool changed = manager != manager_;
  CControlUI::SetManager(manager, parent);
  if (!changed) return;
  for (CControlUI* child : items_) child->SetManager(manager, this);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > GetCount()) return false;
  items_.insert(items_.begin() + index, control);
  control->SetManager(manager_, this);
  Invalidate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
  auto it = std::find(items_.begin(), items_.end(), control);
  if (it == items_.end()) return false;
  items_.erase(it);
  CPaintManagerUI* manager = manager_;
  if (manager) manager->ReapObjects(control);
  control->SetManager(nullptr, nullptr);
  if (!doNotDestroy) {
    if (manager) {
      manager->AddDelayedCleanup(control);
    } else {
      delete control;
    }
  }
  Invalidate();
  return true;
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  return control && Remove(control, doNotDestroy);
}

void CContainerUI::RemoveAll() {
  while (!items_.empty()) Remove(items_.back());
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  return index >= 0 && index < GetCount() ? items_[index] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void CContainerUI::SetInset(const RECT& inset) {
  inset_ = inset;
  Invalidate();
}

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = padding;
  Invalidate();
}

void CContainerUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name);
  if (n == L"inset") {
    SetInset(ParseRect(value));
  } else if (n == L"childpadding") {
    SetChildPadding(ParseInt(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

RECT CContainerUI::ContentArea() const {
  return RECT{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right, pos_.bottom - inset_.bottom};
}

void CContainerUI::PlaceFloat(CControlUI* child) {
  POINT xy = child->GetFixedXY();
  int left = pos_.left + xy.x, top = pos_.top + xy.y;
  child->SetPos(RECT{left, top, left + child->GetFixedWidth(), top + child->GetFixedHeight()});
}

void CContainerUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  RECT area = ContentArea();
  for (CControlUI* child : items_) {
    if (child->IsFloat()) {
      PlaceFloat(child);
      continue;
    }
    const RECT& pad = child->GetPadding();
    RECT rc{area.left + pad.left, area.top + pad.top, area.right - pad.right, area.bottom - pad.bottom};
    if (child->GetFixedWidth() > 0) rc.right = rc.left + child->GetFixedWidth();
    if (child->GetFixedHeight() > 0) rc.bottom = rc.top + child->GetFixedHeight();
    child->SetPos(rc);
  }
}

void CContainerUI::DoPaint(IRenderer& renderer, const RECT& clip) {
  RECT visible = Intersect(clip, pos_);
  if (visible.IsEmpty()) return;
  CControlUI::DoPaint(renderer, clip);
  RECT childClip = Intersect(visible, ChildClip());
  if (childClip.IsEmpty()) return;
  renderer.PushClip(childClip);
  for (CControlUI* child : items_) {
    if (child->IsOwnVisible()) child->DoPaint(renderer, childClip);
  }
  renderer.PopClip();
}

CControlUI* CContainerUI::FindControlAt(POINT point) {
  if (!IsOwnVisible() || !pos_.Contains(point)) return nullptr;
  if (ChildClip().Contains(point)) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
      if (CControlUI* hit = (*it)->FindControlAt(point)) return hit;
    }
  }
  return IsMouseEnabled() ? this : nullptr;
}

CControlUI* CContainerUI::FindControlByName(const CDuiString& name) {
  if (GetName() == name) return this;
  for (CControlUI* child : items_) {
    if (CControlUI* found = child->FindControlByName(name)) return found;
  }
  return nullptr;
}

void CContainerUI::ForEach(const std::function<void(CControlUI*)>& visit) {
  visit(this);
  for (CControlUI* child : items_) child->ForEach(visit);
}

}  // namespace DuiLib
