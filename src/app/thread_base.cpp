#include "app/thread_base.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "app/log.h"
#include "skin/window_registry.h"

CThreadBase::CThreadBase(WaitClock& clock) : clock_(clock) {}

bool CThreadBase::Start() {
  if (thread.joinable()) return false;
  // Set before the thread exists, so that a poll right after Start() cannot mistake a
  // job that has not begun yet for one that has finished.
  running = true;
  try {
    thread = std::thread(&CThreadBase::ThreadProc, this);
  } catch (const std::system_error&) {
    running = false;
    return false;
  }
  return true;
}

bool CThreadBase::IsRunning() { return running; }

void CThreadBase::ThreadProc() {
  Run();
  running = false;
  finished.Set();
}

void CThreadBase::Suspend() {
  std::lock_guard lock(stateMutex);
  suspended = true;
}

void CThreadBase::Resume() {
  {
    std::lock_guard lock(stateMutex);
    suspended = false;
  }
  stateChanged.notify_all();
}

bool CThreadBase::IsSuspended() const {
  std::lock_guard lock(stateMutex);
  return suspended;
}

void CThreadBase::RequestStop() {
  {
    std::lock_guard lock(stateMutex);
    stopRequested = true;
    for (Event* event : eventsWaitedOn) event->Interrupt();
  }
  stateChanged.notify_all();
}

bool CThreadBase::StopRequested() const { return stopRequested; }

void CThreadBase::StopThread(std::chrono::milliseconds wait) {
  if (!thread.joinable()) return;
  if (IsSuspended()) {
    Resume();
    clock_.Sleep(std::chrono::milliseconds(100));
  }
  if (!WaitForBody(wait)) {
    LogLine("worker did not stop within " + std::to_string(wait.count()) +
            " ms; waiting for it to end");
    RequestStop();
    while (!WaitForBody(std::chrono::milliseconds(100))) {
    }
  }
  thread.join();
}

bool CThreadBase::WaitForBody(std::chrono::milliseconds wait) {
  // The owner is often the window thread the worker sends its messages to, and it handles
  // none while it waits here: give up the worker's pending sends, again and again, so a
  // worker inside SendMessage can still end.
  const auto deadline = clock_.Now() + wait;
  const auto slice = std::chrono::milliseconds(10);
  for (;;) {
    DuiLib::CancelSendsFrom(thread.get_id());
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock_.Now());
    if (left <= std::chrono::milliseconds::zero()) return finished.Wait(std::chrono::milliseconds::zero());
    if (finished.Wait(std::min(left, slice))) return true;
  }
}

bool CThreadBase::SleepOrStop(std::chrono::milliseconds duration) {
  std::unique_lock lock(stateMutex);
  ParkWhileSuspended(lock);
  clock_.WaitUntil(stateChanged, lock, clock_.Now() + duration, [this] { return stopRequested.load(); });
  return !stopRequested;
}

CThreadBase::WaitResult CThreadBase::WaitOrStop(Event& event,
                                                std::optional<std::chrono::milliseconds> timeout) {
  {
    std::unique_lock lock(stateMutex);
    ParkWhileSuspended(lock);
    eventsWaitedOn.push_back(&event);
  }
  bool set = event.WaitUnless(timeout, [this] { return stopRequested.load(); });
  {
    std::lock_guard lock(stateMutex);
    eventsWaitedOn.erase(std::find(eventsWaitedOn.begin(), eventsWaitedOn.end(), &event));
  }
  if (set) return WaitResult::Set;
  return stopRequested ? WaitResult::Stopped : WaitResult::TimedOut;
}

bool CThreadBase::CheckSuspend() {
  std::unique_lock lock(stateMutex);
  ParkWhileSuspended(lock);
  return !stopRequested;
}

void CThreadBase::ParkWhileSuspended(std::unique_lock<std::mutex>& lock) {
  stateChanged.wait(lock, [this] { return !suspended || stopRequested; });
}
