#pragma once
// Texts of sizes and speeds, as the windows and tarnvikctl show them.

#include <cstdint>
#include <string>

// Bytes per second as "%.1fK/s", "%.1fM/s" or "%.1fG/s"; negative speeds in K/s.
std::wstring SpeedText(int64_t bytesPerSecond);
// Bytes as "%.2fGB".
std::wstring GigabyteText(int64_t bytes);
