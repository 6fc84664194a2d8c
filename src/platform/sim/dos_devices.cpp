#include "platform/sim/dos_devices.h"

#include "platform/codepage.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/state_files.h"

namespace sim {
std::optional<PartitionAddress> ParseDevicePath(const std::wstring& path) {
  const std::wstring prefix = L"\\device\\harddisk", middle = L"\\partition";
  std::wstring folded = FoldCase(path);
  if (folded.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  size_t split = folded.find(middle, prefix.size());
  if (split == std::wstring::npos) return std::nullopt;
  auto disk = ParseDecimal(folded.substr(prefix.size(), split - prefix.size()));
  auto partition = ParseDecimal(folded.substr(split + middle.size()));
  if (!disk || !partition) return std::nullopt;
  return PartitionAddress{*disk, *partition};
}

std::map<wchar_t, std::wstring> ReadDosDevices(const SimPlatform& machine) {
  const auto file = machine.StateFile(kDosDevicesFile);
  std::map<wchar_t, std::wstring> mapped;
  const Json::Value root = ReadStateObject(file);
  for (const std::string& name : root.getMemberNames()) {
    const Json::Value& target = root[name];
    if (name.size() != 1 || !std::isalpha(static_cast<unsigned char>(name[0])) || !target.isString()) {
      ReportStateProblem(file.string() + ": field '" + name + "' must be one drive letter mapped to a device path text; left out");
      continue;
    }
    mapped[static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(name[0])))] =
        platform::Utf8ToWide(target.asString());
  }
  return mapped;
}

}  // namespace sim
