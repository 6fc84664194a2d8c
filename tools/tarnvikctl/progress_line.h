#pragma once
// The console's progress line of long work: percentage, bar, bytes, speed and time left.

#include <cstdint>
#include <string>

namespace tarnvikctl {

std::string ByteText(int64_t bytes);
// `done` of `total` bytes at `bytesPerSecond` (0 when not known).
std::string ProgressLine(double percent, int64_t done, int64_t total, int64_t bytesPerSecond);

}  // namespace tarnvikctl
