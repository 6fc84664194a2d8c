#include "xldl/speed_meter.h"

namespace xldl {
namespace {
constexpr auto kWindow = std::chrono::seconds(1);
constexpr auto kSampleSpacing = std::chrono::milliseconds(100);
}  // namespace

void SpeedMeter::Reset() {
  std::lock_guard guard(lock_);
  samples_.clear();
}

void SpeedMeter::Record(int64_t totalBytes, Clock::time_point now) {
  std::lock_guard guard(lock_);
  // The last sample is always the latest count; the ones before it lie apart.
  if (samples_.size() >= 2 && now - samples_[samples_.size() - 2].time < kSampleSpacing) {
    samples_.back() = {now, totalBytes};
  } else {
    samples_.push_back({now, totalBytes});
  }
  // Keep one sample at or before the window's start, to measure the whole window.
  while (samples_.size() > 2 && samples_[1].time <= now - kWindow) samples_.pop_front();
}

int64_t SpeedMeter::BytesPerSecond(Clock::time_point now) const {
  std::lock_guard guard(lock_);
  if (samples_.empty()) return 0;
  const Sample* base = &samples_.front();
  for (const Sample& s : samples_) {
    if (s.time > now - kWindow) break;
    base = &s;
  }
  auto span = std::chrono::duration_cast<std::chrono::milliseconds>(now - base->time).count();
  if (span <= 0) return 0;
  // A window shorter than a second (the transfer just began) still reads per second.
  return (samples_.back().bytes - base->bytes) * 1000 / span;
}

}  // namespace xldl
