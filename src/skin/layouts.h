#pragma once
// Layouts: children in a column, in a row, or one page at a time.

#include "skin/container.h"

namespace DuiLib {

// Children stacked top to bottom: fixed heights as given, the rest share what is left.
class CVerticalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return L"VerticalLayoutUI"; }
  void* GetInterface(LPCTSTR name) override;
  void SetPos(const RECT& rect) override;

 protected:
  // Lays the children out from `top` down (a list scrolls by starting above its area).
  void Arrange(int top);
};

// Children side by side, left to right, sharing the width the same way.
class CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return L"HorizontalLayoutUI"; }
  void* GetInterface(LPCTSTR name) override;
  void SetPos(const RECT& rect) override;
};

// One child shown at a time, filling the area.
class CTabLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return L"TabLayoutUI"; }
  void* GetInterface(LPCTSTR name) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  int GetCurSel() const { return curSel_; }
  bool SelectItem(int index);
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

 private:
  int curSel_ = -1;
  int wanted_ = -1;  // the page to show once it is added ("selectedid" comes before the pages)
};

}  // namespace DuiLib
