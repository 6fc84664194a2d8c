#include "xldl/host_paths.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "xldl/text.h"

namespace xldl {

std::optional<std::filesystem::path> HostPathOf(const std::u16string& windowsPath) {
  // The machine is opened once per folder: tests run one machine after another in the
  // same process.
  static std::mutex lock;
  static std::unique_ptr<sim::SimPlatform> machine;
  std::lock_guard guard(lock);
  const char* folder = std::getenv("TARNVIK_MACHINE");
  if (folder == nullptr || *folder == '\0') return std::nullopt;
  if (!machine || machine->folder() != folder) {
    try {
      machine = std::make_unique<sim::SimPlatform>(folder);
    } catch (const std::exception&) {
      machine.reset();
      return std::nullopt;
    }
  }
  return machine->MapPath(platform::Utf8ToWide(Utf16ToUtf8(windowsPath)));
}

}  // namespace xldl
