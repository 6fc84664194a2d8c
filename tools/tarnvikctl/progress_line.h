#pragma once
// The console's progress line of long work: percentage, bar, bytes, speed and time left.

#include <cstdint>
#include <string>

namespace tarnvikctl {

std::string ByteText(int64_t bytes);
// `done` of `total` bytes at `bytesPerSecond` (0 when not known).
std::string ProgressLine(double percent, int64_t done, int64_t total, int64_t bytesPerSecond);

// Prints progress lines among other lines: on a terminal a progress line is redrawn in
// place and the next other line starts below it; elsewhere each is a line of its own.
// Not locked: its owner calls it under its own lock.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(bool terminal) : terminal_(terminal) {}
  void Progress(const std::string& line);
  void Line(const std::string& line);
  // Ends a progress line still open.
  void EndProgress();

 private:
  const bool terminal_;
  bool open_ = false;
};

}  // namespace tarnvikctl
