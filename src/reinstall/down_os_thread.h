#pragma once
// CDownOSThread: the download manager's images-only download, one row per image. An image
// that the reinstall worker is fetching already is watched, not fetched twice: its row
// follows the reinstall's task, found by URL in the engine's active list at every pass,
// and that task stays the reinstall's. An image whose catalogue entry names an MD5
// counts as fetched only when its file has that checksum; a damaged one is fetched once
// more from zero, and a second damaged one fails its row.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/thread_base.h"
#include "catalogue/os_entry.h"
#include "download/download_task.h"
#include "reinstall/download_polling.h"

class CThunder;
class ReinstallController;

class CDownOSThread : public CThreadBase {
 public:
  CDownOSThread(const std::vector<OsEntry*>& entries, const std::wstring& saveDir, ReinstallController& controller);
  // Parks its own incomplete tasks and puts their entries back as they were; a watched
  // task is left alone.
  ~CDownOSThread() override;

 private:
  struct Row {
    Row(OsEntry* entry, const DownloadPolling& polling) : entry(entry), stall(polling) {}
    OsEntry* entry;
    DownloadTask* task = nullptr;  // own rows only: a watched task is looked up at each pass
    StallCounter stall;
    int32_t savedState = 0;        // the entry's state when the row was set up
    bool ownTask = true;           // false while the row watches the reinstall's task
    bool ended = false;            // complete or failed
    int mismatches = 0;            // downloads whose checksum did not match
  };

  void Run() override;
  void SetUpRow(Row& row);
  // Creates and starts this worker's own task for the row; false when the engine refuses.
  bool StartOwnTask(Row& row, const std::wstring& saveDir);
  // One pass over a row; true while the row is still downloading.
  bool PollRow(size_t index, bool refresh, int64_t& passSpeed);
  bool PollWatchedRow(size_t index, bool refresh, int64_t& passSpeed);
  void FinishOwnRow(size_t index);
  void ShowProgress(size_t index, const TaskProgress& progress, bool refresh);

  const DownloadPolling polling_;
  std::vector<Row> rows_;
  const std::wstring saveDir_;
  int64_t speedSum_ = 0;
  int32_t samples_ = 0;
  ReinstallController& controller_;
  std::shared_ptr<CThunder> engine_;
};
