#pragma once
// The store as /enum prints it (the format is documented in tools/machines/README.md).

#include <string>

#include "fakes/bcdedit/boot_store.h"

namespace fakes {

std::string EnumText(const BootStore& store);

}  // namespace fakes
