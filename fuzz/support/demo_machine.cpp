#include "support/demo_machine.h"

#include <filesystem>
#include <memory>

#include "platform/sim/sim_platform.h"
#include "support/scratch.h"

namespace fuzz {

void InstallDemoMachine() {
  std::filesystem::path folder = ScratchFolder() / "machine";
  std::filesystem::copy(TARNVIK_SOURCE_DIR "/tools/machines/demo", folder, std::filesystem::copy_options::recursive);
  static std::unique_ptr<sim::SimPlatform> machine = std::make_unique<sim::SimPlatform>(folder);
  platform::Install(machine.get());
}

}  // namespace fuzz
