#include "app/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/manual_wait_clock.h"

using namespace std::chrono_literals;
using testing_support::ManualWaitClock;

namespace {

struct ResetCase {
  const char* name;
  Event::Mode mode;
  bool secondWaitSucceeds;
};

void PrintTo(const ResetCase& c, std::ostream* out) { *out << c.name; }

class EventResetTest : public testing::TestWithParam<ResetCase> {};

TEST_P(EventResetTest, SetIsKeptOrConsumedByTheFirstWaiter) {
  Event event(GetParam().mode);
  event.Set();
  EXPECT_TRUE(event.Wait(0ms));
  EXPECT_EQ(event.Wait(0ms), GetParam().secondWaitSucceeds);
  event.Reset();
  EXPECT_FALSE(event.Wait(0ms));
}

TEST_P(EventResetTest, InitiallySetEventReleasesAWaiter) {
  Event event(GetParam().mode, /*initiallySet=*/true);
  EXPECT_TRUE(event.Wait(0ms));
}

TEST_P(EventResetTest, OneSetReleasesOneOrAllWaiters) {
  ManualWaitClock clock;
  Event event(GetParam().mode, false, clock);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i) {
    waiters.emplace_back([&] {
      if (event.Wait(1500ms)) ++released;
    });
  }
  ASSERT_TRUE(clock.WaitersBecome(2));  // both block
  event.Set();
  // Those the set releases return while the clock stands still; the rest time out.
  const int expected = GetParam().secondWaitSucceeds ? 2 : 1;
  for (int i = 0; i < 5000 && released < expected; ++i) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(20ms);  // time enough for a second release that should not come
  EXPECT_EQ(released, expected);
  clock.Advance(1500ms);
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(released, GetParam().secondWaitSucceeds ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, EventResetTest,
                         testing::Values(ResetCase{"Manual", Event::Mode::ManualReset, true},
                                         ResetCase{"Auto", Event::Mode::AutoReset, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EventTest, WaitOnUnsetEventTimesOutWhenItsClockReachesTheTimeout) {
  ManualWaitClock clock;
  Event event(Event::Mode::ManualReset, false, clock);
  std::atomic<bool> returned{false};
  std::atomic<bool> result{true};
  std::chrono::milliseconds returnedAt{};
  std::thread waiter([&] {
    result = event.Wait(100ms);
    returnedAt = clock.Elapsed();
    returned = true;
  });
  ASSERT_TRUE(clock.WaitersBecome(1));
  clock.Advance(99ms);
  std::this_thread::sleep_for(20ms);  // time enough for a wait that ends early to end
  EXPECT_FALSE(returned) << "timed out before its clock reached the timeout";
  clock.Advance(1ms);
  waiter.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(returnedAt, 100ms);
}

TEST(EventTest, SetFromAnotherThreadReleasesAnUnlimitedWait) {
  Event event(Event::Mode::AutoReset);
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event.Set();
  });
  event.Wait();
  setter.join();
  EXPECT_FALSE(event.Wait(0ms));  // consumed by the wait
}

TEST(EventTest, InterruptReleasesAWaiterThatGivesUp) {
  Event event(Event::Mode::ManualReset);
  std::atomic<bool> giveUp{false};
  std::atomic<bool> result{true};
  std::thread waiter([&] { result = event.WaitUnless(std::nullopt, [&] { return giveUp.load(); }); });
  std::this_thread::sleep_for(50ms);
  giveUp = true;
  event.Interrupt();
  waiter.join();
  EXPECT_FALSE(result);
}

TEST(EventTest, SetEventWinsOverGivingUp) {
  Event event(Event::Mode::AutoReset, /*initiallySet=*/true);
  EXPECT_TRUE(event.WaitUnless(1s, [] { return true; }));
  EXPECT_FALSE(event.Wait(0ms));
}

}  // namespace
