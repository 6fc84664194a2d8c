#include "usbmaker/tool_windows.h"

#include <thread>

#include "app/log.h"
#include "app/text_helpers.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_driver_timing.h"

ToolDriverTiming toolDriverTiming;

namespace {
constexpr size_t kBufferChars = 200;
}  // namespace

std::wstring ClassOf(platform::WindowHandle window) {
  return platform::Current().windows().GetClassName(window, kBufferChars);
}

std::wstring TextOf(platform::WindowHandle window) {
  return platform::Current().windows().GetWindowText(window, kBufferChars);
}

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

platform::WindowHandle AwaitTopWindow(const std::wstring& className, const std::wstring& title,
                                      const std::atomic<bool>& toolEnded) {
  const auto end = std::chrono::steady_clock::now() + toolDriverTiming.windowBound;
  for (;;) {
    if (toolAbort || toolEnded) return 0;
    if (platform::WindowHandle window = platform::Current().windows().FindWindow(className, title)) return window;
    if (std::chrono::steady_clock::now() >= end) return 0;
    Pause(toolDriverTiming.poll);
  }
}

void Pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

void Trace(std::wstring_view format, std::initializer_list<TemplateValue> values) {
  LogText(WideToLocal(FillTemplate(format, values)));
}
