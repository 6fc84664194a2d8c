#include "skin/message_queue.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "skin/clock.h"
#include "skin/window_registry.h"

namespace DuiLib {
namespace {

std::mutex allQueuesLock;
std::vector<std::weak_ptr<ThreadQueue>>& AllQueues() {
  static std::vector<std::weak_ptr<ThreadQueue>> queues;
  return queues;
}

}  // namespace

// Closes the thread's queue when the thread ends, so that nobody waits on it forever.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) queue->Close();
  }
};

std::shared_ptr<ThreadQueue> ThreadQueue::ForCurrentThread() {
  thread_local QueueHolder holder;
  if (!holder.queue) {
    holder.queue = std::make_shared<ThreadQueue>();
    std::lock_guard guard(allQueuesLock);
    auto& all = AllQueues();
    std::erase_if(all, [](const auto& q) { return q.expired(); });
    all.push_back(holder.queue);
  }
  return holder.queue;
}

void ThreadQueue::WakeAll() {
  std::lock_guard guard(allQueuesLock);
  for (auto& weak : AllQueues()) {
    if (auto q = weak.lock()) q->Wake();
  }
}

bool ThreadQueue::CancelSendsFrom(std::thread::id sender) {
  std::vector<std::shared_ptr<ThreadQueue>> queues;
  {
    std::lock_guard guard(allQueuesLock);
    for (auto& weak : AllQueues()) {
      if (auto q = weak.lock()) queues.push_back(q);
    }
  }
  bool released = false;
  for (auto& q : queues) released = q->CancelCallsOf(sender) || released;
  return released;
}

bool ThreadQueue::CancelCallsOf(std::thread::id sender) {
  std::lock_guard guard(lock_);
  size_t released = std::erase_if(calls_, [&](const std::shared_ptr<Call>& call) {
    if (call->sender != sender) return false;
    call->abandoned = true;
    return true;
  });
  callDone_.notify_all();
  return released > 0;
}

ThreadQueue::ThreadQueue() : owner_(std::this_thread::get_id()), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ThreadQueue::~ThreadQueue() {
  if (wakeFd_ >= 0) close(wakeFd_);
}

void ThreadQueue::Wake() {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

void ThreadQueue::Close() {
  std::lock_guard guard(lock_);
  closed_ = true;
  for (auto& call : calls_) call->abandoned = true;
  calls_.clear();
  posted_.clear();
  callDone_.notify_all();
}

bool ThreadQueue::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard guard(lock_);
    if (closed_) return false;
    posted_.push_back({hwnd, msg, wParam, lParam, {}});
  }
  Wake();
  return true;
}

bool ThreadQueue::PostTask(std::function<void()> task) {
  {
    std::lock_guard guard(lock_);
    if (closed_) return false;
    posted_.push_back({nullptr, 0, 0, 0, std::move(task)});
  }
  Wake();
  return true;
}

bool ThreadQueue::SendTask(std::function<void()> task, bool whenIdle) {
  if (IsCurrentThread()) {
    task();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->task = std::move(task);
  call->sender = std::this_thread::get_id();
  call->whenIdle = whenIdle;
  std::unique_lock guard(lock_);
  if (closed_) return false;
  calls_.push_back(call);
  Wake();
  callDone_.wait(guard, [&] { return call->done || call->abandoned; });
  return call->done;
}

void ThreadQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs) {
  std::lock_guard guard(lock_);
  int64_t due = CurrentClock().NowMs() + periodMs;
  for (Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.period = periodMs;
      t.due = due;
      return;
    }
  }
  timers_.push_back({hwnd, id, periodMs, due});
}

bool ThreadQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard guard(lock_);
  return std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }) > 0;
}

void ThreadQueue::KillTimers(HWND hwnd) {
  std::lock_guard guard(lock_);
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

void ThreadQueue::WatchFd(int fd, std::function<void()> onReadable) {
  watches_.push_back({fd, std::move(onReadable)});
}

void ThreadQueue::UnwatchFd(int fd) {
  std::erase_if(watches_, [&](const Watch& w) { return w.fd == fd; });
}

// Sent calls first, then one posted item; false when neither was waiting.
bool ThreadQueue::ProcessOne() {
  std::unique_lock guard(lock_);
  for (auto it = calls_.begin(); it != calls_.end(); ++it) {
    if ((*it)->whenIdle) continue;
    std::shared_ptr<Call> call = *it;
    calls_.erase(it);
    Answer(guard, *call);
    return true;
  }
  if (posted_.empty()) return false;
  Posted item = std::move(posted_.front());
  posted_.pop_front();
  guard.unlock();
  if (item.task) {
    item.task();
  } else {
    DispatchWindowMessage(item.hwnd, item.msg, item.wParam, item.lParam);
  }
  return true;
}

bool ThreadQueue::FireDueTimer() {
  std::unique_lock guard(lock_);
  int64_t now = CurrentClock().NowMs();
  auto due = std::min_element(timers_.begin(), timers_.end(),
                              [](const Timer& a, const Timer& b) { return a.due < b.due; });
  if (due == timers_.end() || due->due > now) return false;
  // A late timer fires once, as on Windows, and then keeps its period from now.
  due->due = now + due->period;
  HWND hwnd = due->hwnd;
  UINT_PTR id = due->id;
  guard.unlock();
  DispatchWindowMessage(hwnd, WM_TIMER, id, 0);
  return true;
}

void ThreadQueue::AnswerIdleCalls() {
  std::unique_lock guard(lock_);
  while (true) {
    auto it = std::find_if(calls_.begin(), calls_.end(), [](const auto& c) { return c->whenIdle; });
    // A timer that fell due meanwhile (the clock moved) fires before the queue is idle.
    int64_t now = CurrentClock().NowMs();
    bool timerDue = std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.due <= now; });
    if (it == calls_.end() || !posted_.empty() || timerDue) return;
    std::shared_ptr<Call> call = *it;
    calls_.erase(it);
    Answer(guard, *call);
  }
}

void ThreadQueue::Answer(std::unique_lock<std::mutex>& guard, Call& call) {
  guard.unlock();
  call.task();
  guard.lock();
  call.done = true;
  callDone_.notify_all();
}

void ThreadQueue::WaitForWork() {
  int timeout = -1;
  {
    std::lock_guard guard(lock_);
    if (!posted_.empty() || std::any_of(calls_.begin(), calls_.end(), [](const auto& c) { return !c->whenIdle; })) {
      return;
    }
    for (const Timer& t : timers_) {
      int left = CurrentClock().WaitTimeoutMs(t.due);
      if (left >= 0 && (timeout < 0 || left < timeout)) timeout = left;
    }
  }
  std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
  for (const Watch& w : watches_) fds.push_back({w.fd, POLLIN, 0});
  if (poll(fds.data(), fds.size(), timeout) <= 0) return;
  if (fds[0].revents & POLLIN) {
    uint64_t count;
    [[maybe_unused]] ssize_t n = read(wakeFd_, &count, sizeof count);
  }
  std::vector<std::function<void()>> ready;
  for (size_t i = 1; i < fds.size(); ++i) {
    if (fds[i].revents & (POLLIN | POLLHUP)) ready.push_back(watches_[i - 1].onReadable);
  }
  for (auto& handler : ready) handler();
}

void ThreadQueue::RunUntil(const std::function<bool()>& done) {
  while (!done()) {
    if (ProcessOne() || FireDueTimer()) continue;
    if (idleHook_) idleHook_();
    AnswerIdleCalls();
    if (done()) return;
    // Watched connections may hold events already read into their buffers.
    for (auto& w : std::vector<Watch>(watches_)) w.onReadable();
    if (ProcessOne()) continue;
    WaitForWork();
  }
}

}  // namespace DuiLib
