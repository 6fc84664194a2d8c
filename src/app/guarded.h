#pragma once
// A value that one thread replaces while another reads it, such as the window a worker
// reports to. Get() hands out a copy, so the lock is never held while the reader acts on
// the value. Whoever replaces a pointer keeps the old target alive until the worker that
// might still be using it is gone.

#include <mutex>
#include <utility>

template <typename T>
class Guarded {
 public:
  explicit Guarded(T value = T{}) : value_(std::move(value)) {}
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  T Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }

  void Set(T value) {
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable std::mutex mutex_;
  T value_;
};
