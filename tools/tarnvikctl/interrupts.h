#pragma once
// Ctrl-C and SIGTERM for the commands that run long work: once CatchInterrupts() has run,
// they raise the flag the command polls, so that it parks its work and ends in order.

#include <atomic>

namespace tarnvikctl {

void CatchInterrupts();
const std::atomic<bool>& InterruptFlag();

}  // namespace tarnvikctl
