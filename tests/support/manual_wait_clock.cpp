#include "support/manual_wait_clock.h"

#include <thread>

namespace testing_support {

using namespace std::chrono_literals;

WaitClock::TimePoint ManualWaitClock::Now() {
  std::lock_guard lock(mutex_);
  return now_;
}

bool ManualWaitClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                            TimePoint deadline, const std::function<bool()>& ready) {
  ++begun_;
  ++inProgress_;
  bool isReady = ready();
  while (!isReady && Now() < deadline) {
    changed.wait_for(lock, 1ms);
    isReady = ready();
  }
  --inProgress_;
  return isReady;
}

void ManualWaitClock::Sleep(std::chrono::milliseconds duration) {
  ++begun_;
  ++inProgress_;
  const TimePoint until = Now() + duration;
  while (Now() < until) std::this_thread::sleep_for(1ms);
  --inProgress_;
}

void ManualWaitClock::Advance(std::chrono::milliseconds step) {
  std::lock_guard lock(mutex_);
  now_ += step;
}

bool ManualWaitClock::AdvanceUntil(const std::function<bool()>& done, std::chrono::milliseconds step, int maxSteps) {
  for (int i = 0; i < maxSteps; ++i) {
    if (done()) return true;
    Advance(step);
    std::this_thread::sleep_for(1ms);
  }
  return done();
}

std::chrono::milliseconds ManualWaitClock::Elapsed() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - start_);
}

bool ManualWaitClock::WaitersBecome(int count) {
  for (int i = 0; i < 5000; ++i) {
    if (inProgress_ == count) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

}  // namespace testing_support
