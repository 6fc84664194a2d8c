#pragma once
// The statistics reporter: a worker with a queue of tracking points. Posters anywhere in
// the program hand a point over and return at once; the reporter thread sends each one to
// the statistics service (up to three tries), logs what it did and deletes it. At exit the
// program entry appends the quit marker and waits a bounded time for the queue to drain.

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "app/event.h"
#include "app/thread_base.h"
#include "stats/fixed_point_base.h"

class CFixedPoint : public CThreadBase {
 public:
  // How long the program entry waits at exit for the queue to drain.
  static constexpr std::chrono::milliseconds kExitWait{10000};
  // How long deletion lets the thread finish its drain before stopping it.
  static constexpr std::chrono::milliseconds kStopWait{1000};

  // The program's reporter, built and started on first use.
  static std::shared_ptr<CFixedPoint> Instance();
  // The exit protocol: if the program's reporter exists, gives it `wait` to send what is
  // queued, then ends it. Points still queued after that are lost.
  static void Shutdown(std::chrono::milliseconds wait = kExitWait);

  // A reporter of its own, not started (tests; the program uses Instance()), whose
  // deletion waits `stopWait`.
  explicit CFixedPoint(std::chrono::milliseconds stopWait = kStopWait);
  // Pushes the quit marker and gives the thread the stop wait to finish its drain, then
  // stops it (a send in progress is aborted); points still queued are deleted.
  ~CFixedPoint() override;

  // Appends a point to the queue without waking the reporter; a null point is dropped.
  void Push(std::unique_ptr<FixedPointBase> point);
  // Appends the quit marker: the drain that takes it still sends every point queued
  // before it and those pushed behind it while it runs, then the reporter finishes.
  void PushQuitMarker();
  // The posting protocol: Push, then set workEvent.
  void Post(std::unique_ptr<FixedPointBase> point);
  // Pushes the quit marker, sets workEvent and waits up to `wait` for finishedEvent;
  // true when the reporter finished in time.
  bool FinishReporting(std::chrono::milliseconds wait);

  Event workEvent{Event::Mode::ManualReset};      // set by posters after a push
  Event finishedEvent{Event::Mode::ManualReset};  // set when the reporter ends after the quit marker

 private:
  // One entry of the queue: a point, or the quit marker.
  struct QueueItem {
    std::unique_ptr<FixedPointBase> point;
    bool quit = false;
  };

  void Run() override;
  // The head of the queue; nothing when it is empty, and then workEvent is reset under
  // the lock, so that a push racing with the reset always leaves the event set.
  std::optional<QueueItem> TakeHead();
  void Send(const FixedPointBase& point);

  const std::chrono::milliseconds stopWait_;
  std::deque<QueueItem> queue;
  std::mutex queueLock;
};
