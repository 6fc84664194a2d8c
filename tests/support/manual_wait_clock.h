#pragma once
// A clock that moves only when the test moves it, for driving the core's timed waits
// without spending real time. Waiters look at it about once a millisecond.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

#include "app/wait_clock.h"

namespace testing_support {

class ManualWaitClock : public WaitClock {
 public:
  TimePoint Now() override;
  bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                 const std::function<bool()>& ready) override;
  void Sleep(std::chrono::milliseconds duration) override;

  void Advance(std::chrono::milliseconds step);
  // Advances by `step` (about once a millisecond of real time) until `done()` holds;
  // false when it still does not after `maxSteps` steps.
  bool AdvanceUntil(const std::function<bool()>& done, std::chrono::milliseconds step, int maxSteps = 20000);
  // Time passed on this clock since it was made.
  std::chrono::milliseconds Elapsed();

  // Timed waits and sleeps begun on this clock so far, and those still going.
  int WaitsBegun() const { return begun_; }
  int WaitsInProgress() const { return inProgress_; }
  // Waits (bounded, in real time) until `count` timed waits are in progress.
  bool WaitersBecome(int count);

 private:
  std::mutex mutex_;
  const TimePoint start_{};
  TimePoint now_{};
  std::atomic<int> begun_{0};
  std::atomic<int> inProgress_{0};
};

}  // namespace testing_support
