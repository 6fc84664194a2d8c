#pragma once
// The speed of one transfer over about the last second.

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>

namespace xldl {

class SpeedMeter {
 public:
  using Clock = std::chrono::steady_clock;

  void Reset();
  // The transfer has received `totalBytes` so far.
  void Record(int64_t totalBytes, Clock::time_point now = Clock::now());
  // Bytes per second received in the second before `now`; 0 once data stops arriving.
  int64_t BytesPerSecond(Clock::time_point now = Clock::now()) const;

 private:
  struct Sample {
    Clock::time_point time;
    int64_t bytes;
  };
  mutable std::mutex lock_;
  std::deque<Sample> samples_;  // about ten a second, the oldest at or before a second ago
};

}  // namespace xldl
