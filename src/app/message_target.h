#pragma once
// A window as the workers see it: something to post and send numbered messages to. The
// pages give their windows (the skin library's) this face; tarnvikctl and the tests give
// it theirs.

#include <cstdint>

class IMessageTarget {
 public:
  virtual ~IMessageTarget() = default;
  // PostMessage: queued for the window's thread; the caller goes on at once.
  virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // SendMessage: handled before the call returns; the window's answer.
  virtual intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};
