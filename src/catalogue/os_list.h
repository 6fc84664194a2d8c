#pragma once
// The catalogue's images in the order they are offered. The list owns its entries.

#include <memory>
#include <vector>

#include "catalogue/os_entry.h"

using OsList = std::vector<std::unique_ptr<OsEntry>>;
