#pragma once
// The windows of the simulated applications (sim_window_applications.h) and the window
// automation the program drives them with. A window is a record: class, text, style,
// visibility, the items and selection of a combo box, and its children. The standard
// behaviour of the controls is done here (combo-box messages, the arrow keys in a combo
// box, WM_CLOSE destroying a top-level window); what an application does on top of that
// (a click, a choice of the user) goes to the handler it gave its top-level window.
//
// Sent messages run on the sender's thread with the table locked; posted ones on a
// delivery thread of the table, in order. A handler may change windows, but must not
// wait for anything.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/platform.h"

namespace sim {

struct WindowMessage {
  platform::WindowHandle window = 0;  // the window it was sent to
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// What an application does with a message to one of its windows, after the standard
// behaviour; also told "user chose" (kSelectionChanged) when the arrow keys moved the
// selection of one of its combo boxes, as a user's choice would. Its result, when it has
// one, is the message's result.
using MessageHandler = std::function<std::optional<intptr_t>(const WindowMessage&)>;

// The notification of a combo box whose selection the user changed (CBN_SELCHANGE).
inline constexpr uint32_t kSelectionChanged = 0x8001;

class SimWindows : public platform::Windows {
 public:
  SimWindows() = default;
  ~SimWindows() override;

  // For the applications: a new window, top-level when `parent` is 0, visible, with the
  // handler of its top-level window.
  platform::WindowHandle Create(platform::WindowHandle parent, const std::wstring& className, const std::wstring& text,
                                MessageHandler handler = {});
  // Destroys a window and its children.
  void Destroy(platform::WindowHandle window);
  void SetText(platform::WindowHandle window, const std::wstring& text);
  void SetStyle(platform::WindowHandle window, uint32_t style);
  void SetItems(platform::WindowHandle window, std::vector<std::wstring> items, intptr_t selection);
  // The selected item of a combo box: its index, -1 for none.
  intptr_t Selection(platform::WindowHandle window);
  // Waits, with the table locked between looks, until `done` holds (checked again after
  // every change of the windows and every message), or at most `limit` with one: whether
  // it holds. An application keeps the state its handler changes under this lock too.
  bool WaitUntil(const std::function<bool()>& done,
                 std::optional<std::chrono::milliseconds> limit = std::nullopt);
  // Destroys every window and delivers no more posted messages: the machine is going, and
  // the applications end with their windows.
  void CloseAll();

  platform::WindowHandle FindWindow(const std::wstring& className, const std::wstring& title) override;
  void EnumChildWindows(platform::WindowHandle parent, const std::function<bool(platform::WindowHandle)>& visit) override;
  std::wstring GetClassName(platform::WindowHandle window, size_t bufferChars) override;
  std::wstring GetWindowText(platform::WindowHandle window, size_t bufferChars) override;
  std::optional<std::wstring> GetComboItemText(platform::WindowHandle window, size_t index) override;
  intptr_t SendMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  intptr_t SendMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                       const std::wstring& text) override;
  bool PostMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool ShowWindow(platform::WindowHandle window, int command) override;
  uint32_t GetWindowStyle(platform::WindowHandle window) override;
  bool IsWindow(platform::WindowHandle window) override;

 private:
  struct Window {
    platform::WindowHandle parent = 0;
    std::wstring className, text;
    uint32_t style = 0;
    bool visible = true;
    std::vector<std::wstring> items;
    intptr_t selection = -1;
    std::vector<platform::WindowHandle> children;
    MessageHandler handler;  // top-level windows only
  };

  Window* Find(platform::WindowHandle window);
  intptr_t Deliver(const WindowMessage& message, const std::wstring* text);
  std::optional<intptr_t> Notify(const WindowMessage& message);
  void Select(Window& combo, intptr_t index);
  void DeliverPosted();

  std::recursive_mutex lock_;
  std::condition_variable_any changed_;
  std::map<platform::WindowHandle, Window> windows_;
  platform::WindowHandle next_ = 0x10010;
  std::deque<WindowMessage> posted_;
  bool stopping_ = false;
  std::thread delivery_;  // started with the first posted message
};

}  // namespace sim
