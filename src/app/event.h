#pragma once
// A signalled/unsignalled flag that threads wait on. A manual-reset event stays set until
// Reset() and releases every waiter; an auto-reset event releases one waiter and clears
// itself as that waiter returns. Timed waits run on the event's clock.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

#include "app/wait_clock.h"

class Event {
 public:
  enum class Mode { ManualReset, AutoReset };

  explicit Event(Mode mode, bool initiallySet = false, WaitClock& clock = SteadyWaitClock());
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();

  // True once the event is set (an auto-reset event is consumed); false when the time
  // runs out first.
  bool Wait(std::chrono::milliseconds timeout);
  void Wait();

  // Like Wait(timeout), but also gives up (false) as soon as `giveUp()` holds. Whoever
  // makes `giveUp()` true calls Interrupt() afterwards so that waiters look again.
  // A missing timeout waits without limit.
  bool WaitUnless(std::optional<std::chrono::milliseconds> timeout,
                  const std::function<bool()>& giveUp);
  void Interrupt();

 private:
  const Mode mode_;
  WaitClock& clock_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;
};
