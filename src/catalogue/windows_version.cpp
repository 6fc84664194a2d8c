#include "catalogue/windows_version.h"

#include <map>

#include "platform/platform.h"

namespace {

// RegQueryValueEx reads both values into a buffer of this many bytes.
constexpr uint32_t kValueBufferBytes = 250;

}  // namespace

std::optional<std::wstring> ReadCurrentVersionValue(const std::wstring& name) {
  auto& registry = platform::Current().registry();
  auto key = registry.OpenKey(platform::RegistryRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  if (!key) return std::nullopt;
  return registry.ReadWideString(*key, name, kValueBufferBytes);
}

std::wstring EditionName() {
  static const std::map<std::wstring, std::wstring> names = {
      {L"Starter", L"简易版"},      {L"HomeBasic", L"家庭普通版"}, {L"HomePremium", L"家庭高级版"},
      {L"Professional", L"专业版"}, {L"Ultimate", L"旗舰版"},      {L"Enterprise", L"企业版"},
      {L"Core", L"家庭版"}};
  auto edition = ReadCurrentVersionValue(L"EditionID");
  if (!edition) return L"";
  auto it = names.find(*edition);
  return it == names.end() ? L"" : it->second;
}

bool RunsUnderWow64() { return platform::Current().system().IsWow64Process().value_or(false); }
