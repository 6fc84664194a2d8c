#pragma once
// The last step of a reinstall, on a worker of its own: from the downloaded image and
// WinPE component to the restart into the WinPE (install_core.h), with the statistics
// hand-off and the tracking points around it. It reports no progress; it ends in a
// restart, or in the install-failure or the restart-failure notice (install_notices.h).

#include <chrono>
#include <memory>

#include "app/thread_base.h"
#include "reinstall/install_core.h"
#include "reinstall/point_poster.h"

class ReinstallController;

class CInstallThread : public CThreadBase {
 public:
  // The step that follows the download and the one install-time step of the statistics.
  static constexpr int32_t kHandoffStep = 1999;
  // The install cannot be stopped halfway; deletion waits this long, then for the end.
  static constexpr std::chrono::milliseconds kStopWait{300};

  // Reads the selected image and the WinPE component's file name from `controller` when
  // it runs; the controller outlives the worker.
  explicit CInstallThread(ReinstallController& controller, PointPoster post = PostToReporter);
  ~CInstallThread() override;

  // Once the worker has ended (IsRunning() false): what the install did, and whether the
  // restart was set off (true also when the install failed and no restart was tried).
  const InstallOutcome& outcome() const { return outcome_; }
  bool restartResult() const { return restartResult_; }

 private:
  void Run() override;
  // The version read and the restart; false when either fails.
  bool RestartIntoPe();

  ReinstallController& controller_;
  PointPoster post_;
  InstallOutcome outcome_;
  bool restartResult_ = true;
};
