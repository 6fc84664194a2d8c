#pragma once
// A window of the library: created on the calling thread, driven by its message handler.

#include "skin/types.h"

namespace DuiLib {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // CW_USEDEFAULT for a coordinate keeps the default: position centred on the screen,
  // size given by the window itself (the skin).
  HWND Create(HWND owner, LPCTSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT,
              int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  HWND Create(HWND owner, LPCTSTR name, DWORD style, DWORD exStyle, const RECT& rect, HMENU menu = nullptr);

  // Runs the window modally (its owner is disabled meanwhile) and returns the code given
  // to Close. Modal runs nest.
  UINT ShowModal();
  void Close(UINT ret = 1);
  void ShowWindow(bool show = true, bool takeFocus = true);
  void CenterWindow();
  void ResizeClient(int cx, int cy);

  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Called by the message loop when the thread falls idle.
  virtual void OnIdle() {}
  virtual void OnFinalMessage(HWND hwnd);

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  virtual LPCTSTR GetSuperClassName() const { return nullptr; }
  virtual UINT GetClassStyle() const { return 0; }

  HWND m_hWnd = nullptr;
};

// The size of the screen windows are centred on: the display's with X11, a screen of
// 1920 x 1080 headless (or when no X server answers).
SIZE ScreenSize();

}  // namespace DuiLib
