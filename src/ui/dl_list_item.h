#pragma once
// A row of the download windows: the image's icon and name, an optional cancel button, the
// progress bar, the speed, the size and the status text.

#include <cstdint>
#include <string>

#include "catalogue/os_entry.h"
#include "skin/button.h"
#include "skin/label.h"
#include "skin/list.h"
#include "skin/progress.h"

class CDlListItem : public DuiLib::CListContainerElementUI {
 public:
  // With `withCancel`, the row has the "btnDelTask" button. The row starts waiting, its
  // bar ranging over the entry's size in 4096-byte units, or complete for a downloaded entry.
  CDlListItem(OsEntry* entry, bool withCancel);

  OsEntry* GetEntry() const { return entry_; }

  void SetProgress(int64_t value);
  void SetSpeed(int64_t bytesPerSecond);
  // "已下载：%d%%" of the truncated percentage; "等待" when it is negative.
  void SetPercent(float percent);
  // A full bar, "已下载：100%", no speed.
  void MarkComplete();
  // "下载失败", no speed.
  void MarkFailed();

  DuiLib::CButtonUI* CancelButton() const { return cancel_; }
  DuiLib::CLabelUI* NameLabel() const { return name_; }
  DuiLib::CProgressUI* Progress() const { return progress_; }
  DuiLib::CLabelUI* SpeedLabel() const { return speed_; }
  DuiLib::CLabelUI* SizeLabel() const { return size_; }
  DuiLib::CLabelUI* StatusLabel() const { return status_; }

 private:
  OsEntry* entry_;
  DuiLib::CButtonUI* cancel_ = nullptr;
  DuiLib::CLabelUI* name_;
  DuiLib::CProgressUI* progress_;
  DuiLib::CLabelUI* speed_;
  DuiLib::CLabelUI* size_;
  DuiLib::CLabelUI* status_;
};
