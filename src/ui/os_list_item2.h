#pragma once
// A row of the image re-selection dialog: option, name, size, download progress and the
// folder button.

#include "catalogue/os_entry.h"
#include "skin/button.h"
#include "skin/list.h"
#include "skin/option.h"

class COsListItem2 : public DuiLib::CListContainerElementUI {
 public:
  COsListItem2(const std::wstring& name, int64_t sizeBytes, int state);

  void SetEntry(OsEntry* entry) { entry_ = entry; }
  OsEntry* GetEntry() const { return entry_; }
  // 0 and 1: nothing downloaded; 2 downloading; 3 downloaded.
  void ShowStatus(int state);
  // The download percentage, unless the row shows a finished download.
  void ShowProgress(int percentage);
  bool Select(bool select = true) override;
  // Selection comes through the option; a press on the row itself does nothing.
  void DoEvent(DuiLib::TEventUI& event) override;

  DuiLib::COptionUI* Option() const { return option_; }
  DuiLib::CLabelUI* ProgressLabel() const { return progress_; }
  DuiLib::CButtonUI* FolderButton() const { return folder_; }

 private:
  OsEntry* entry_ = nullptr;
  int state_ = 0;
  DuiLib::COptionUI* option_;
  DuiLib::CLabelUI* progress_;
  DuiLib::CButtonUI* folder_;
};
