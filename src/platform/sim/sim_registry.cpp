#include <set>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace sim {
namespace {

std::wstring RootName(platform::RegistryRoot root) {
  return root == platform::RegistryRoot::LocalMachine ? L"hklm" : L"hkcu";
}

// The folded full path of a key; the key's path keeps its root in front.
std::wstring Child(const std::wstring& parent, const std::wstring& name) {
  return FoldCase(parent + L"\\" + name);
}

}  // namespace

bool SimRegistry::KeyExists(const std::wstring& folded) const {
  // A key exists when it has values or any key below it does.
  const auto& registry = machine_.config().registry;
  if (registry.count(folded) != 0) return true;
  std::wstring prefix = folded + L"\\";
  auto below = registry.lower_bound(prefix);
  return below != registry.end() && below->first.compare(0, prefix.size(), prefix) == 0;
}

std::optional<platform::RegistryKey> SimRegistry::OpenKey(platform::RegistryRoot root, const std::wstring& path) {
  std::wstring full = Child(RootName(root), path);
  if (!KeyExists(full)) return std::nullopt;
  return platform::RegistryKey{full, nullptr};
}

std::optional<platform::RegistryKey> SimRegistry::OpenSubkey(const platform::RegistryKey& parent,
                                                             const std::wstring& name) {
  std::wstring full = Child(parent.path, name);
  if (!KeyExists(full)) return std::nullopt;
  return platform::RegistryKey{full, nullptr};
}

std::optional<uint32_t> SimRegistry::SubkeyCount(const platform::RegistryKey& key) {
  const MachineConfig& m = machine_.config();
  if (m.faults.registryKeyInfo.count(key.path) != 0) return std::nullopt;
  std::wstring prefix = key.path + L"\\";
  std::set<std::wstring> children;
  for (auto it = m.registry.lower_bound(prefix); it != m.registry.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    std::wstring rest = it->first.substr(prefix.size());
    children.insert(rest.substr(0, rest.find(L'\\')));
  }
  return static_cast<uint32_t>(children.size());
}

const RegistryValue* SimRegistry::Find(const platform::RegistryKey& key, const std::string& name) const {
  const auto& registry = machine_.config().registry;
  auto it = registry.find(key.path);
  if (it == registry.end()) return nullptr;
  auto value = it->second.find(FoldCase(name));
  return value == it->second.end() ? nullptr : &value->second;
}

std::optional<std::string> SimRegistry::ReadAnsiString(const platform::RegistryKey& key, const std::string& name,
                                                       uint32_t bufferBytes) {
  const RegistryValue* v = Find(key, name);
  if (v == nullptr || !std::holds_alternative<std::string>(*v)) return std::nullopt;
  // machine.json holds UTF-8; the ANSI form is code page 936, and it must fit with its zero.
  std::string ansi = platform::WideToCodePage936(platform::Utf8ToWide(std::get<std::string>(*v)));
  if (ansi.size() + 1 > bufferBytes) return std::nullopt;
  return ansi;
}

std::optional<uint32_t> SimRegistry::ReadDword(const platform::RegistryKey& key, const std::string& name) {
  const RegistryValue* v = Find(key, name);
  if (v == nullptr || !std::holds_alternative<uint32_t>(*v)) return std::nullopt;
  return std::get<uint32_t>(*v);
}

std::optional<std::wstring> SimRegistry::ReadWideString(const platform::RegistryKey& key, const std::wstring& name,
                                                        uint32_t bufferBytes) {
  const RegistryValue* v = Find(key, platform::WideToUtf8(name));
  if (v == nullptr || !std::holds_alternative<std::string>(*v)) return std::nullopt;
  std::wstring text = platform::Utf8ToWide(std::get<std::string>(*v));
  if ((text.size() + 1) * 2 > bufferBytes) return std::nullopt;  // two bytes a character, and the zero
  return text;
}

}  // namespace sim
