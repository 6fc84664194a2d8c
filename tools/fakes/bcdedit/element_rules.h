#pragma once
// Which elements /set may give an object of each kind, and what their values look like.

#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace fakes {

// The element names this editor knows, in the order listings show them.
const std::vector<std::string>& KnownElements();

// Throws ToolError saying what is wrong when `name` is no known element, does not apply to
// an object of kind `type`, or `value` is not a value of the element: a device
// ("partition=X:", "ramdisk=[X:]\path,{id}" or "boot", X a drive of the machine), a path
// on a volume ("\..."), a boolean (yes, no, on, off, true, false, 1, 0), a number of
// seconds, a language ("zh-cn") or one of an element's words (nx OptIn, pae ForceEnable).
void CheckElement(sim::SimPlatform& machine, const std::string& id, const std::string& type,
                  const std::string& name, const std::string& value);

}  // namespace fakes
