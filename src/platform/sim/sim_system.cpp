#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace sim {

std::wstring SimSystem::SystemDirectory() { return machine_.config().systemDirectory; }

std::wstring SimSystem::ModuleFileName() { return machine_.config().programPath; }

std::optional<std::wstring> SimSystem::SpecialFolderPath(int csidl) {
  const auto& folders = machine_.config().specialFolders;
  auto it = folders.find(csidl);
  if (it == folders.end()) return std::nullopt;
  return it->second;
}

std::optional<platform::FileVersion> SimSystem::ProductVersion(const std::wstring& path) {
  const auto& versions = machine_.config().fileVersions;
  auto it = versions.find(FoldCase(path));
  if (it == versions.end()) return std::nullopt;
  return it->second;
}

std::optional<platform::OsVersion> SimSystem::GetVersion() {
  if (machine_.config().faults.version) return std::nullopt;
  return machine_.config().version;
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

namespace sim {

std::optional<bool> SimSystem::IsWow64Process() { return machine_.config().wow64; }

// Each module answers with the MOF text Windows gives a Win32_PhysicalMemory object.
platform::MemoryQueryReply SimSystem::QueryPhysicalMemory() {
  const Memory& memory = machine_.config().memory;
  platform::MemoryQueryReply reply;
  if (memory.failAt != platform::MemoryQueryStep::None) {
    reply.failedStep = memory.failAt;
    reply.errorCode = memory.errorCode;
    return reply;
  }
  for (const MemoryModule& m : memory.modules) {
    if (!m.hasText) {
      reply.objectTexts.emplace_back();
      continue;
    }
    reply.objectTexts.push_back(L"\ninstance of Win32_PhysicalMemory\n{\n\tBankLabel = \"" +
                                platform::Utf8ToWide(m.bankLabel) + L"\";\n\tCapacity = \"" +
                                std::to_wstring(m.capacityBytes) + L"\";\n};\n");
  }
  return reply;
}

}  // namespace sim
