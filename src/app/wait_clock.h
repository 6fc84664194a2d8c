#pragma once
// The time the core's timed waits run on. The program waits on the steady clock; a test
// gives a worker or an event a clock of its own to drive those waits without spending
// real time on them.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class WaitClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~WaitClock() = default;

  virtual TimePoint Now() = 0;

  // Waits on `changed`, with `lock` held on entry and on return, until `ready()` holds
  // or Now() reaches `deadline`; returns ready(). Whoever makes ready() true notifies
  // `changed` under the lock.
  virtual bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                         TimePoint deadline, const std::function<bool()>& ready) = 0;

  // Returns once Now() has moved on by `duration`.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The real steady clock: the one every wait uses unless it is given another.
WaitClock& SteadyWaitClock();
