#include <dlfcn.h>

#include <system_error>

#include "platform/sim/sim_services.h"

namespace sim {
namespace fs = std::filesystem;

namespace {
std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }
}  // namespace

std::optional<platform::ModuleHandle> SimModules::LoadLibrary(const std::wstring& name) {
  std::vector<std::wstring> candidates;
  if (name.find_first_of(L"\\/:") != std::wstring::npos) {
    candidates.push_back(name);
  } else {
    candidates.push_back(FolderOf(machine_.config().programPath) + name);
    candidates.push_back(machine_.config().systemDirectory + L"\\" + name);
  }
  for (const std::wstring& candidate : candidates) {
    auto host = machine_.MapPath(candidate);
    std::error_code ec;
    if (!host || !fs::is_regular_file(*host, ec)) continue;
    void* native = dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (native != nullptr) return platform::ModuleHandle{candidate, native};
  }
  return std::nullopt;
}

void* SimModules::GetProcAddress(const platform::ModuleHandle& module, const std::string& name) {
  return module.native == nullptr ? nullptr : dlsym(module.native, name.c_str());
}

void SimModules::FreeLibrary(const platform::ModuleHandle& module) {
  if (module.native != nullptr) dlclose(module.native);
}

}  // namespace sim
