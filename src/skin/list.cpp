#include "skin/list.h"

#include <algorithm>

#include "skin/attributes.h"
#include "skin/paint_manager.h"

namespace DuiLib {

void* CListUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"List" ? this : CVerticalLayoutUI::GetInterface(name);
}

IListItemUI* CListUI::ItemAt(int index) const {
  CControlUI* control = GetItemAt(index);
  return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

void CListUI::Reindex() {
  for (int i = 0; i < GetCount(); ++i) {
    if (IListItemUI* item = ItemAt(i)) item->SetIndex(i);
  }
}

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!CVerticalLayoutUI::AddAt(control, index)) return false;
  if (auto* item = static_cast<IListItemUI*>(control->GetInterface(L"ListItem"))) item->SetOwner(this);
  if (curSel_ >= index) ++curSel_;
  Reindex();
  return true;
}

bool CListUI::Remove(CControlUI* control, bool doNotDestroy) {
  int index = GetItemIndex(control);
  if (index < 0) return false;
  if (auto* item = static_cast<IListItemUI*>(control->GetInterface(L"ListItem"))) item->SetOwner(nullptr);
  CVerticalLayoutUI::Remove(control, doNotDestroy);
  if (index == curSel_) {
    curSel_ = -1;
  } else if (index < curSel_) {
    --curSel_;
  }
  Reindex();
  return true;
}

void CListUI::RemoveAll() {
  CVerticalLayoutUI::RemoveAll();
  curSel_ = -1;
  scroll_ = 0;
}

bool CListUI::SelectItem(int index, bool takeFocus) {
  if (index == curSel_) return true;
  int previous = curSel_;
  if (IListItemUI* old = ItemAt(curSel_)) old->Select(false);
  curSel_ = -1;
  IListItemUI* item = ItemAt(index);
  if (index < 0 || !item) return false;
  curSel_ = index;
  if (!item->Select(true)) {
    curSel_ = -1;
    return false;
  }
  EnsureVisible(index);
  if (takeFocus && manager_) manager_->SetFocus(GetItemAt(index));
  if (manager_) manager_->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, index, previous);
  return true;
}

int CListUI::ContentHeight() const {
  int height = 0;
  for (CControlUI* child : items_) {
    if (!child->IsFloat() && child->IsOwnVisible()) height += child->GetFixedHeight() + childPadding_;
  }
  return height;
}

void CListUI::EnsureVisible(int index) {
  CControlUI* row = GetItemAt(index);
  if (!row) return;
  int top = 0;
  for (int i = 0; i < index; ++i) {
    if (items_[i]->IsOwnVisible() && !items_[i]->IsFloat()) top += items_[i]->GetFixedHeight() + childPadding_;
  }
  int view = ContentArea().Height();
  if (top < scroll_) {
    scroll_ = top;
  } else if (top + row->GetFixedHeight() > scroll_ + view) {
    scroll_ = top + row->GetFixedHeight() - view;
  }
  Invalidate();
}

void CListUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  scroll_ = std::clamp(scroll_, 0, std::max(0, ContentHeight() - ContentArea().Height()));
  Arrange(ContentArea().top - scroll_);
}

void CListUI::DoEvent(TEventUI& event) {
  if (event.Type != UIEVENT_SCROLLWHEEL) {
    CVerticalLayoutUI::DoEvent(event);
    return;
  }
  // wParam > 0 scrolls up, as a wheel turned away from the user.
  int step = 40;
  scroll_ += static_cast<LPARAM>(event.wParam) > 0 ? -step : step;
  Invalidate();
}

void CListUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  CDuiString n(name);
  if (n == L"header") {
    headerShown_ = CDuiString(value) != L"hidden";
  } else if (n == L"itemselectedbkcolor") {
    selectedBkColor_ = ParseColor(value);
  } else if (n == L"itemhotbkcolor") {
    hotBkColor_ = ParseColor(value);
  } else {
    CVerticalLayoutUI::SetAttribute(name, value);
  }
}

void* CListContainerElementUI::GetInterface(LPCTSTR name) {
  CDuiString n(name);
  if (n == L"ListItem") return static_cast<IListItemUI*>(this);
  if (n == L"ListContainerElement") return this;
  return CContainerUI::GetInterface(name);
}

bool CListContainerElementUI::Select(bool select) {
  if (!IsEnabled()) return false;
  if (select == selected_) return true;
  selected_ = select;
  if (select && owner_) owner_->SelectItem(index_);
  Invalidate();
  return true;
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
      if (IsEnabled() && owner_) owner_->SelectItem(index_, true);
      return;
    case UIEVENT_MOUSEENTER:
      hot_ = true;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      return;
    case UIEVENT_BUTTONUP:
    case UIEVENT_MOUSEMOVE:
      return;
    default:
      CContainerUI::DoEvent(event);
  }
}

void CListContainerElementUI::PaintBkColor(IRenderer& renderer) {
  DWORD color = GetBkColor();
  if (owner_ && selected_ && owner_->GetSelectedItemBkColor()) color = owner_->GetSelectedItemBkColor();
  else if (owner_ && hot_ && owner_->GetHotItemBkColor()) color = owner_->GetHotItemBkColor();
  renderer.FillRect(pos_, color);
}

}  // namespace DuiLib
