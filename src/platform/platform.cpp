#include "platform/platform.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
std::atomic<Platform*> current{nullptr};
}

Platform& Current() {
  Platform* p = current.load(std::memory_order_acquire);
  if (p == nullptr) {
    std::fputs("platform: no platform installed\n", stderr);
    std::abort();
  }
  return *p;
}

void Install(Platform* platform) { current.store(platform, std::memory_order_release); }

ScopedPlatform::ScopedPlatform(Platform& platform)
    : previous_(current.exchange(&platform, std::memory_order_acq_rel)) {}

ScopedPlatform::~ScopedPlatform() { current.store(previous_, std::memory_order_release); }

}  // namespace platform
