#include "platform/sim/sim_windows.h"

#include <algorithm>
#include <cwctype>

namespace sim {

SimWindows::~SimWindows() { CloseAll(); }

void SimWindows::CloseAll() {
  std::thread delivery;
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
    posted_.clear();
    windows_.clear();
    delivery = std::move(delivery_);
  }
  changed_.notify_all();
  if (delivery.joinable()) delivery.join();
}

platform::WindowHandle SimWindows::Create(platform::WindowHandle parent, const std::wstring& className,
                                          const std::wstring& text, MessageHandler handler) {
  std::lock_guard guard(lock_);
  if (stopping_) return 0;
  const platform::WindowHandle handle = next_;
  next_ += 2;
  Window window;
  window.parent = parent;
  window.className = className;
  window.text = text;
  window.handler = std::move(handler);
  windows_[handle] = std::move(window);
  if (Window* owner = Find(parent)) owner->children.push_back(handle);
  changed_.notify_all();
  return handle;
}

void SimWindows::Destroy(platform::WindowHandle window) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  if (found == nullptr) return;
  for (platform::WindowHandle child : std::vector(found->children)) Destroy(child);
  if (Window* parent = Find(found->parent)) std::erase(parent->children, window);
  windows_.erase(window);
  changed_.notify_all();
}

void SimWindows::SetText(platform::WindowHandle window, const std::wstring& text) {
  std::lock_guard guard(lock_);
  changed_.notify_all();
  if (Window* found = Find(window)) found->text = text;
}

void SimWindows::SetStyle(platform::WindowHandle window, uint32_t style) {
  std::lock_guard guard(lock_);
  changed_.notify_all();
  if (Window* found = Find(window)) found->style = style;
}

void SimWindows::SetItems(platform::WindowHandle window, std::vector<std::wstring> items, intptr_t selection) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  if (found == nullptr) return;
  changed_.notify_all();
  found->items = std::move(items);
  Select(*found, selection);
}

intptr_t SimWindows::Selection(platform::WindowHandle window) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  return found != nullptr ? found->selection : platform::kCbErr;
}

bool SimWindows::WaitUntil(const std::function<bool()>& done, std::optional<std::chrono::milliseconds> limit) {
  std::unique_lock guard(lock_);
  if (!limit) {
    changed_.wait(guard, done);
    return true;
  }
  return changed_.wait_for(guard, *limit, done);
}

SimWindows::Window* SimWindows::Find(platform::WindowHandle window) {
  auto found = windows_.find(window);
  return found != windows_.end() ? &found->second : nullptr;
}

// A combo box shows its selected item in its edit field.
void SimWindows::Select(Window& combo, intptr_t index) {
  combo.selection = index >= 0 && static_cast<size_t>(index) < combo.items.size() ? index : platform::kCbErr;
  combo.text = combo.selection >= 0 ? combo.items[static_cast<size_t>(combo.selection)] : L"";
}

platform::WindowHandle SimWindows::FindWindow(const std::wstring& className, const std::wstring& title) {
  std::lock_guard guard(lock_);
  for (const auto& [handle, window] : windows_) {
    if (window.parent == 0 && window.className == className && window.text == title) return handle;
  }
  return 0;
}

void SimWindows::EnumChildWindows(platform::WindowHandle parent,
                                  const std::function<bool(platform::WindowHandle)>& visit) {
  // The walk sees the windows as they were when it began, as a window list taken at once.
  std::vector<platform::WindowHandle> order;
  {
    std::lock_guard guard(lock_);
    std::function<void(platform::WindowHandle)> collect = [&](platform::WindowHandle window) {
      Window* found = Find(window);
      if (found == nullptr) return;
      for (platform::WindowHandle child : found->children) {
        order.push_back(child);
        collect(child);
      }
    };
    collect(parent);
  }
  for (platform::WindowHandle child : order) {
    if (!visit(child)) return;
  }
}

std::wstring SimWindows::GetClassName(platform::WindowHandle window, size_t bufferChars) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  if (found == nullptr || bufferChars == 0) return L"";
  return found->className.substr(0, bufferChars - 1);
}

std::wstring SimWindows::GetWindowText(platform::WindowHandle window, size_t bufferChars) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  if (found == nullptr || bufferChars == 0) return L"";
  return found->text.substr(0, bufferChars - 1);
}

std::optional<std::wstring> SimWindows::GetComboItemText(platform::WindowHandle window, size_t index) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  if (found == nullptr || index >= found->items.size()) return std::nullopt;
  return found->items[index];
}

intptr_t SimWindows::SendMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return Deliver(WindowMessage{window, message, wParam, lParam}, nullptr);
}

intptr_t SimWindows::SendMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                                 const std::wstring& text) {
  return Deliver(WindowMessage{window, message, wParam, 0}, &text);
}

bool SimWindows::PostMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard guard(lock_);
  if (Find(window) == nullptr || stopping_) return false;
  posted_.push_back(WindowMessage{window, message, wParam, lParam});
  if (!delivery_.joinable()) delivery_ = std::thread([this] { DeliverPosted(); });
  changed_.notify_all();
  return true;
}

void SimWindows::DeliverPosted() {
  std::unique_lock guard(lock_);
  for (;;) {
    changed_.wait(guard, [&] { return stopping_ || !posted_.empty(); });
    if (stopping_) return;
    const WindowMessage message = posted_.front();
    posted_.pop_front();
    Deliver(message, nullptr);
  }
}

bool SimWindows::ShowWindow(platform::WindowHandle window, int command) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  if (found == nullptr) return false;
  const bool wasVisible = found->visible;
  found->visible = command != platform::kSwHide;
  return wasVisible;
}

uint32_t SimWindows::GetWindowStyle(platform::WindowHandle window) {
  std::lock_guard guard(lock_);
  Window* found = Find(window);
  return found != nullptr ? found->style | (found->visible ? 0x10000000u : 0u) : 0;  // WS_VISIBLE
}

bool SimWindows::IsWindow(platform::WindowHandle window) {
  std::lock_guard guard(lock_);
  return Find(window) != nullptr;
}

namespace {

// CB_FINDSTRING: the first item from the one after `start` on, going round, that begins
// with the prefix, without case; the whole list from the top when `start` is -1 or past
// the end.
intptr_t FindPrefix(const std::vector<std::wstring>& items, uintptr_t start, const std::wstring& prefix) {
  auto fold = [](std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
  };
  const std::wstring wanted = fold(prefix);
  const size_t count = items.size();
  const size_t first = static_cast<intptr_t>(start) < 0 || start >= count ? 0 : start + 1;
  for (size_t step = 0; step < count; ++step) {
    const size_t index = (first + step) % count;
    if (fold(items[index]).compare(0, wanted.size(), wanted) == 0) return static_cast<intptr_t>(index);
  }
  return platform::kCbErr;
}

}  // namespace

intptr_t SimWindows::Deliver(const WindowMessage& message, const std::wstring* text) {
  std::lock_guard guard(lock_);
  changed_.notify_all();  // woken waiters look once the message is done and the lock free
  Window* window = Find(message.window);
  if (window == nullptr) return 0;
  const bool isCombo = window->className.find(L"ComboBox") != std::wstring::npos;
  intptr_t result = 0;
  switch (message.message) {
    case platform::kCbGetCount:
      result = isCombo ? static_cast<intptr_t>(window->items.size()) : 0;
      break;
    case platform::kCbGetCurSel:
      result = isCombo ? window->selection : 0;
      break;
    case platform::kCbSetCurSel:
      if (isCombo) {
        Select(*window, static_cast<intptr_t>(message.wParam));
        result = static_cast<intptr_t>(message.wParam) == window->selection ? window->selection : platform::kCbErr;
      }
      break;
    case platform::kCbAddString:
      if (isCombo && text != nullptr) {
        window->items.push_back(*text);
        result = static_cast<intptr_t>(window->items.size()) - 1;
      }
      break;
    case platform::kCbFindString:
      if (isCombo && text != nullptr) result = FindPrefix(window->items, message.wParam, *text);
      break;
    case platform::kWmKeyDown:
      // The arrow keys move the selection of a combo box, as the user's choice.
      if (isCombo && (message.wParam == platform::kVkUp || message.wParam == platform::kVkDown) &&
          !window->items.empty()) {
        const intptr_t last = static_cast<intptr_t>(window->items.size()) - 1;
        const intptr_t moved = message.wParam == platform::kVkUp ? std::max<intptr_t>(window->selection - 1, 0)
                                                                 : std::min(window->selection + 1, last);
        if (moved != window->selection) {
          Select(*window, moved);
          Notify(WindowMessage{message.window, kSelectionChanged, static_cast<uintptr_t>(moved), 0});
        }
      }
      break;
    default:
      break;
  }
  if (Find(message.window) == nullptr) return result;
  if (std::optional<intptr_t> handled = Notify(message)) return *handled;
  // A top-level window the application lets close goes with its children.
  if (message.message == platform::kWmClose && Find(message.window)->parent == 0) Destroy(message.window);
  return result;
}

// The handler of the window's top-level window.
std::optional<intptr_t> SimWindows::Notify(const WindowMessage& message) {
  platform::WindowHandle top = message.window;
  while (Window* window = Find(top)) {
    if (window->parent == 0) {
      if (!window->handler) return std::nullopt;
      MessageHandler handler = window->handler;  // the window may go while it runs
      return handler(message);
    }
    top = window->parent;
  }
  return std::nullopt;
}

}  // namespace sim
