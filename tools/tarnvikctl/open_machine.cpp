#include "open_machine.h"

#include <cstdio>

namespace tarnvikctl {

std::unique_ptr<sim::SimPlatform> OpenMachine(const std::string& folder, const char* command) {
  try {
    return std::make_unique<sim::SimPlatform>(folder);
  } catch (const sim::MachineError& e) {
    std::fprintf(stderr, "tarnvikctl %s: %s\n", command, e.what());
    return nullptr;
  }
}

}  // namespace tarnvikctl
