#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/sim/sim_services.h"

namespace sim {

std::wstring SimSystem::SystemDirectory() { return machine_.config().systemDirectory; }

std::wstring SimSystem::ModuleFileName() { return machine_.config().programPath; }

std::optional<platform::FileVersion> SimSystem::ProductVersion(const std::wstring& path) {
  const auto& versions = machine_.config().fileVersions;
  auto it = versions.find(FoldCase(path));
  if (it == versions.end()) return std::nullopt;
  return it->second;
}

int64_t SimSystem::CurrentTime() {
  if (machine_.config().fixedTime) return *machine_.config().fixedTime;
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The generator of the Windows C run-time library, so that a seeded sequence is the one
// a Windows machine draws.
void SimSystem::SeedRandom(uint32_t seed) {
  std::lock_guard lock(randomLock_);
  randomState_ = seed;
}

int SimSystem::NextRandom() {
  std::lock_guard lock(randomLock_);
  randomState_ = randomState_ * 214013u + 2531011u;
  return static_cast<int>((randomState_ >> 16) & 0x7FFF);
}

// As on Windows, nothing of the process runs after this: no static destructors, which
// would race the threads still running.
void SimSystem::ExitProcess(int exitCode) {
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

}  // namespace sim
