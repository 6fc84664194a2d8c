#pragma once
// Opening the simulated machine a subcommand works on.

#include <memory>
#include <string>

#include "platform/sim/sim_platform.h"

namespace tarnvikctl {

// The machine in `folder`; null, after printing "tarnvikctl COMMAND: why" on standard
// error, when its machine.json is missing, malformed or incomplete.
std::unique_ptr<sim::SimPlatform> OpenMachine(const std::string& folder, const char* command);

}  // namespace tarnvikctl
