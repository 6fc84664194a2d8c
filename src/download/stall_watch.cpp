#include "download/stall_watch.h"

#include <algorithm>

StallWatch::StallWatch(StallRule rule, std::chrono::milliseconds pollInterval)
    : rule_(rule),
      stallPolls_(std::max<int>(1, static_cast<int>(rule.seconds * 1000 / std::max<int64_t>(1, pollInterval.count())))) {}

StallWatch::Verdict StallWatch::Observe(int64_t bytesPerSecond) {
  silentPolls_ = bytesPerSecond == 0 ? silentPolls_ + 1 : 0;
  if (silentPolls_ < stallPolls_) return Verdict::Carry;
  silentPolls_ = 0;
  if (restarts_ == rule_.restarts) return Verdict::GiveUp;
  ++restarts_;
  return Verdict::Restart;
}
