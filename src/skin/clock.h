#pragma once
// The time base of timers and animations. The real one is the steady clock; tests install
// a manual clock and move it forward, so countdowns run without waiting.

#include <atomic>
#include <cstdint>

namespace DuiLib {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMs() = 0;
  // How long a message loop may sleep before `dueMs`: -1 for "until woken".
  virtual int WaitTimeoutMs(int64_t dueMs) = 0;
};

// The clock in force: the steady clock unless a test installed another.
Clock& CurrentClock();

class ManualClock : public Clock {
 public:
  ManualClock();   // installs itself
  ~ManualClock() override;  // puts the steady clock back
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  int64_t NowMs() override { return now_.load(); }
  int WaitTimeoutMs(int64_t dueMs) override { return dueMs <= now_.load() ? 0 : -1; }
  // Moves time on and wakes every message loop so that due timers fire.
  void Advance(int64_t ms);

 private:
  std::atomic<int64_t> now_{1000000};
  Clock* previous_;
};

}  // namespace DuiLib
