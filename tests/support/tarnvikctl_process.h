#pragma once
// tarnvikctl run as a process, the way support staff run it.

#include <string>
#include <vector>

#include "support/run_program.h"

namespace testing_support {

// tarnvikctl of this build followed by `args`, for ProgramRun::args.
std::vector<std::string> TarnvikctlCommand(const std::vector<std::string>& args);

// Runs tarnvikctl with `args` passed as they are in this process's environment.
Outcome RunTarnvikctl(const std::vector<std::string>& args);

}  // namespace testing_support
