#include "skin/automation.h"

#include "platform/codepage.h"
#include "skin/container.h"
#include "skin/list.h"
#include "skin/option.h"
#include "skin/paint_manager.h"
#include "skin/progress.h"
#include "skin/window_impl_base.h"
#include "skin/window_registry.h"

namespace DuiLib::automation {
namespace {

WindowImplBase* SkinnedWindow(HWND hwnd) {
  WindowRecord* rec = LiveRecord(hwnd);
  return rec ? dynamic_cast<WindowImplBase*>(rec->wnd) : nullptr;
}

// Runs `read` on the window's thread with its paint manager, once the thread is idle.
template <typename F>
void OnIdleWindow(HWND hwnd, F read) {
  RunOnWindowThread(
      hwnd,
      [&] {
        if (WindowImplBase* wnd = SkinnedWindow(hwnd)) {
          wnd->GetPaintManager().UpdateLayout();
          read(wnd->GetPaintManager());
        }
      },
      true);
}

void SendClick(HWND hwnd, POINT pt) {
  LPARAM at = MakePointParam(pt.x, pt.y);
  DispatchWindowMessage(hwnd, WM_MOUSEMOVE, 0, at);
  DispatchWindowMessage(hwnd, WM_LBUTTONDOWN, 0, at);
  DispatchWindowMessage(hwnd, WM_LBUTTONUP, 0, at);
}

// "no window of class "X" within N ms; the live windows: "A" titled "a", ..." for `seen`.
std::string NoWindowOfClass(const CDuiString& className, int timeoutMs, const std::vector<HWND>& seen) {
  const auto quoted = [](const std::wstring& text) { return "\"" + platform::WideToUtf8(text) + "\""; };
  std::string text = "no window of class " + quoted(className) + " within " + std::to_string(timeoutMs) + " ms; ";
  if (seen.empty()) return text + "there was no live window";
  text += "the live windows:";
  for (HWND hwnd : seen) {
    text += (hwnd == seen.front() ? " " : ", ") + quoted(GetWindowClass(hwnd)) + " titled " + quoted(GetWindowTitle(hwnd));
  }
  return text;
}

POINT Centre(const RECT& rc) { return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

bool IsInside(CControlUI* control, CControlUI* ancestor) {
  for (CControlUI* c = control; c; c = c->GetParent()) {
    if (c == ancestor) return true;
  }
  return false;
}

}  // namespace

FoundWindow WaitForWindowOfClass(const CDuiString& className, int timeoutMs) {
  if (HWND hwnd = WaitForWindow([&](HWND hwnd) { return GetWindowClass(hwnd) == className; }, timeoutMs)) {
    return {hwnd, {}};
  }
  return {nullptr, NoWindowOfClass(className, timeoutMs, LiveWindows())};
}

void WaitIdle(HWND hwnd) { RunOnWindowThread(hwnd, [] {}, true); }

std::optional<ControlState> Inspect(HWND hwnd, const CDuiString& name) {
  std::optional<ControlState> state;
  OnIdleWindow(hwnd, [&](CPaintManagerUI& pm) {
    CControlUI* control = pm.FindControl(name);
    if (!control) return;
    ControlState s;
    s.text = control->GetText();
    s.visible = control->IsVisible();
    s.enabled = control->IsEnabled();
    s.pos = control->GetPos();
    s.className = control->GetClass();
    s.bkImage = control->GetBkImage();
    if (auto* progress = static_cast<CProgressUI*>(control->GetInterface(L"Progress"))) s.value = progress->GetValue();
    if (auto* option = static_cast<COptionUI*>(control->GetInterface(L"Option"))) s.selected = option->IsSelected();
    if (auto* item = static_cast<IListItemUI*>(control->GetInterface(L"ListItem"))) s.selected = item->IsSelected();
    state = s;
  });
  return state;
}

CDuiString Text(HWND hwnd, const CDuiString& name) {
  auto s = Inspect(hwnd, name);
  return s ? s->text : CDuiString();
}

bool IsVisible(HWND hwnd, const CDuiString& name) {
  auto s = Inspect(hwnd, name);
  return s && s->visible;
}

bool IsEnabled(HWND hwnd, const CDuiString& name) {
  auto s = Inspect(hwnd, name);
  return s && s->enabled;
}

bool IsSelected(HWND hwnd, const CDuiString& name) {
  auto s = Inspect(hwnd, name);
  return s && s->selected;
}

bool Click(HWND hwnd, const CDuiString& name) {
  bool reached = false;
  OnIdleWindow(hwnd, [&](CPaintManagerUI& pm) {
    CControlUI* control = pm.FindControl(name);
    if (!control || !control->IsVisible()) return;
    POINT pt = Centre(control->GetPos());
    reached = IsInside(pm.FindControl(pt), control) && IsWindowEnabled(hwnd);
    SendClick(hwnd, pt);
  });
  return reached;
}

void ClickAt(HWND hwnd, POINT point) {
  RunOnWindowThread(hwnd, [&] { SendClick(hwnd, point); }, true);
}

bool ClickRow(HWND hwnd, const CDuiString& listName, int index) {
  bool reached = false;
  OnIdleWindow(hwnd, [&](CPaintManagerUI& pm) {
    auto* list = dynamic_cast<CListUI*>(pm.FindControl(listName));
    CControlUI* row = list ? list->GetItemAt(index) : nullptr;
    if (!row || !row->IsVisible()) return;
    list->EnsureVisible(index);
    pm.UpdateLayout();
    POINT pt = Centre(row->GetPos());
    reached = IsInside(pm.FindControl(pt), row) && IsWindowEnabled(hwnd);
    SendClick(hwnd, pt);
  });
  return reached;
}

void CloseFromTitleBar(HWND hwnd) { PostMessage(hwnd, WM_CLOSE, 0, 0); }

bool Capture(HWND hwnd, const std::string& hostPath) {
  bool written = false;
  RunOnWindowThread(
      hwnd,
      [&] {
        if (WindowImplBase* wnd = SkinnedWindow(hwnd)) {
          auto surface = wnd->RenderNow();
          written = surface && surface->WritePng(hostPath);
        }
      },
      true);
  return written;
}

}  // namespace DuiLib::automation
