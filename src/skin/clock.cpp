#include "skin/clock.h"

#include <chrono>

#include "skin/message_queue.h"

namespace DuiLib {
namespace {

class SteadyClock : public Clock {
 public:
  int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  int WaitTimeoutMs(int64_t dueMs) override {
    int64_t left = dueMs - NowMs();
    return left <= 0 ? 0 : static_cast<int>(left > 1000000 ? 1000000 : left);
  }
};

SteadyClock steadyClock;
std::atomic<Clock*> current{&steadyClock};

}  // namespace

Clock& CurrentClock() { return *current.load(); }

ManualClock::ManualClock() : previous_(current.exchange(this)) {}

ManualClock::~ManualClock() { current.store(previous_); }

void ManualClock::Advance(int64_t ms) {
  now_ += ms;
  ThreadQueue::WakeAll();
}

}  // namespace DuiLib
