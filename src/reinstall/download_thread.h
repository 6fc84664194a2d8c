#pragma once
// CDownloadThread: step 3 of the reinstall. Fetches the WinPE component and then the
// chosen image, each as one task of the download engine, polling it, showing its
// progress on the download page, restarting a silent task and rebuilding it when
// restarts do not help. An image whose catalogue entry names an MD5 counts as fetched
// only when its file has that checksum: a damaged download is fetched once more from
// zero, and a second damaged one fails the step.
//
// The controller's download fields (downloadPe, peTask, downloadOs, osTask) and this
// worker's byte counts are read and written under controller.downloadLock, which
// ReselectOs also holds while it swaps the image under a running download.

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/thread_base.h"
#include "catalogue/os_entry.h"
#include "reinstall/download_polling.h"

class CThunder;
class IDownloadPage;
class ReinstallController;

class CDownloadThread : public CThreadBase {
 public:
  explicit CDownloadThread(ReinstallController& controller);
  // Deletes the WinPE task and parks an incomplete image task, so that a later run
  // resumes it; records the average speed.
  ~CDownloadThread() override;

  // From the UI thread: stops or restarts the running task; a paused download does not
  // count as stalled.
  void SetPause(bool pause);
  // The percentage shown last: 100 once both parts are complete.
  float Percent() const { return percent_; }
  int64_t AverageSpeed() const { return averageSpeed_; }

  // Under controller.downloadLock (ReselectOs): the bytes this run fetches and those it
  // has completed.
  int64_t TotalBytes() const { return totalBytes_; }
  int64_t DoneBytes() const { return doneBytes_; }
  void SetByteCounts(int64_t totalBytes, int64_t doneBytes);

 private:
  enum class Part { Pe, Image };
  enum class PollEnd { Complete, Stopped, SwitchedToComplete };

  void Run() override;
  void RunPePart();
  // False when the image could not be fetched (no task, or damaged twice).
  bool RunImagePart();
  // Polls the part's task until it completes; for the image, `finished` is the entry
  // whose task completed.
  PollEnd Poll(Part part, OsEntry** finished);
  // Starts a fresh task for the current image into controller.osTask; false when the
  // engine refuses.
  bool StartImageTask();
  void ComputeAverageSpeed();
  IDownloadPage* page() const;

  std::atomic<bool> paused_{false};
  int64_t totalBytes_ = 0;
  int64_t doneBytes_ = 0;
  int64_t averageSpeed_ = 0;
  std::atomic<float> percent_{0};
  int64_t speedSum_ = 0;
  int32_t samples_ = 0;
  ReinstallController& controller_;
  const DownloadPolling polling_;
  std::shared_ptr<CThunder> engine_;
};
