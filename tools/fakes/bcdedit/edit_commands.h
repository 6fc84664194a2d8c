#pragma once
// The commands that change the boot store: /create, /delete, /set, /displayorder, /default,
// /timeout.

#include <string>
#include <vector>

#include "fakes/bcdedit/boot_store.h"
#include "platform/sim/sim_platform.h"

namespace fakes {

// Whether `command` is one of them.
bool IsEditCommand(const std::string& command);

// Applies the command of `args` (the command first) to `store` and returns the line to
// print. Each command checks everything before it changes anything: a ToolError saying
// what is wrong leaves `store` as it was.
std::string ApplyEditCommand(sim::SimPlatform& machine, BootStore& store, const std::vector<std::string>& args);

}  // namespace fakes
