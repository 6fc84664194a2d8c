#pragma once
// A list: a column of list elements that scrolls, with one selected row.

#include "skin/layouts.h"

namespace DuiLib {

class CListUI;

// What a list asks of its rows.
class IListItemUI {
 public:
  virtual ~IListItemUI() = default;
  virtual int GetIndex() const = 0;
  virtual void SetIndex(int index) = 0;
  virtual CListUI* GetOwner() const = 0;
  virtual void SetOwner(CListUI* owner) = 0;
  virtual bool IsSelected() const = 0;
  // False when the row refuses (a disabled row).
  virtual bool Select(bool select = true) = 0;
};

class CListUI : public CVerticalLayoutUI {
 public:
  LPCTSTR GetClass() const override { return L"ListUI"; }
  void* GetInterface(LPCTSTR name) override;

  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  void RemoveAll() override;

  int GetCurSel() const { return curSel_; }
  // Selects row `index`: true when it is (or already was) the selected row. Another row is
  // deselected first; a missing or refusing row leaves none selected. A new selection is
  // scrolled into view, focused when asked and announced with "itemselect" (wParam the
  // new index, lParam the previous one).
  virtual bool SelectItem(int index, bool takeFocus = false);
  void EnsureVisible(int index);
  int GetScrollPos() const { return scroll_; }

  DWORD GetSelectedItemBkColor() const { return selectedBkColor_; }
  DWORD GetHotItemBkColor() const { return hotBkColor_; }
  bool IsHeaderShown() const { return headerShown_; }

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void SetPos(const RECT& rect) override;
  void DoEvent(TEventUI& event) override;

 protected:
  RECT ChildClip() const override { return ContentArea(); }

 private:
  IListItemUI* ItemAt(int index) const;
  void Reindex();
  int ContentHeight() const;

  int curSel_ = -1;
  int scroll_ = 0;
  bool headerShown_ = true;
  DWORD selectedBkColor_ = 0;
  DWORD hotBkColor_ = 0;
};

// A row made of child controls.
class CListContainerElementUI : public CContainerUI, public IListItemUI {
 public:
  LPCTSTR GetClass() const override { return L"ListContainerElementUI"; }
  void* GetInterface(LPCTSTR name) override;

  int GetIndex() const override { return index_; }
  void SetIndex(int index) override { index_ = index; }
  CListUI* GetOwner() const override { return owner_; }
  void SetOwner(CListUI* owner) override { owner_ = owner; }
  bool IsSelected() const override { return selected_; }
  bool Select(bool select = true) override;

  void DoEvent(TEventUI& event) override;

 protected:
  void PaintBkColor(IRenderer& renderer) override;

 private:
  int index_ = -1;
  CListUI* owner_ = nullptr;
  bool selected_ = false;
  bool hot_ = false;
};

}  // namespace DuiLib
