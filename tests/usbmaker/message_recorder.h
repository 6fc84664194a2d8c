#pragma once
// A window for the workers of the tests: it keeps every message posted or sent to it and
// lets the test wait, for a bounded time, for one to arrive.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "app/message_target.h"

struct RecordedMessage {
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  bool sent = false;
  bool operator==(const RecordedMessage&) const = default;
};

class MessageRecorder : public IMessageTarget {
 public:
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override { Keep({message, wParam, lParam, false}); }
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    Keep({message, wParam, lParam, true});
    return 0;
  }

  // Whether `message` arrived within `bound`.
  bool WaitFor(uint32_t message, std::chrono::milliseconds bound = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [&] {
      for (const RecordedMessage& m : messages_) {
        if (m.message == message) return true;
      }
      return false;
    });
  }

  std::vector<RecordedMessage> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }

  // Called on the worker's thread after a message is kept, outside the lock.
  std::function<void(const RecordedMessage&)> onMessage;

 private:
  void Keep(const RecordedMessage& m) {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back(m);
    }
    arrived_.notify_all();
    if (onMessage) onMessage(m);
  }

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<RecordedMessage> messages_;
};
