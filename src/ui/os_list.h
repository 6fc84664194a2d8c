#pragma once
// The catalogue's image list. Rows are COsListItem1 (image selection page) or
// COsListItem2 (re-selection dialog); the list's row selection is the library's.

#include "skin/list.h"

class COsListUI : public DuiLib::CListUI {
 public:
  COsListUI();
  DuiLib::LPCTSTR GetClass() const override { return L"OsListUI"; }
  void* GetInterface(DuiLib::LPCTSTR name) override;
};
