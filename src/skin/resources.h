#pragma once
// Skin files and images are named relative to the resource path and read through the
// platform's files, so on Linux they come from the simulated machine's program folder.

#include <optional>
#include <string>

#include "skin/types.h"

namespace DuiLib {

// The full Windows path of a resource; an absolute path ("C:\\...") stays as it is.
CDuiString ResourceFilePath(const CDuiString& relative);
std::optional<std::string> ReadResourceFile(const CDuiString& relative);

}  // namespace DuiLib
