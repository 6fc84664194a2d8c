#include "platform/sim/sim_services.h"

namespace sim {

// No program starts on this machine yet.
std::optional<platform::ProcessHandle> SimProcesses::ShellExecuteEx(const platform::ShellExecuteRequest&) {
  return std::nullopt;
}

void SimProcesses::WaitForExit(const platform::ProcessHandle&) {}

}  // namespace sim
