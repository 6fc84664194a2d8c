#include "interrupts.h"

#include <signal.h>

namespace tarnvikctl {
namespace {

std::atomic<bool>& Flag() {
  static std::atomic<bool> interrupted{false};
  return interrupted;
}

void OnSignal(int) { Flag() = true; }

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>& InterruptFlag() { return Flag(); }

}  // namespace tarnvikctl
