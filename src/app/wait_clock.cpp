#include "app/wait_clock.h"

#include <thread>

namespace {

class RealSteadyWaitClock : public WaitClock {
 public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }

  bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                 const std::function<bool()>& ready) override {
    return changed.wait_until(lock, deadline, ready);
  }

  void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

WaitClock& SteadyWaitClock() {
  static RealSteadyWaitClock clock;
  return clock;
}
