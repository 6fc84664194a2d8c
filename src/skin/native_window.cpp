#include "skin/native_window.h"

#include <atomic>

namespace DuiLib {

std::unique_ptr<NativeWindow> CreateX11Window(HWND hwnd, const std::wstring& title, const RECT& rect);
std::optional<SIZE> X11ScreenSize();

namespace {
std::atomic<DisplayMode> mode{DisplayMode::Headless};
}

void SetDisplayMode(DisplayMode newMode) { mode = newMode; }

DisplayMode CurrentDisplayMode() { return mode; }

std::optional<SIZE> DisplayScreenSize() {
  if (mode == DisplayMode::Headless) return std::nullopt;
  return X11ScreenSize();
}

std::unique_ptr<NativeWindow> CreateNativeWindow(HWND hwnd, const std::wstring& title, const RECT& rect) {
  if (mode == DisplayMode::Headless) return nullptr;
  return CreateX11Window(hwnd, title, rect);
}

}  // namespace DuiLib
