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

void CVerticalLayoutUI::Arrange(int top) {
  RECT area = ContentArea();
  int fixed = 0, flexible = 0, laidOut = 0;
  for (CControlUI* child : items_) {
    if (child->IsFloat() || !child->IsOwnVisible()) continue;
    const RECT& pad = child->GetPadding();
    fixed += pad.top + pad.bottom;
    if (child->GetFixedHeight() > 0) {
      fixed += child->GetFixedHeight();
    } else {
      ++flexible;
    }
    ++laidOut;
  }
  if (laidOut > 1) fixed += childPadding_ * (laidOut - 1);
  Shares share = SplitFree(area.Height() - fixed, flexible);
  int y = top;
  for (CControlUI* child : items_) {
    if (child->IsFloat()) {
      PlaceFloat(child);
      continue;
    }
    if (!child->IsOwnVisible()) continue;
    const RECT& pad = child->GetPadding();
    int height = child->GetFixedHeight();
    if (height == 0) {
      height = share.each + (share.extra > 0 ? 1 : 0);
      if (share.extra > 0) --share.extra;
    }
    int left = area.left + pad.left;
    int right = child->GetFixedWidth() > 0 ? left + child->GetFixedWidth() : area.right - pad.right;
    y += pad.top;
    child->SetPos(RECT{left, y, right, y + height});
    y += height + pad.bottom + childPadding_;
  }
}

void* CHorizontalLayoutUI::GetInterface(LPCTSTR name) {
  return CDuiString(name) == L"HorizontalLayout" ? this : CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  RECT area = ContentArea();
  int fixed = 0, flexible = 0, laidOut = 0;
  for (CControlUI* child : items_) {
    if (child->IsFloat() || !child->IsOwnVisible()) continue;
    const RECT& pad = child->GetPadding();
    fixed += pad.left + pad.right;
    if (child->GetFixedWidth() > 0) {
      fixed += child->GetFixedWidth();
    } else {
      ++flexible;
    }
    ++laidOut;
  }
  if (laidOut > 1) fixed += childPadding_ * (laidOut - 1);
  Shares share = SplitFree(area.Width() - fixed, flexible);
  int x = area.left;
  for (CControlUI* child : items_) {
    if (child->IsFloat()) {
      PlaceFloat(child);
      continue;
    }
    if (!child->IsOwnVisible()) continue;
    const RECT& pad = child->GetPadding();
    int width = child->GetFixedWidth();
    if (width == 0) {
      width = share.each + (share.extra > 0 ? 1 : 0);
      if (share.extra > 0) --share.extra;
    }
    int top = area.top + pad.top;
    int bottom = child->GetFixedHeight() > 0 ? top + child->GetFixedHeight() : area.bottom - pad.bottom;
    x += pad.left;
    child->SetPos(RECT{x, top, x + width, bottom});
    x += width + pad.right + childPadding_;
  }
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
