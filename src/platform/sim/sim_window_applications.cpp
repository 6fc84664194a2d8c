#include "platform/sim/sim_window_applications.h"

#include <unistd.h>

#include "platform/codepage.h"

namespace sim {

namespace {
const std::string kMarker = "tarnvik window application: ";
}  // namespace

std::optional<std::string> WindowApplicationOf(const std::string& fileStart) {
  if (fileStart.compare(0, kMarker.size(), kMarker) != 0) return std::nullopt;
  std::string name = fileStart.substr(kMarker.size(), fileStart.find('\n') - kMarker.size());
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
  return name;
}

int RunWindowApplication(const std::string& name, const ApplicationRun& run) {
  if (name == "iso-writer") return RunIsoWriter(run);
  if (name == "bootice") return RunBootice(run);
  if (run.out >= 0) {
    const std::string message = "no window application \"" + name + "\" on this machine\r\n";
    [[maybe_unused]] ssize_t written = ::write(run.out, message.data(), message.size());
  }
  return 1;
}

}  // namespace sim
