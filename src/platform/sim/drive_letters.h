#pragma once
// What each drive letter of the machine is: a volume of machine.json, a letter mapped to a
// partition with DefineDosDeviceW (state/dosdevices.json), or a virtual CD drive
// (state/mounts.json). A letter names one drive, looked up in that order.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/sim/machine_config.h"

namespace sim {

class SimPlatform;

struct Drive {
  uint32_t driveType = 0;  // of GetDriveTypeW
  // The host folder holding the drive's files; nothing for a CD drive without a disc.
  std::optional<std::filesystem::path> folder;
};

std::optional<Drive> FindDrive(const SimPlatform& machine, wchar_t letter);

// The letters of FindDrive, bit 0 for A:, as GetLogicalDrives.
uint32_t DriveLetterMask(const SimPlatform& machine);

// The host folder of a partition's files: drives/<letter> when it has a letter, else
// drives/Harddisk<disk>Partition<number>.
std::filesystem::path PartitionFolder(const SimPlatform& machine, const Disk& disk, const Partition& partition);

// The Windows name of the root of a folder under drives/: "c:" for drives/C,
// "\\device\\harddisk0\\partition1" for drives/Harddisk0Partition1, lower case; nothing for
// any other name.
std::optional<std::wstring> DriveFolderRoot(const std::string& folderName);

}  // namespace sim
