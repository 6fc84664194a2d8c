#pragma once
// A row of the image selection page: selection mark, name, date, size, an extra text and
// the status badge (recommended or downloaded).

#include "catalogue/os_entry.h"
#include "skin/list.h"
#include "skin/option.h"

class COsListItem1 : public DuiLib::CListContainerElementUI {
 public:
  COsListItem1(const std::wstring& name, const std::wstring& dateText, int64_t sizeBytes,
               const std::wstring& extraText, int state);

  void SetEntry(OsEntry* entry) { entry_ = entry; }
  OsEntry* GetEntry() const { return entry_; }
  // Shows the badge of an entry state: 1 recommended, 3 downloaded, others none.
  void ShowStatus(int state);
  bool Select(bool select = true) override;

  DuiLib::COptionUI* Mark() const { return mark_; }
  DuiLib::CControlUI* Badge() const { return badge_; }
  // 0 name, 1 date, 2 size, 3 extra text.
  DuiLib::CLabelUI* Label(int index) const { return labels_[index]; }

 private:
  OsEntry* entry_ = nullptr;
  DuiLib::COptionUI* mark_;
  DuiLib::CLabelUI* labels_[4];
  DuiLib::CControlUI* badge_;
};
