#include "skin/window.h"

#include <algorithm>
#include <optional>

#include "skin/message_queue.h"
#include "skin/native_window.h"
#include "skin/window_registry.h"

namespace DuiLib {

SIZE ScreenSize() {
  if (std::optional<SIZE> display = DisplayScreenSize()) return *display;
  return {1920, 1080};
}

namespace {

// `size` centred over `area`, then moved as little as needed to lie on the screen; a
// window larger than the screen keeps its top left corner (and title band) on it.
RECT CentredOnScreen(const RECT& area, SIZE size) {
  SIZE screen = ScreenSize();
  int left = area.left + (area.Width() - size.cx) / 2;
  int top = area.top + (area.Height() - size.cy) / 2;
  left = std::max(0, std::min(left, screen.cx - size.cx));
  top = std::max(0, std::min(top, screen.cy - size.cy));
  return RECT{left, top, left + size.cx, top + size.cy};
}

RECT ScreenArea() {
  SIZE screen = ScreenSize();
  return RECT{0, 0, screen.cx, screen.cy};
}

}  // namespace

CWindowWnd::~CWindowWnd() {
  if (IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

HWND CWindowWnd::Create(HWND owner, LPCTSTR name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU) {
  int width = cx == CW_USEDEFAULT ? 0 : cx;
  int height = cy == CW_USEDEFAULT ? 0 : cy;
  RECT centred = CentredOnScreen(ScreenArea(), SIZE{width, height});
  int left = x == CW_USEDEFAULT ? centred.left : x;
  int top = y == CW_USEDEFAULT ? centred.top : y;
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
  RECT area = ScreenArea();
  HWND owner = GetWindowOwner(m_hWnd);
  if (owner) GetWindowRect(owner, &area);
  MoveWindow(m_hWnd, CentredOnScreen(area, SIZE{rc.Width(), rc.Height()}));
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
