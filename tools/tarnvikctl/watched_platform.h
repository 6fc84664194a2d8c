#pragma once
// A machine seen by an operator: every call goes to the simulated machine, and while
// watching is on, each program started and each log line is printed as it happens.

#include <atomic>
#include <memory>

#include "platform/forwarding_platform.h"

namespace tarnvikctl {

class WatchedPlatform : public platform::ForwardingPlatform {
 public:
  explicit WatchedPlatform(platform::Platform& machine);
  ~WatchedPlatform() override;

  // Prints "run: ..." and "log: ..." lines on standard output from now on, or stops,
  // printing the log text still waiting for its line end.
  void Watch(bool on);

  platform::Console& console() override;
  platform::Processes& processes() override;

 private:
  class PrintedLog;
  class PrintedProcesses;

  std::atomic<bool> watching_{false};
  std::unique_ptr<PrintedLog> log_;
  std::unique_ptr<PrintedProcesses> processes_;
};

}  // namespace tarnvikctl
