#include <cwctype>

#include <json/json.h>

#include <system_error>

#include "platform/codepage.h"
#include "platform/sim/dos_devices.h"
#include "platform/sim/drive_letters.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/state_files.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

// FILE_DEVICE_DISK, the device type of disks and their volumes.
constexpr uint32_t kFileDeviceDisk = 7;

// What a device path opens: a disk, or one of its partitions (a volume, or a partition
// opened by number).
struct DeviceTarget {
  const Disk* disk = nullptr;
  const Partition* partition = nullptr;
  bool isVolume = false;  // opened by drive letter
};

const Disk* FindDisk(const MachineConfig& m, uint32_t number) {
  for (const Disk& d : m.disks) {
    if (d.number == number) return &d;
  }
  return nullptr;
}

// The device path of a disk's one interface.
std::wstring InterfacePath(const Disk& d) {
  return L"\\\\?\\disk#sim#" + std::to_wstring(d.number) + L"#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

// "\\\\.\\C:" is the volume C:, "\\\\.\\PhysicalDrive0" disk 0, "\\\\?\\Harddisk0Partition1"
// partition 1 of disk 0, and each disk's interface path names the disk.
std::optional<DeviceTarget> Resolve(const MachineConfig& m, const std::wstring& path) {
  const std::wstring local = L"\\\\.\\", global = L"\\\\?\\";
  std::wstring folded = FoldCase(path);
  if (folded.compare(0, local.size(), local) == 0) {
    std::wstring rest = folded.substr(local.size());
    if (rest.size() == 2 && rest[1] == L':') {
      auto found = FindVolume(m, rest[0]);
      if (!found) return std::nullopt;
      return DeviceTarget{found->disk, found->volume, true};
    }
    const std::wstring drive = L"physicaldrive";
    if (rest.compare(0, drive.size(), drive) != 0) return std::nullopt;
    auto number = ParseDecimal(rest.substr(drive.size()));
    const Disk* d = number ? FindDisk(m, *number) : nullptr;
    if (d == nullptr) return std::nullopt;
    return DeviceTarget{d, nullptr, false};
  }
  if (folded.compare(0, global.size(), global) != 0) return std::nullopt;
  std::wstring rest = folded.substr(global.size());
  const std::wstring harddisk = L"harddisk", partition = L"partition";
  size_t split = rest.find(partition);
  if (rest.compare(0, harddisk.size(), harddisk) == 0 && split != std::wstring::npos) {
    auto diskNumber = ParseDecimal(rest.substr(harddisk.size(), split - harddisk.size()));
    auto partitionNumber = ParseDecimal(rest.substr(split + partition.size()));
    auto found = diskNumber && partitionNumber ? FindPartition(m, *diskNumber, *partitionNumber) : std::nullopt;
    if (!found) return std::nullopt;
    return DeviceTarget{found->disk, found->volume, false};
  }
  for (const Disk& d : m.disks) {
    if (FoldCase(InterfacePath(d)) == folded) return DeviceTarget{&d, nullptr, false};
  }
  return std::nullopt;
}

// Whether machine.json makes this control fail on this device.
bool ControlFails(const MachineConfig& m, const char* control, const platform::DeviceHandle& device) {
  auto it = m.faults.controls.find(control);
  return it != m.faults.controls.end() && it->second.count(FoldCase(device.path)) != 0;
}

std::string GptTypeOf(const Partition& p) {
  if (p.type == "efi") return "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";
  if (p.type == "msr") return "E3C9E316-0B5C-4DB8-817D-F92DF00215AE";
  if (p.type == "recovery") return "DE94BBA4-06D1-4D40-A16A-BFD50179D6AC";
  return "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";  // basic data, and hidden data as well
}

uint32_t StyleOf(const Disk& d) {
  if (d.style == "mbr") return platform::kPartitionStyleMbr;
  if (d.style == "gpt") return platform::kPartitionStyleGpt;
  return platform::kPartitionStyleRaw;
}

}  // namespace

std::optional<VolumeOnDisk> FindVolume(const MachineConfig& m, wchar_t letter) {
  letter = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(letter)));
  for (const Disk& d : m.disks) {
    for (const Partition& p : d.partitions) {
      if (p.letter != 0 && p.letter == letter) return VolumeOnDisk{&d, &p};
    }
  }
  return std::nullopt;
}

std::optional<VolumeOnDisk> FindPartition(const MachineConfig& m, uint32_t disk, uint32_t number) {
  const Disk* d = FindDisk(m, disk);
  if (d == nullptr || number == 0) return std::nullopt;
  for (const Partition& p : d->partitions) {
    if (p.number == number) return VolumeOnDisk{d, &p};
  }
  return std::nullopt;
}

std::optional<platform::DeviceHandle> SimStorage::OpenDevice(const std::wstring& path, platform::DeviceAccess) {
  const MachineConfig& m = machine_.config();
  if (m.faults.devices.count(FoldCase(path)) != 0 || !Resolve(m, path)) return std::nullopt;
  return platform::DeviceHandle{path, nullptr};
}

std::optional<std::vector<platform::DiskExtent>> SimStorage::VolumeDiskExtents(const platform::DeviceHandle& device,
                                                                              uint32_t bufferBytes) {
  auto target = Resolve(machine_.config(), device.path);
  if (!target || !target->isVolume) return std::nullopt;
  const Partition& volume = *target->partition;
  std::vector<platform::DiskExtent> extents{{target->disk->number, volume.offsetBytes, volume.sizeBytes}};
  for (uint32_t other : volume.alsoOnDisks) extents.push_back({other, 0, volume.sizeBytes});
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

std::optional<uint32_t> SimStorage::StorageDevicePropertySize(const platform::DeviceHandle& device) {
  auto target = Resolve(machine_.config(), device.path);
  if (!target) return std::nullopt;
  // The fixed descriptor, then the vendor and product texts with their zeros.
  return static_cast<uint32_t>(40 + 1 + target->disk->friendlyName.size() + 1);
}

std::optional<platform::StorageDeviceNumber> SimStorage::GetDeviceNumber(const platform::DeviceHandle& device) {
  const MachineConfig& m = machine_.config();
  auto target = Resolve(m, device.path);
  if (!target || ControlFails(m, "deviceNumber", device)) return std::nullopt;
  uint32_t partition = target->partition != nullptr ? target->partition->number : 0;
  return platform::StorageDeviceNumber{kFileDeviceDisk, target->disk->number, partition};
}

std::optional<int64_t> SimStorage::DriveGeometryDiskSize(const platform::DeviceHandle& device, uint32_t bufferBytes) {
  const MachineConfig& m = machine_.config();
  auto target = Resolve(m, device.path);
  // DISK_GEOMETRY and the DiskSize after it need 32 bytes.
  if (!target || bufferBytes < 32 || target->disk->noMedia || ControlFails(m, "driveGeometry", device)) {
    return std::nullopt;
  }
  return target->disk->sizeBytes;
}

std::optional<platform::PartitionInformationEx> SimStorage::PartitionInfo(const platform::DeviceHandle& device,
                                                                          uint32_t bufferBytes) {
  const MachineConfig& m = machine_.config();
  auto target = Resolve(m, device.path);
  if (!target || bufferBytes < 144 || target->disk->noMedia || ControlFails(m, "partitionInfo", device)) {
    return std::nullopt;
  }
  const Disk& d = *target->disk;
  platform::PartitionInformationEx info;
  info.style = StyleOf(d);
  if (target->partition == nullptr) {  // the whole disk
    info.partitionLength = d.sizeBytes;
    return info;
  }
  const Partition& p = *target->partition;
  info.partitionNumber = p.number;
  info.startingOffset = p.offsetBytes;
  info.partitionLength = p.sizeBytes;
  if (info.style == platform::kPartitionStyleMbr) info.mbrBootIndicator = p.active;
  if (info.style == platform::kPartitionStyleGpt) info.gptPartitionType = GptTypeOf(p);
  return info;
}

uint32_t SimStorage::LogicalDrives() { return DriveLetterMask(machine_); }

std::optional<std::vector<std::wstring>> SimStorage::LogicalDriveStrings(uint32_t bufferChars) {
  std::vector<std::wstring> roots;
  uint32_t mask = LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) roots.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\");
  }
  // Each root and its terminating zero, and the zero that ends the list.
  if (roots.size() * 4 + 1 > bufferChars) return std::nullopt;
  return roots;
}

namespace {

// The letter of a drive name ("Z:"), upper case.
std::optional<wchar_t> LetterOfDriveName(const std::wstring& name) {
  if (name.size() != 2 || name[1] != L':' || name[0] > 0x7F || !std::iswalpha(static_cast<wint_t>(name[0]))) {
    return std::nullopt;
  }
  return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(name[0])));
}

}  // namespace

// The machine keeps one definition a letter: mapping a letter that already names a drive
// fails (Windows would stack the definitions). Only raw target paths to partitions of the
// machine are mapped.
bool SimStorage::DefineDosDevice(uint32_t flags, const std::wstring& deviceName,
                                 const std::optional<std::wstring>& targetPath) {
  auto letter = LetterOfDriveName(deviceName);
  if (!letter) return false;
  const std::string key(1, static_cast<char>(*letter));
  const auto file = machine_.StateFile(kDosDevicesFile);
  if (flags & platform::kDddRemoveDefinition) {
    return UpdateStateObject(file, [&](Json::Value& mapped) {
      if (!mapped.isMember(key)) return false;
      if (targetPath && FoldCase(platform::Utf8ToWide(mapped[key].asString())) != FoldCase(*targetPath)) return false;
      mapped.removeMember(key);
      return true;
    });
  }
  if (!(flags & platform::kDddRawTargetPath) || !targetPath) return false;
  auto address = ParseDevicePath(*targetPath);
  auto found = address ? FindPartition(machine_.config(), address->disk, address->partition) : std::nullopt;
  if (!found) return false;
  std::error_code ec;
  fs::create_directories(PartitionFolder(machine_, *found->disk, *found->volume), ec);
  return UpdateStateObject(file, [&](Json::Value& mapped) {
    if (FindDrive(machine_, *letter)) return false;
    mapped[key] = platform::WideToUtf8(*targetPath);
    return true;
  });
}

// GetDriveTypeW takes a root ("C:\\") or a bare drive name ("C:").
uint32_t SimStorage::QueryDriveType(const std::wstring& root) {
  auto letter = LetterOfDriveName(root.substr(0, 2));
  if (!letter || (root.size() == 3 ? root[2] != L'\\' && root[2] != L'/' : root.size() != 2)) {
    return platform::kDriveNoRootDir;
  }
  auto drive = FindDrive(machine_, *letter);
  return drive ? drive->driveType : platform::kDriveNoRootDir;
}

std::optional<std::vector<platform::DiskDeviceElement>> SimStorage::DiskInterfaces(uint32_t friendlyNameBufferBytes) {
  std::vector<platform::DiskDeviceElement> elements;
  for (const Disk& d : machine_.config().disks) {
    platform::DiskDeviceElement element;
    std::wstring name = platform::Utf8ToWide(d.friendlyName);
    // The property is a wide string with its zero; a name that does not fit is not read.
    if (!name.empty() && (name.size() + 1) * 2 <= friendlyNameBufferBytes) element.friendlyName = name;
    element.interfacePaths.push_back(InterfacePath(d));
    elements.push_back(std::move(element));
  }
  return elements;
}

}  // namespace sim
