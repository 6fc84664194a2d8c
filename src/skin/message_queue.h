#pragma once
// One message queue per thread that owns windows, as on Windows: messages posted to a
// window go to the queue of the thread that created it; a message sent from another
// thread waits there until that thread has handled it; timers fire as WM_TIMER when the
// queue has nothing else to do. Control updates made on other threads arrive here as
// tasks, so controls are only ever touched by their own thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "skin/types.h"

namespace DuiLib {

class ThreadQueue : public std::enable_shared_from_this<ThreadQueue> {
 public:
  // The calling thread's queue, made on first use and closed when the thread ends.
  static std::shared_ptr<ThreadQueue> ForCurrentThread();
  static void WakeAll();
  // Releases the sends that `sender` is waiting in now, unhandled (SendMessage answers
  // 0); true when there was one. A thread that stops a worker calls it while it waits
  // for the worker, so that a worker waiting on this very thread can end.
  static bool CancelSendsFrom(std::thread::id sender);

  ThreadQueue();
  ~ThreadQueue();
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;

  bool IsCurrentThread() const { return std::this_thread::get_id() == owner_; }

  // From any thread. False once the owning thread has ended.
  bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool PostTask(std::function<void()> task);
  // Runs `task` on the owning thread and waits for it; with `whenIdle`, only once the
  // queue has no posted message or due timer left. Runs at once on the owning thread.
  // False when the owning thread ended first.
  bool SendTask(std::function<void()> task, bool whenIdle = false);

  // Owning thread only: the message loop, until `done` answers true.
  void RunUntil(const std::function<bool()>& done);

  void SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  void KillTimers(HWND hwnd);

  // A file descriptor the loop watches (a display connection); `onReadable` runs on the
  // owning thread.
  void WatchFd(int fd, std::function<void()> onReadable);
  void UnwatchFd(int fd);

  // Runs on the owning thread each time the queue falls idle (painting).
  void SetIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }

  void Wake();

 private:
  struct Posted {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<void()> task;
  };
  struct Call {
    std::function<void()> task;
    std::thread::id sender;
    bool whenIdle = false;
    bool done = false;
    bool abandoned = false;
  };
  struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    int64_t due;
  };
  struct Watch {
    int fd;
    std::function<void()> onReadable;
  };

  bool ProcessOne();
  bool FireDueTimer();
  void AnswerIdleCalls();
  // Runs a sent call taken off the queue with the lock released, then releases its sender.
  void Answer(std::unique_lock<std::mutex>& guard, Call& call);
  void WaitForWork();
  void Close();
  bool CancelCallsOf(std::thread::id sender);
  friend struct QueueHolder;

  const std::thread::id owner_;
  int wakeFd_ = -1;
  std::mutex lock_;
  std::condition_variable callDone_;
  bool closed_ = false;
  std::deque<Posted> posted_;
  std::deque<std::shared_ptr<Call>> calls_;
  std::vector<Timer> timers_;
  std::vector<Watch> watches_;
  std::function<void()> idleHook_;
};

}  // namespace DuiLib
