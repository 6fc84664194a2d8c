#pragma once
// Windows paths given to a fake tool, resolved as the tool would resolve them on Windows
// and mapped to the machine's files.

#include <filesystem>
#include <string>

#include "platform/sim/sim_platform.h"

namespace fakes {

// The working folder the machine started the tool in: TARNVIK_DIRECTORY, a full Windows
// path such as "D:\Tarnvik\tool". Throws ToolError when it is unset or not a full path.
std::string WorkingFolder();

// `path` (UTF-8) as a full Windows path: "X:\..." stays, "\..." is on the working folder's
// drive, "X:..." is relative to the working folder when that lies on X: and to the root
// of X: otherwise, and anything else is relative to the working folder.
std::string FullWindowsPath(const std::string& path);

// The host file that the full Windows path stands for; throws ToolError naming the path
// when it is on no drive of the machine.
std::filesystem::path HostPathOf(const sim::SimPlatform& machine, const std::string& windowsPath);

}  // namespace fakes
