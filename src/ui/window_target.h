#pragma once
// A skinned window as the workers see it: their posted and sent messages go to the
// window's own thread, as PostMessage and SendMessage do.

#include "app/message_target.h"
#include "skin/window_registry.h"

class WindowTarget : public IMessageTarget {
 public:
  explicit WindowTarget(DuiLib::HWND window = nullptr) : window_(window) {}
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    DuiLib::PostMessage(window_, message, wParam, static_cast<DuiLib::LPARAM>(lParam));
  }
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    return static_cast<intptr_t>(DuiLib::SendMessage(window_, message, wParam, static_cast<DuiLib::LPARAM>(lParam)));
  }
  DuiLib::HWND window() const { return window_; }

 private:
  DuiLib::HWND window_;
};
