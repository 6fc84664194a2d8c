#include "skin/layouts.h"

#include "skin/attributes.h"

namespace DuiLib {
namespace {

// The share of the free length each flexible child gets, and the remainder to spread.
struct Shares {
  int each = 0;
  int extra = 0;
};

Shares SplitFree(int free, int flexible) {
  if (flexible == 0 || free <= 0) return {};
  return {free / flexible, free % flexible};
}

}  // namespace

void* CVerticalLayoutUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"VerticalLayout" ? this : CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  Arrange(ContentArea().top);
}

void CContainerUI::ArrangeInLine(bool vertical, int start) {
  const RECT area = ContentArea();
  auto along = [vertical](CControlUI* c) { return vertical ? c->GetFixedHeight() : c->GetFixedWidth(); };
  auto across = [vertical](CControlUI* c) { return vertical ? c->GetFixedWidth() : c->GetFixedHeight(); };
  auto before = [vertical](const RECT& pad) { return vertical ? pad.top : pad.left; };
  auto after = [vertical](const RECT& pad) { return vertical ? pad.bottom : pad.right; };
  auto sideBefore = [vertical](const RECT& pad) { return vertical ? pad.left : pad.top; };
  auto sideAfter = [vertical](const RECT& pad) { return vertical ? pad.right : pad.bottom; };

  int fixed = 0, flexible = 0, laidOut = 0;
  for (CControlUI* child : items_) {
    if (child->IsFloat() || !child->IsOwnVisible()) continue;
    const RECT& pad = child->GetPadding();
    fixed += before(pad) + after(pad);
    if (along(child) > 0) {
      fixed += along(child);
    } else {
      ++flexible;
    }
    ++laidOut;
  }
  if (laidOut > 1) fixed += childPadding_ * (laidOut - 1);
  Shares share = SplitFree((vertical ? area.Height() : area.Width()) - fixed, flexible);
  const int sideStart = vertical ? area.left : area.top;
  const int sideEnd = vertical ? area.right : area.bottom;
  int at = start;
  for (CControlUI* child : items_) {
    if (child->IsFloat()) {
      PlaceFloat(child);
      continue;
    }
    if (!child->IsOwnVisible()) continue;
    const RECT& pad = child->GetPadding();
    int length = along(child);
    if (length == 0) {
      length = share.each + (share.extra > 0 ? 1 : 0);
      if (share.extra > 0) --share.extra;
    }
    int side0 = sideStart + sideBefore(pad);
    int side1 = across(child) > 0 ? side0 + across(child) : sideEnd - sideAfter(pad);
    at += before(pad);
    child->SetPos(vertical ? RECT{side0, at, side1, at + length} : RECT{at, side0, at + length, side1});
    at += length + after(pad) + childPadding_;
  }
}

void CVerticalLayoutUI::Arrange(int top) { ArrangeInLine(true, top); }

void* CHorizontalLayoutUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"HorizontalLayout" ? this : CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  ArrangeInLine(false, ContentArea().left);
}

void* CTabLayoutUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"TabLayout" ? this : CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (index <= curSel_) ++curSel_;
  if (curSel_ < 0) curSel_ = index;
  if (index == wanted_) {
    curSel_ = index;
    wanted_ = -1;
  }
  for (int i = 0; i < GetCount(); ++i) items_[i]->SetVisible(i == curSel_);
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool doNotDestroy) {
  int index = GetItemIndex(control);
  if (!CContainerUI::Remove(control, doNotDestroy)) return false;
  if (index == curSel_) {
    curSel_ = -1;
    SelectItem(GetCount() > 0 ? 0 : -1);
  } else if (index < curSel_) {
    --curSel_;
  }
  return true;
}

bool CTabLayoutUI::SelectItem(int index) {
  if (DeferToUiThread([this, index] { SelectItem(index); })) return true;
  if (index < 0 || index >= GetCount()) return false;
  curSel_ = index;
  for (int i = 0; i < GetCount(); ++i) items_[i]->SetVisible(i == index);
  Invalidate();
  return true;
}

void CTabLayoutUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  if (CDuiString(name) == L"selectedid") {
    wanted_ = ParseInt(value);
    SelectItem(wanted_);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace DuiLib
