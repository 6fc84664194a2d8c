#include "skin/window.h"

#include "skin/message_queue.h"
#include "skin/native_window.h"
#include "skin/window_registry.h"

namespace DuiLib {

SIZE ScreenSize() { return {1920, 1080}; }

CWindowWnd::~CWindowWnd() {
  if (IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

HWND CWindowWnd::Create(HWND owner, LPCTSTR name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU) {
  SIZE screen = ScreenSize();
  int width = cx == CW_USEDEFAULT ? 0 : cx;
  int height = cy == CW_USEDEFAULT ? 0 : cy;
  int left = x == CW_USEDEFAULT ? (screen.cx - width) / 2 : x;
  int top = y == CW_USEDEFAULT ? (screen.cy - height) / 2 : y;
  return Create(owner, name, style, exStyle, RECT{left, top, left + width, top + height});
}

HWND CWindowWnd::Create(HWND owner, LPCTSTR name, DWORD style, DWORD exStyle, const RECT& rect, HMENU) {
  m_hWnd = RegisterWindow(this, owner, name ? name : L"", GetWindowClassName(), style & ~WS_VISIBLE, exStyle, rect);
  // The handler builds the content and may size the window, so the native window
  // comes after it.
  HandleMessage(WM_CREATE, 0, 0);
  if (WindowRecord* rec = LiveRecord(m_hWnd)) {
    RECT now = rec->rect;
    rec->native = CreateNativeWindow(m_hWnd, rec->title, now);
  }
  if (style & WS_VISIBLE) ShowWindow(true);
  return m_hWnd;
}

UINT CWindowWnd::ShowModal() {
  HWND hwnd = m_hWnd;
  if (!IsWindow(hwnd)) return 0;
  HWND owner = GetWindowOwner(hwnd);
  bool ownerWasDisabled = owner && EnableWindow(owner, false);
  ShowWindow(true);
  ThreadQueue::ForCurrentThread()->RunUntil([hwnd] { return !IsWindow(hwnd); });
  if (owner && !ownerWasDisabled) EnableWindow(owner, true);
  return GetCloseCode(hwnd);
}

void CWindowWnd::Close(UINT ret) { PostMessage(WM_CLOSE, ret, 0); }

void CWindowWnd::ShowWindow(bool show, bool) { DuiLib::ShowWindow(m_hWnd, show); }

void CWindowWnd::CenterWindow() {
  RECT rc;
  if (!GetWindowRect(m_hWnd, &rc)) return;
  RECT area{0, 0, ScreenSize().cx, ScreenSize().cy};
  HWND owner = GetWindowOwner(m_hWnd);
  if (owner) GetWindowRect(owner, &area);
  int left = area.left + (area.Width() - rc.Width()) / 2;
  int top = area.top + (area.Height() - rc.Height()) / 2;
  MoveWindow(m_hWnd, RECT{left, top, left + rc.Width(), top + rc.Height()});
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT rc;
  if (!GetWindowRect(m_hWnd, &rc)) return;
  MoveWindow(m_hWnd, RECT{rc.left, rc.top, rc.left + cx, rc.top + cy});
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DuiLib::SendMessage(m_hWnd, msg, wParam, lParam);
}

bool CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DuiLib::PostMessage(m_hWnd, msg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM, LPARAM) {
  if (msg == WM_CLOSE) DestroyWindow(m_hWnd);
  return 0;
}

void CWindowWnd::OnFinalMessage(HWND) {}

}  // namespace DuiLib
