#pragma once

#include <cstdint>

// The installed memory in bytes, summed over the memory modules WMI reports; -1 when the
// query fails (the failing step is logged).
int64_t QueryInstalledMemory();
