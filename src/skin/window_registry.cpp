#include "skin/window_registry.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_set>

#include "skin/native_window.h"
#include "skin/window.h"

namespace DuiLib {
namespace {

struct Registry {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::unique_ptr<WindowRecord>> records;  // kept for the process, never reused
  std::unordered_set<HWND> live;
  std::vector<HWND> order;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every thread that ends late
  return *registry;
}

bool IsInputMessage(UINT msg) {
  return (msg >= WM_MOUSEMOVE && msg <= WM_MOUSEWHEEL) || msg == WM_KEYDOWN;
}

// Reads a field of a live record under the lock.
template <typename F>
auto WithRecord(HWND hwnd, F read) -> decltype(read(*hwnd)) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (!r.live.count(hwnd)) return decltype(read(*hwnd))();
  return read(*hwnd);
}

void PaintWindowsOfThread(ThreadQueue* queue) {
  for (HWND hwnd : LiveWindows()) {
    CWindowWnd* wnd = WithRecord(hwnd, [&](WindowRecord& rec) -> CWindowWnd* {
      return rec.queue.get() == queue ? rec.wnd : nullptr;
    });
    if (wnd) wnd->OnIdle();
  }
}

}  // namespace

HWND RegisterWindow(CWindowWnd* wnd, HWND owner, const std::wstring& title, const std::wstring& className,
                    DWORD style, DWORD exStyle, const RECT& rect) {
  auto rec = std::make_unique<WindowRecord>();
  rec->wnd = wnd;
  rec->queue = ThreadQueue::ForCurrentThread();
  rec->owner = IsWindow(owner) ? owner : nullptr;
  rec->title = title;
  rec->className = className;
  rec->style = style;
  rec->exStyle = exStyle;
  rec->rect = rect;
  ThreadQueue* queue = rec->queue.get();
  queue->SetIdleHook([queue] { PaintWindowsOfThread(queue); });
  HWND hwnd = rec.get();
  Registry& r = TheRegistry();
  {
    std::lock_guard guard(r.lock);
    r.records.push_back(std::move(rec));
    r.live.insert(hwnd);
    r.order.push_back(hwnd);
  }
  r.changed.notify_all();
  return hwnd;
}

WindowRecord* LiveRecord(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return &rec; });
}

LRESULT DispatchWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* wnd = WithRecord(hwnd, [&](WindowRecord& rec) -> CWindowWnd* {
    if (IsInputMessage(msg) && (rec.style & WS_DISABLED)) return nullptr;
    if (msg == WM_CLOSE) rec.closeCode = static_cast<UINT>(wParam);
    return rec.wnd;
  });
  return wnd ? wnd->HandleMessage(msg, wParam, lParam) : 0;
}

bool IsWindow(HWND hwnd) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  return hwnd != nullptr && r.live.count(hwnd) > 0;
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto queue = WithRecord(hwnd, [](WindowRecord& rec) { return rec.queue; });
  return queue && queue->Post(hwnd, msg, wParam, lParam);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  RunOnWindowThread(hwnd, [&] { result = DispatchWindowMessage(hwnd, msg, wParam, lParam); });
  return result;
}

bool RunOnWindowThread(HWND hwnd, const std::function<void()>& task, bool whenIdle) {
  auto queue = WithRecord(hwnd, [](WindowRecord& rec) { return rec.queue; });
  return queue && queue->SendTask(task, whenIdle);
}

bool SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs) {
  auto queue = WithRecord(hwnd, [](WindowRecord& rec) { return rec.queue; });
  if (!queue) return false;
  queue->SetTimer(hwnd, id, periodMs < 10 ? 10 : periodMs);
  return true;
}

bool KillTimer(HWND hwnd, UINT_PTR id) {
  auto queue = WithRecord(hwnd, [](WindowRecord& rec) { return rec.queue; });
  return queue && queue->KillTimer(hwnd, id);
}

bool EnableWindow(HWND hwnd, bool enable) {
  return WithRecord(hwnd, [&](WindowRecord& rec) {
    bool wasDisabled = (rec.style & WS_DISABLED) != 0;
    rec.style = enable ? (rec.style & ~WS_DISABLED) : (rec.style | WS_DISABLED);
    return wasDisabled;
  });
}

bool IsWindowEnabled(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return (rec.style & WS_DISABLED) == 0; });
}

bool IsWindowVisible(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return (rec.style & WS_VISIBLE) != 0; });
}

bool ShowWindow(HWND hwnd, bool show) {
  bool was = WithRecord(hwnd, [&](WindowRecord& rec) {
    bool visible = (rec.style & WS_VISIBLE) != 0;
    rec.style = show ? (rec.style | WS_VISIBLE) : (rec.style & ~WS_VISIBLE);
    return visible;
  });
  RunOnWindowThread(hwnd, [&] {
    if (WindowRecord* rec = LiveRecord(hwnd); rec && rec->native) rec->native->Show(show);
  });
  return was;
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
  return WithRecord(hwnd, [&](WindowRecord& rec) {
    *rect = rec.rect;
    return true;
  });
}

bool MoveWindow(HWND hwnd, const RECT& rect) {
  bool moved = WithRecord(hwnd, [&](WindowRecord& rec) {
    rec.rect = rect;
    return true;
  });
  if (!moved) return false;
  RunOnWindowThread(hwnd, [&] {
    if (WindowRecord* rec = LiveRecord(hwnd); rec && rec->native) rec->native->Move(rect);
    if (WindowRecord* rec = LiveRecord(hwnd); rec && rec->wnd) rec->wnd->HandleMessage(WM_SIZE, 0, 0);
  });
  return true;
}

void NoteWindowMoved(HWND hwnd, int left, int top) {
  WithRecord(hwnd, [&](WindowRecord& rec) {
    rec.rect = RECT{left, top, left + rec.rect.Width(), top + rec.rect.Height()};
    return true;
  });
}

DWORD GetWindowStyle(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return rec.style; });
}

void SetWindowStyle(HWND hwnd, DWORD style) {
  WithRecord(hwnd, [&](WindowRecord& rec) {
    rec.style = style;
    return true;
  });
}

HWND GetWindowOwner(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return rec.owner; });
}

std::wstring GetWindowTitle(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return rec.title; });
}

std::wstring GetWindowClass(HWND hwnd) {
  return WithRecord(hwnd, [](WindowRecord& rec) { return rec.className; });
}

UINT GetCloseCode(HWND hwnd) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  return hwnd ? hwnd->closeCode : 0;
}

bool DestroyWindow(HWND hwnd) {
  bool destroyed = false;
  RunOnWindowThread(hwnd, [&] {
    CWindowWnd* wnd = WithRecord(hwnd, [](WindowRecord& rec) { return rec.wnd; });
    if (!wnd) return;
    // Owned windows go first, as on Windows.
    for (HWND other : LiveWindows()) {
      if (GetWindowOwner(other) == hwnd) DestroyWindow(other);
    }
    wnd->HandleMessage(WM_DESTROY, 0, 0);
    ThreadQueue::ForCurrentThread()->KillTimers(hwnd);
    std::unique_ptr<NativeWindow> native;
    Registry& r = TheRegistry();
    {
      std::lock_guard guard(r.lock);
      native = std::move(hwnd->native);
      hwnd->wnd = nullptr;
      r.live.erase(hwnd);
      std::erase(r.order, hwnd);
    }
    native.reset();
    r.changed.notify_all();
    wnd->OnFinalMessage(hwnd);
    destroyed = true;
  });
  return destroyed;
}

std::vector<HWND> LiveWindows() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  return r.order;
}

HWND WaitForWindow(const std::function<bool(HWND)>& match, int timeoutMs) {
  Registry& r = TheRegistry();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock guard(r.lock);
  while (true) {
    std::vector<HWND> order = r.order;
    guard.unlock();
    for (HWND hwnd : order) {
      if (match(hwnd)) return hwnd;
    }
    guard.lock();
    if (r.order != order) continue;
    if (r.changed.wait_until(guard, deadline) == std::cv_status::timeout) return nullptr;
  }
}

}  // namespace DuiLib
