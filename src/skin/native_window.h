#pragma once
// What a window shows on a screen. Headless, a window has none: it is drawn only when
// captured. With a display, each window of a thread gets a native window on that thread's
// own display connection, which feeds mouse and close events back as window messages.

#include <memory>
#include <optional>
#include <string>

#include "skin/types.h"

namespace DuiLib {

class Surface;

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  virtual void Show(bool show) = 0;
  virtual void Move(const RECT& rect) = 0;
  virtual void Present(const Surface& surface) = 0;
};

enum class DisplayMode { Headless, X11 };

// Headless unless the program or a test asks for X11 (which needs an X server).
void SetDisplayMode(DisplayMode mode);
DisplayMode CurrentDisplayMode();
// The size of the screen of this thread's display; none when headless, or when no X
// server can be reached.
std::optional<SIZE> DisplayScreenSize();
// Null when headless, or when no X server can be reached.
std::unique_ptr<NativeWindow> CreateNativeWindow(HWND hwnd, const std::wstring& title, const RECT& rect);

}  // namespace DuiLib
