#pragma once
// What both window drivers do with a tool's windows: read a control's class and text
// into 200-unit buffers, test them by "contains" (case-sensitive), wait for a top-level
// window, pause.

#include <atomic>
#include <chrono>
#include <string>

#include "app/template_fill.h"
#include "platform/platform.h"

std::wstring ClassOf(platform::WindowHandle window);
std::wstring TextOf(platform::WindowHandle window);
bool Contains(const std::wstring& text, const wchar_t* part);

// The top-level window of the class and title once it exists; 0 when `toolAbort` is set,
// the tool has ended (`toolEnded`: its window will not come any more) or
// toolDriverTiming.windowBound passes first.
platform::WindowHandle AwaitTopWindow(const std::wstring& className, const std::wstring& title,
                                      const std::atomic<bool>& toolEnded);

// A trace line of a driver: the template filled, in the narrow code page.
void Trace(std::wstring_view format, std::initializer_list<TemplateValue> values = {});

void Pause(std::chrono::milliseconds duration);
