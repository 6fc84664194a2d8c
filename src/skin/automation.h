#pragma once
// Driving windows from tests and scripted runs. Every call may come from any thread: it
// runs on the window's own thread once that thread has nothing else pending, so what it
// reads includes every update handed to the window before. Clicks go through the same
// hit-testing and mouse messages as a real mouse, so a hidden, covered or disabled
// control, or a disabled window, does not take them.

#include <optional>
#include <string>

#include "skin/types.h"

namespace DuiLib::automation {

struct ControlState {
  CDuiString text;
  bool visible = false;
  bool enabled = false;
  bool selected = false;  // options and list rows
  RECT pos;               // in window coordinates
  CDuiString className;
  CDuiString bkImage;
  int value = 0;          // progress bars
};

// What a wait for a window ends with: the window, or why there is none.
struct FoundWindow {
  HWND hwnd = nullptr;
  // Without a window: the class waited for and the windows alive at the end, each with
  // its class and title, so that a failing test shows what came up instead.
  std::string failure;
  explicit operator bool() const { return hwnd != nullptr; }
};

// The first live window of this class, waiting up to `timeoutMs` for it to appear.
FoundWindow WaitForWindowOfClass(const CDuiString& className, int timeoutMs = 30000);
// Waits until the window's thread is idle.
void WaitIdle(HWND hwnd);

std::optional<ControlState> Inspect(HWND hwnd, const CDuiString& name);
CDuiString Text(HWND hwnd, const CDuiString& name);
bool IsVisible(HWND hwnd, const CDuiString& name);
bool IsEnabled(HWND hwnd, const CDuiString& name);
bool IsSelected(HWND hwnd, const CDuiString& name);

// Moves the mouse to the centre of the named control and clicks there; true when the
// control under the mouse was the named one or inside it.
bool Click(HWND hwnd, const CDuiString& name);
// Clicks at a point of the window.
void ClickAt(HWND hwnd, POINT point);
// Clicks row `index` of a list.
bool ClickRow(HWND hwnd, const CDuiString& listName, int index);
// The window closes as from its title bar (WM_CLOSE with 0).
void CloseFromTitleBar(HWND hwnd);

// Renders the window and writes it as a PNG file of the host.
bool Capture(HWND hwnd, const std::string& hostPath);

}  // namespace DuiLib::automation
