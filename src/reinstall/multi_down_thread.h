#pragma once
// CMultiDownThread: the USB maker's image downloads. Fetches the chosen images and, when
// it is not on the machine, the WinPE component, one row each in the download window;
// tells the window when the WinPE component is ready, so that the make can start, and
// hands every finished image to the make worker.
//
// A download the reinstall worker has running is adopted, not fetched twice: its row
// follows the reinstall's task, found by URL in the engine's active list at every pass
// under controller.downloadLock, and completes when the reinstall has the file (and has
// checked it). Should the reinstall drop the task, this worker fetches the file itself.
// Only the worker's own tasks are restarted when silent, and parked or deleted at the end.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "app/thread_base.h"
#include "catalogue/os_entry.h"
#include "download/download_task.h"
#include "reinstall/download_polling.h"

class CThunder;
class IImageQueue;
class IUsbDownloadWindow;
class ReinstallController;

class CMultiDownThread : public CThreadBase {
 public:
  // One item per entry, in order; row i of `window` shows item i. The timing is the
  // controller's downloadPolling.
  CMultiDownThread(ReinstallController& controller, const std::vector<OsEntry*>& entries, IUsbDownloadWindow& window,
                   IImageQueue& makeQueue);
  // Its own tasks: an incomplete image's is parked for a later resume, the WinPE
  // component's deleted; entries still downloading get their state back. Adopted tasks
  // are left to the reinstall. Records the average speed.
  ~CMultiDownThread() override;

  // From the window (UI thread): the user cancelled this entry's row. At the next pass its
  // own task is deleted when complete and parked otherwise, and its item goes: the rows
  // after it move up one, as the window's do.
  void CancelEntry(const OsEntry* entry);

 private:
  struct Item {
    Item(OsEntry* entry, const DownloadPolling& polling);
    OsEntry* entry;
    DownloadTask* task = nullptr;  // own items only: an adopted task is looked up at each pass
    StallCounter stall;
    int32_t savedStatus = 0;  // the entry's state when the run began
    bool isPe;                // the WinPE component, fetched into peDir
    bool own = true;          // false while the item follows the reinstall's task
    bool queued = false;      // handed to the make worker
    bool finished = false;    // complete, or failed: takes no further part
  };

  void Run() override;
  // Adopts or starts item `index`'s download; true when it adopted the reinstall's.
  bool SetUp(size_t index);
  // Creates and starts an own task in `folder`; false (the row failed) when the engine refuses.
  bool StartOwnTask(size_t index, const std::wstring& folder);
  void ApplyCancels();
  // One pass over item `index`; true while it is downloading.
  bool PollItem(size_t index, bool refreshTexts, int64_t& passSpeed);
  bool PollAdopted(size_t index, bool refreshTexts, int64_t& passSpeed);
  void FinishOwn(size_t index);
  // Under controller.downloadLock: the entry is in at `path`; the row shows it complete.
  void MarkComplete(size_t index, const std::wstring& path);
  void QueueFinishedImages();

  std::vector<std::unique_ptr<Item>> items_;
  uint64_t speedSum_ = 0;
  int32_t speedSamples_ = 0;
  std::mutex cancelLock_;
  std::vector<const OsEntry*> cancelList_;  // under cancelLock_
  std::atomic<bool> cancelPending_{false};
  ReinstallController& controller_;
  IUsbDownloadWindow& window_;
  IImageQueue& makeQueue_;
  const DownloadPolling polling_;
  std::shared_ptr<CThunder> engine_;
};
