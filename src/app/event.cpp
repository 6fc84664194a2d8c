#include "app/event.h"

Event::Event(Mode mode, bool initiallySet, WaitClock& clock) : mode_(mode), clock_(clock), set_(initiallySet) {}

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  if (mode_ == Mode::AutoReset) {
    changed_.notify_one();
  } else {
    changed_.notify_all();
  }
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool Event::Wait(std::chrono::milliseconds timeout) {
  return WaitUnless(timeout, [] { return false; });
}

void Event::Wait() { WaitUnless(std::nullopt, [] { return false; }); }

bool Event::WaitUnless(std::optional<std::chrono::milliseconds> timeout,
                       const std::function<bool()>& giveUp) {
  std::unique_lock lock(mutex_);
  auto ready = [&] { return set_ || giveUp(); };
  if (timeout) {
    clock_.WaitUntil(changed_, lock, clock_.Now() + *timeout, ready);
  } else {
    changed_.wait(lock, ready);
  }
  // A set event wins over giving up, so that a signal is never lost to a stop.
  if (!set_) return false;
  if (mode_ == Mode::AutoReset) set_ = false;
  return true;
}

void Event::Interrupt() {
  // Taking the lock orders this after any waiter's check of giveUp(), so none misses it.
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}
