#pragma once
// The windows of the process by handle, and the window functions of the system that the
// library stands in for. A handle stays recognisable after its window is gone (records
// are never reused), so a late PostMessage to a closed window simply fails.

#include <functional>
#include <memory>
#include <vector>

#include "skin/message_queue.h"
#include "skin/types.h"

namespace DuiLib {

class CWindowWnd;
class NativeWindow;

struct WindowRecord {
  CWindowWnd* wnd = nullptr;
  std::shared_ptr<ThreadQueue> queue;
  HWND owner = nullptr;
  std::wstring title;
  std::wstring className;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect;
  UINT closeCode = 0;
  std::unique_ptr<NativeWindow> native;
};

HWND RegisterWindow(CWindowWnd* wnd, HWND owner, const std::wstring& title, const std::wstring& className,
                    DWORD style, DWORD exStyle, const RECT& rect);
// Hands a message to the window's handler; input to a disabled window is dropped.
LRESULT DispatchWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

bool IsWindow(HWND hwnd);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Handled at once on the window's own thread; from any other thread the caller waits
// until the window's thread has handled it. 0 when the window is gone.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Runs `task` on the window's thread and waits (see ThreadQueue::SendTask).
bool RunOnWindowThread(HWND hwnd, const std::function<void()>& task, bool whenIdle = false);
// Gives up the SendMessage calls `sender` is waiting in (see ThreadQueue::CancelSendsFrom).
inline bool CancelSendsFrom(std::thread::id sender) { return ThreadQueue::CancelSendsFrom(sender); }
bool SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs);
bool KillTimer(HWND hwnd, UINT_PTR id);
bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);
bool IsWindowVisible(HWND hwnd);
bool ShowWindow(HWND hwnd, bool show);
bool GetWindowRect(HWND hwnd, RECT* rect);
bool MoveWindow(HWND hwnd, const RECT& rect);
// The display moved the window (the user dragged it): only the recorded place changes.
void NoteWindowMoved(HWND hwnd, int left, int top);
DWORD GetWindowStyle(HWND hwnd);
void SetWindowStyle(HWND hwnd, DWORD style);
HWND GetWindowOwner(HWND hwnd);
std::wstring GetWindowTitle(HWND hwnd);
std::wstring GetWindowClass(HWND hwnd);
bool DestroyWindow(HWND hwnd);
UINT GetCloseCode(HWND hwnd);
// The live windows, oldest first.
std::vector<HWND> LiveWindows();
// Waits until a live window satisfies `match` (window creation wakes the wait); nothing
// after `timeoutMs` of real time, a guard against a test that would hang.
HWND WaitForWindow(const std::function<bool(HWND)>& match, int timeoutMs = 30000);

// The record, for the library's own window code; null when the window is gone. Only the
// window's own thread may use the native part.
WindowRecord* LiveRecord(HWND hwnd);

}  // namespace DuiLib
