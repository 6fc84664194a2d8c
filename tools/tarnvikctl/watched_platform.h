#pragma once
// A machine seen by an operator: every call goes to the simulated machine, and while
// watching is on, each program started and each log line is printed as it happens.

#include <atomic>
#include <memory>

#include "platform/platform.h"

namespace tarnvikctl {

class WatchedPlatform : public platform::Platform {
 public:
  explicit WatchedPlatform(platform::Platform& machine);
  ~WatchedPlatform() override;

  // Prints "run: ..." and "log: ..." lines on standard output from now on, or stops,
  // printing the log text still waiting for its line end.
  void Watch(bool on);

  platform::Files& files() override { return machine_.files(); }
  platform::Profiles& profiles() override { return machine_.profiles(); }
  platform::Storage& storage() override { return machine_.storage(); }
  platform::Registry& registry() override { return machine_.registry(); }
  platform::Network& network() override { return machine_.network(); }
  platform::System& system() override { return machine_.system(); }
  platform::Console& console() override;
  platform::Modules& modules() override { return machine_.modules(); }
  platform::MessageBoxes& messageBoxes() override { return machine_.messageBoxes(); }
  platform::Processes& processes() override;
  platform::Power& power() override { return machine_.power(); }

 private:
  class PrintedLog;
  class PrintedProcesses;

  platform::Platform& machine_;
  std::atomic<bool> watching_{false};
  std::unique_ptr<PrintedLog> log_;
  std::unique_ptr<PrintedProcesses> processes_;
};

}  // namespace tarnvikctl
