#include "app/thread_base.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "app/guarded.h"
#include "support/manual_wait_clock.h"
#include "support/recording_platform.h"

using namespace std::chrono_literals;
using testing_support::ManualWaitClock;

namespace {

// The threads of this process, as the kernel lists them.
long ThreadCount() {
  auto tasks = std::filesystem::directory_iterator("/proc/self/task");
  return std::distance(begin(tasks), end(tasks));
}

// A joined thread can linger in the kernel's list for a moment; wait (bounded) for it.
bool ThreadCountBecomes(long expected) {
  for (int i = 0; i < 200; ++i) {
    if (ThreadCount() == expected) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// A worker whose body is given by the test. A stoppable worker asks its body to stop on
// deletion, as classes with a stop flag do; the other kind lets its body run through the
// wait, as classes without one do.
class TestWorker : public CThreadBase {
 public:
  using Body = std::function<void(TestWorker&)>;

  TestWorker(Body body, std::chrono::milliseconds wait, bool stoppable, WaitClock& clock = SteadyWaitClock())
      : CThreadBase(clock), body_(std::move(body)), wait_(wait), stoppable_(stoppable) {}

  ~TestWorker() override {
    if (stoppable_) RequestStop();
    StopThread(wait_);
  }

  void Run() override { body_(*this); }

  using CThreadBase::CheckSuspend;
  using CThreadBase::SleepOrStop;
  using CThreadBase::WaitOrStop;

  // Heap memory the body writes to, so that any use after the destructor shows under ASan.
  std::vector<int> touched;

 private:
  Body body_;
  std::chrono::milliseconds wait_;
  bool stoppable_;
};

class ThreadBaseTest : public testing::Test {
 protected:
  testing_support::RecordingConsolePlatform platform_;
  platform::ScopedPlatform installed_{platform_};
};

TEST_F(ThreadBaseTest, WorkerNeverStartedIsDeletedAtOnceAndLeavesNoThread) {
  long before = ThreadCount();
  ManualWaitClock clock;  // never moved: a deletion that waited would never return
  { TestWorker worker([](TestWorker&) { FAIL() << "never started"; }, 300ms, true, clock); }
  EXPECT_EQ(clock.WaitsBegun(), 0);
  EXPECT_EQ(ThreadCount(), before);
  EXPECT_TRUE(platform_.Lines().empty());
}

TEST_F(ThreadBaseTest, StartTwiceStartsOneThread) {
  long before = ThreadCount();
  std::atomic<int> runs{0};
  Event release(Event::Mode::ManualReset);
  {
    TestWorker worker(
        [&](TestWorker& self) {
          ++runs;
          self.WaitOrStop(release, std::nullopt);
        },
        300ms, true);
    EXPECT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start());
    EXPECT_EQ(ThreadCount(), before + 1);
    release.Set();
  }
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(ThreadCountBecomes(before));
}

// Threads asked for a stack no machine can give cannot be created.
class ImpossibleThreadStacks {
 public:
  ImpossibleThreadStacks() {
    pthread_getattr_default_np(&saved_);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t{1} << 46);
    pthread_setattr_default_np(&huge);
    pthread_attr_destroy(&huge);
  }
  ~ImpossibleThreadStacks() {
    pthread_setattr_default_np(&saved_);
    pthread_attr_destroy(&saved_);
  }

 private:
  pthread_attr_t saved_;
};

TEST_F(ThreadBaseTest, StartThatCannotCreateAThreadFailsAndRunsNothing) {
  std::atomic<bool> ran{false};
  TestWorker worker([&](TestWorker&) { ran = true; }, 300ms, true);
  {
    ImpossibleThreadStacks noThreads;
    EXPECT_FALSE(worker.Start());
  }
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_FALSE(ran);
}

TEST_F(ThreadBaseTest, IsRunningFromStartUntilTheBodyReturns) {
  Event release(Event::Mode::ManualReset);
  TestWorker worker([&](TestWorker& self) { self.WaitOrStop(release, std::nullopt); }, 300ms, true);
  EXPECT_FALSE(worker.IsRunning());
  ASSERT_TRUE(worker.Start());
  EXPECT_TRUE(worker.IsRunning());  // even before the new thread got to run
  release.Set();
  EXPECT_TRUE(Eventually([&] { return !worker.IsRunning(); }));
  EXPECT_FALSE(worker.Start());  // returned, but still a started worker
}

struct OverrunCase {
  const char* name;
  bool suspended;
  std::chrono::milliseconds atLeast;
};

void PrintTo(const OverrunCase& c, std::ostream* out) { *out << c.name; }

class ThreadBaseOverrunTest : public ThreadBaseTest,
                              public testing::WithParamInterface<OverrunCase> {};

// A body that is not asked to stop, and sleeps far longer than the wait, holds deletion
// for the wait (plus the pause after resuming a suspended worker); then it is made to end,
// the thread is joined, and the body's last touch of its object comes before the object
// is freed. The worker's clock is driven by the test, in steps of 10 ms.
TEST_P(ThreadBaseOverrunTest, DeletionWaitsThenEndsTheBodyAndJoinsIt) {
  long before = ThreadCount();
  ManualWaitClock clock;
  std::atomic<bool> sleepReportedStop{false};
  auto worker = std::make_unique<TestWorker>(
      [&](TestWorker& self) {
        sleepReportedStop = !self.SleepOrStop(60s);
        for (int i = 0; i < 1000; ++i) self.touched.push_back(i);
      },
      300ms, /*stoppable=*/false, clock);
  ASSERT_TRUE(worker->Start());
  ASSERT_TRUE(clock.WaitersBecome(1));  // the body sleeps
  if (GetParam().suspended) worker->Suspend();

  std::atomic<bool> deleted{false};
  std::chrono::milliseconds deletedAt{};
  std::thread owner([&] {
    worker.reset();
    deletedAt = clock.Elapsed();
    deleted = true;
  });
  EXPECT_TRUE(clock.AdvanceUntil([&] { return deleted.load(); }, 10ms));
  owner.join();

  EXPECT_GE(deletedAt, GetParam().atLeast);
  EXPECT_LT(deletedAt, GetParam().atLeast + 5s);
  EXPECT_TRUE(sleepReportedStop);
  EXPECT_TRUE(ThreadCountBecomes(before));
  EXPECT_EQ(platform_.Lines(),
            std::vector<std::string>{"worker did not stop within 300 ms; waiting for it to end"});
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadBaseOverrunTest,
                         testing::Values(OverrunCase{"Running", false, 300ms},
                                         OverrunCase{"Suspended", true, 400ms}),
                         [](const auto& info) { return std::string(info.param.name); });

// A stop request ends every kind of stop-aware wait before the class's wait runs out.
struct StopCase {
  const char* name;
  TestWorker::Body waitForever;
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class ThreadBaseStopTest : public ThreadBaseTest, public testing::WithParamInterface<StopCase> {};

TEST_P(ThreadBaseStopTest, StopRequestReleasesTheBody) {
  std::atomic<bool> released{false};
  Event waiting(Event::Mode::ManualReset);
  {
    TestWorker worker(
        [&](TestWorker& self) {
          waiting.Set();
          GetParam().waitForever(self);
          released = true;
          self.touched.push_back(1);
        },
        1000ms, /*stoppable=*/true);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(waiting.Wait(5s));
    std::this_thread::sleep_for(20ms);  // into the wait
  }
  EXPECT_TRUE(released);
  EXPECT_TRUE(platform_.Lines().empty()) << "the body should end within the wait";
}

Event neverSet(Event::Mode::ManualReset);

INSTANTIATE_TEST_SUITE_P(
    Waits, ThreadBaseStopTest,
    testing::Values(
        StopCase{"Sleep", [](TestWorker& self) { EXPECT_FALSE(self.SleepOrStop(60s)); }},
        StopCase{"EventWithoutLimit",
                 [](TestWorker& self) {
                   EXPECT_EQ(self.WaitOrStop(neverSet, std::nullopt),
                             CThreadBase::WaitResult::Stopped);
                 }},
        StopCase{"EventWithTimeout",
                 [](TestWorker& self) {
                   EXPECT_EQ(self.WaitOrStop(neverSet, 60s), CThreadBase::WaitResult::Stopped);
                 }},
        StopCase{"LoopOverShortSleeps",
                 [](TestWorker& self) {
                   while (self.SleepOrStop(1ms)) self.touched.push_back(0);
                 }},
        StopCase{"ParkedBySuspension",
                 [](TestWorker& self) {
                   self.Suspend();
                   EXPECT_FALSE(self.CheckSuspend());
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThreadBaseTest, WaitOrStopReportsSetAndTimeOut) {
  Event event(Event::Mode::AutoReset);
  std::vector<CThreadBase::WaitResult> results;
  Event done(Event::Mode::ManualReset);
  TestWorker worker(
      [&](TestWorker& self) {
        results.push_back(self.WaitOrStop(event, 20ms));
        event.Set();
        results.push_back(self.WaitOrStop(event, 20ms));
        done.Set();
      },
      300ms, true);
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(done.Wait(5s));
  EXPECT_EQ(results, (std::vector{CThreadBase::WaitResult::TimedOut, CThreadBase::WaitResult::Set}));
}

TEST_F(ThreadBaseTest, SuspendParksTheBodyAndResumeReleasesIt) {
  std::atomic<int> passes{0};
  TestWorker worker(
      [&](TestWorker& self) {
        while (self.CheckSuspend()) {
          ++passes;
          self.SleepOrStop(1ms);
        }
      },
      300ms, true);
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(Eventually([&] { return passes > 0; }));

  worker.Suspend();
  EXPECT_TRUE(worker.IsSuspended());
  std::this_thread::sleep_for(50ms);  // let it reach a parking point
  int parkedAt = passes;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(passes, parkedAt);

  worker.Resume();
  EXPECT_FALSE(worker.IsSuspended());
  EXPECT_TRUE(Eventually([&] { return passes > parkedAt; }));
}

// The owner points a running worker at another target, as a dialog that takes over a job
// does: the reports sent after the change reach the new target, and none is lost. Under
// ThreadSanitizer (the test command's tests-tsan stage) it also shows the exchange is
// race-free.
TEST_F(ThreadBaseTest, ReportTargetChangesWhileTheWorkerRuns) {
  struct Target {
    std::atomic<int> reports{0};
  };
  Target first, second;
  Guarded<Target*> target(&first);
  std::atomic<int> sent{0};
  {
    TestWorker worker(
        [&](TestWorker& self) {
          while (self.CheckSuspend()) {
            ++target.Get()->reports;
            ++sent;
            std::this_thread::yield();
          }
        },
        1000ms, true);
    ASSERT_TRUE(worker.Start());
    for (int i = 0; i < 200; ++i) {
      worker.Suspend();
      target.Set(i % 2 ? &first : &second);
      worker.Resume();
    }
    for (Target* next : {&second, &first, &second}) {
      target.Set(next);
      const int before = next->reports;
      EXPECT_TRUE(Eventually([&] { return next->reports > before; }))
          << "no report reached the target set while the worker ran";
    }
  }
  EXPECT_EQ(first.reports + second.reports, sent);
}

}  // namespace
