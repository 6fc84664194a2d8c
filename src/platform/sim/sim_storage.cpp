#include <cwctype>

#include "platform/sim/sim_services.h"

namespace sim {
namespace {

struct DeviceTarget {
  const Disk* disk = nullptr;
  const Partition* volume = nullptr;  // set for a volume device
};

// "\\\\.\\C:" is the volume C:, "\\\\.\\PhysicalDrive0" is disk 0.
std::optional<DeviceTarget> Resolve(const MachineConfig& m, const std::wstring& path) {
  const std::wstring prefix = L"\\\\.\\";
  if (path.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::wstring rest = path.substr(prefix.size());
  if (rest.size() == 2 && rest[1] == L':') {
    wchar_t letter = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(rest[0])));
    for (const Disk& d : m.disks) {
      for (const Partition& p : d.partitions) {
        if (p.letter == letter) return DeviceTarget{&d, &p};
      }
    }
    return std::nullopt;
  }
  const std::wstring drive = L"physicaldrive";
  std::wstring folded = FoldCase(rest);
  if (folded.compare(0, drive.size(), drive) != 0 || folded.size() == drive.size()) return std::nullopt;
  std::wstring digits = folded.substr(drive.size());
  if (digits.find_first_not_of(L"0123456789") != std::wstring::npos || digits.size() > 9) return std::nullopt;
  uint32_t number = static_cast<uint32_t>(std::stoul(digits));
  for (const Disk& d : m.disks) {
    if (d.number == number) return DeviceTarget{&d, nullptr};
  }
  return std::nullopt;
}

}  // namespace

std::optional<platform::DeviceHandle> SimStorage::OpenDevice(const std::wstring& path, platform::DeviceAccess) {
  const MachineConfig& m = machine_.config();
  if (m.faults.devices.count(FoldCase(path)) != 0 || !Resolve(m, path)) return std::nullopt;
  return platform::DeviceHandle{path, nullptr};
}

std::optional<std::vector<platform::DiskExtent>> SimStorage::VolumeDiskExtents(const platform::DeviceHandle& device,
                                                                              uint32_t bufferBytes) {
  auto target = Resolve(machine_.config(), device.path);
  if (!target || target->volume == nullptr) return std::nullopt;
  std::vector<platform::DiskExtent> extents{
      {target->disk->number, target->volume->offsetBytes, target->volume->sizeBytes}};
  for (uint32_t other : target->volume->alsoOnDisks) extents.push_back({other, 0, target->volume->sizeBytes});
  // The reply is a count (padded to 8 bytes) followed by 24 bytes an extent.
  if (bufferBytes < 8 + 24 * extents.size()) return std::nullopt;
  return extents;
}

std::optional<platform::StorageDeviceDescriptor> SimStorage::StorageDeviceProperty(
    const platform::DeviceHandle& device, uint32_t bufferBytes) {
  auto target = Resolve(machine_.config(), device.path);
  if (!target || bufferBytes < 40) return std::nullopt;  // smaller than the fixed descriptor
  const Disk& d = *target->disk;
  return platform::StorageDeviceDescriptor{d.busType, d.removableMedia, "", d.friendlyName};
}

}  // namespace sim
