#pragma once
// The windows of the USB maker's dialogs on the console: each message the make, format and
// download workers post or send is printed as it comes, the copy with a progress line, and
// the ends are kept for the command to wait on.

#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "app/message_target.h"
#include "progress_line.h"

namespace tarnvikctl {

class ConsoleUsbWindow : public IMessageTarget {
 public:
  explicit ConsoleUsbWindow(bool terminal) : printer_(terminal) {}

  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

  // The make's end (3228) or the format job's (3025): whether it succeeded; nothing
  // when `timeout` passed first.
  std::optional<bool> WaitForMake(std::chrono::milliseconds timeout);
  struct FormatResult {
    bool ok = false;
    intptr_t failedStep = 0;  // 1 the restore, 2 the NTFS conversion
  };
  std::optional<FormatResult> WaitForFormat(std::chrono::milliseconds timeout);
  // The download worker's ends: the WinPE component is there (3027), every download done (3026).
  bool peReady();
  bool downloadsDone();
  // The stage the make failed at, for the command's last line; empty when none did.
  std::string FailedStage();

 private:
  void Handle(uint32_t message, uintptr_t wParam, intptr_t lParam);
  void PrintProgressLocked(uint64_t copied);

  ProgressPrinter printer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string failedStage_;
  uint64_t copyTotal_ = 0;
  std::chrono::steady_clock::time_point copyStart_;
  std::optional<bool> made_;
  std::optional<FormatResult> formatted_;
  bool peReady_ = false;
  bool downloadsDone_ = false;
};

}  // namespace tarnvikctl
