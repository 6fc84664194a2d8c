#pragma once
// Where the USB maker's download worker hands finished images: the make worker, which
// copies them onto the disk one by one, once there is one.

#include <string>

class IImageQueue {
 public:
  virtual ~IImageQueue() = default;
  // False when nobody takes the image now (no make worker yet): it is offered again later.
  virtual bool Enqueue(const std::wstring& path) = 0;
  // No image follows.
  virtual void EnqueueEnd() = 0;
};
