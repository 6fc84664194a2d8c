#pragma once
// The base of every worker: one job on one thread of its own.
//
// Life of a worker: the owner creates it on the heap, sets its parameters, calls Start()
// once, may poll IsRunning(), and ends or abandons the job by deleting it. Deleting it is
// the only way to stop it.
//
// How stopping works. A thread cannot be killed safely here, so instead every wait a body
// makes is one the base can interrupt, and the base never lets the thread outlive its
// object. A subclass destructor does, in this order:
//   1. RequestStop(), if the class can be stopped by request (classes that cannot, such
//      as the install sequence, leave it out: their body keeps going during step 2c);
//   2. StopThread(wait), with the class's wait time, which
//      a. returns at once when no thread was started, or was stopped before;
//      b. if the worker is suspended, resumes it and sleeps 100 ms;
//      c. waits up to `wait` for Run() to return, meanwhile giving up any SendMessage
//         the worker waits in (the owner may be the very window thread it sends to);
//      d. if Run() is still going, logs "worker did not stop within N ms; waiting for it
//         to end" and raises the stop request itself, which makes every stop-aware
//         primitive below return at once, from then on, and wakes the ones waiting now;
//      e. joins the thread: the destructor does not return while the thread runs, so
//         the body never touches freed memory;
//   3. then releases the subclass's own resources.
// A body whose Run() has already returned passes step 2c at once.
//
// Contract for Run(). Every wait the body makes goes through SleepOrStop(),
// WaitOrStop() or CheckSuspend(), or through an operation of its own that ends soon
// after StopRequested() turns true (a child process that is ended, a PostForm whose
// shouldStop asks StopRequested()). Once the stop-aware primitives report a stop, the
// body returns promptly. A body that breaks this contract makes its destructor wait for
// it without limit; it never makes the program use freed memory.
//
// Suspension is cooperative: Suspend() parks the body at its next stop-aware primitive
// and Resume() lets it go on; a stop request releases a parked body. Suspension gives no
// exclusion: a parameter that the owner changes while the body runs (the window it
// reports to) lives in a Guarded<T> (app/guarded.h).
//
// Start(), Suspend(), Resume() and the destructor belong to the owner's thread; the
// primitives belong to the worker's thread and any helper threads the body starts.
// StopThread() is never called from the worker's own thread.
//
// Every timed wait of the base and its primitives runs on the worker's clock: the steady
// clock unless the worker was given another (a test that drives the time).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/wait_clock.h"
#include "app/event.h"

class CThreadBase {
 public:
  explicit CThreadBase(WaitClock& clock = SteadyWaitClock());
  CThreadBase(const CThreadBase&) = delete;
  CThreadBase& operator=(const CThreadBase&) = delete;

  // Does nothing to the thread: a subclass that was started must have called
  // StopThread() by now, else the program ends (std::terminate).
  virtual ~CThreadBase() = default;

  // Starts the thread running Run(). False when it was started before, or when no thread
  // could be created (then nothing runs and IsRunning() stays false).
  virtual bool Start();

  // The job's body, run once on the worker's thread.
  virtual void Run() = 0;

  // True from a successful Start() until Run() returns.
  virtual bool IsRunning();

  void Suspend();
  void Resume();
  bool IsSuspended() const;

  enum class WaitResult { Set, TimedOut, Stopped };

 protected:
  // Asks the body to end: the stop-aware primitives return at once from now on.
  void RequestStop();
  bool StopRequested() const;

  // The shared end of every subclass destructor; see "How stopping works".
  void StopThread(std::chrono::milliseconds wait);

  // Sleeps for `duration`; false when it ended because of a stop request.
  bool SleepOrStop(std::chrono::milliseconds duration);

  // Waits for `event`; Set wins when the event is set and a stop is requested alike.
  // Without a timeout it waits until the event is set or a stop is requested.
  WaitResult WaitOrStop(Event& event, std::optional<std::chrono::milliseconds> timeout);

  // Parks while the worker is suspended; false when a stop is requested.
  bool CheckSuspend();

 private:
  void ThreadProc();
  // Waits up to `wait` for Run() to return; true when it did.
  bool WaitForBody(std::chrono::milliseconds wait);
  void ParkWhileSuspended(std::unique_lock<std::mutex>& lock);

  WaitClock& clock_;
  std::atomic<bool> running{false};
  std::thread thread;
  bool suspended = false;  // under stateMutex

  std::atomic<bool> stopRequested{false};
  Event finished{Event::Mode::ManualReset, false, clock_};
  mutable std::mutex stateMutex;
  std::condition_variable stateChanged;
  std::vector<Event*> eventsWaitedOn;  // under stateMutex; woken by RequestStop()
};
