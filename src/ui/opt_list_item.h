#pragma once
// A row of the maker's lists (the USB disks of the maker page, the images of the image
// choice): a selection mark, the row's text and its size text, and the record it shows,
// by which the row is found.

#include <string>

#include "skin/label.h"
#include "skin/list.h"
#include "skin/option.h"

// The selected row's background.
inline constexpr wchar_t kSelectedRowBackground[] = L"skin\\u\\UDiskSel-bg.png";

class OptListItem_t : public DuiLib::CListContainerElementUI {
 public:
  OptListItem_t(const std::wstring& text, const std::wstring& sizeText, const void* record);

  const void* record() const { return record_; }
  DuiLib::COptionUI* option() const { return option_; }
  // The background of a row whose option is (or is not) selected.
  void ShowSelected(bool selected);

 private:
  const void* record_;
  DuiLib::COptionUI* option_;
};

// The row of `list` that shows `record`; null when none does.
OptListItem_t* FindRow(DuiLib::CListUI& list, const void* record);
// The row of `list` whose option is `option`; null when none.
OptListItem_t* RowOfOption(DuiLib::CListUI& list, const DuiLib::CControlUI* option);
