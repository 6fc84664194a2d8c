#include "platform/sim/drive_letters.h"

#include <cwctype>

#include "platform/codepage.h"
#include "platform/sim/dos_devices.h"
#include "platform/sim/mounts.h"
#include "platform/sim/sim_services.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

uint32_t VolumeDriveType(const Disk& disk) {
  return disk.removableMedia ? platform::kDriveRemovable : platform::kDriveFixed;
}

// The partition a mapping's target names, when the machine has it.
std::optional<VolumeOnDisk> MappedPartition(const MachineConfig& m, const std::wstring& target) {
  auto address = ParseDevicePath(target);
  if (!address) return std::nullopt;
  return FindPartition(m, address->disk, address->partition);
}

}  // namespace

fs::path PartitionFolder(const SimPlatform& machine, const Disk& disk, const Partition& partition) {
  if (partition.letter != 0) return machine.folder() / "drives" / std::string(1, static_cast<char>(partition.letter));
  return machine.folder() / "drives" /
         ("Harddisk" + std::to_string(disk.number) + "Partition" + std::to_string(partition.number));
}

namespace {

// The drive of a letter (upper case) given the mappings and mounts in force.
std::optional<Drive> DriveOf(const SimPlatform& machine, wchar_t letter, const std::map<wchar_t, std::wstring>& mapped,
                             const std::map<wchar_t, Mount>& mounts) {
  const MachineConfig& m = machine.config();
  if (auto volume = FindVolume(m, letter)) {
    return Drive{VolumeDriveType(*volume->disk), PartitionFolder(machine, *volume->disk, *volume->volume)};
  }
  if (auto it = mapped.find(letter); it != mapped.end()) {
    auto partition = MappedPartition(m, it->second);
    if (!partition) return std::nullopt;
    return Drive{VolumeDriveType(*partition->disk), PartitionFolder(machine, *partition->disk, *partition->volume)};
  }
  if (auto it = mounts.find(letter); it != mounts.end()) {
    Drive cd{platform::kDriveCdRom, std::nullopt};
    if (!it->second.image.empty()) cd.folder = machine.folder() / "drives" / std::string(1, static_cast<char>(letter));
    return cd;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Drive> FindDrive(const SimPlatform& machine, wchar_t letter) {
  if (letter > 0x7F || !std::iswalpha(static_cast<wint_t>(letter))) return std::nullopt;
  letter = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(letter)));
  if (auto volume = FindVolume(machine.config(), letter)) return DriveOf(machine, letter, {}, {});
  return DriveOf(machine, letter, ReadDosDevices(machine), ReadMounts(machine));
}

uint32_t DriveLetterMask(const SimPlatform& machine) {
  const auto mapped = ReadDosDevices(machine);
  const auto mounts = ReadMounts(machine);
  uint32_t mask = 0;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (DriveOf(machine, letter, mapped, mounts)) mask |= 1u << (letter - L'A');
  }
  return mask;
}

std::optional<std::wstring> DriveFolderRoot(const std::string& folderName) {
  if (folderName.size() == 1 && std::isalpha(static_cast<unsigned char>(folderName[0]))) {
    return FoldCase(platform::Utf8ToWide(folderName)) + L":";
  }
  const std::string disk = "Harddisk", partition = "Partition";
  size_t split = folderName.find(partition);
  if (folderName.compare(0, disk.size(), disk) != 0 || split == std::string::npos) return std::nullopt;
  auto address = ParseDevicePath(L"\\device\\" + platform::Utf8ToWide(folderName.substr(0, split)) + L"\\" +
                                 platform::Utf8ToWide(folderName.substr(split)));
  if (!address) return std::nullopt;
  return L"\\device\\harddisk" + std::to_wstring(address->disk) + L"\\partition" + std::to_wstring(address->partition);
}

}  // namespace sim
