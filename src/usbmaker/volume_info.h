#pragma once
// What the disk inventory answers with: volumes, USB disks and where a partition lies.

#include <cstdint>
#include <list>
#include <memory>
#include <string>

// One volume, or one USB disk seen as a whole.
struct VolumeInfo {
  std::wstring root;   // "C:\\"; for a USB disk its letters joined by ",", then ":\\"
  std::wstring label;  // the volume label; for a USB disk its friendly name
  uint32_t diskNumber = 0;  // USB disks only
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;   // available to the caller
  uint32_t driveType = 0;   // 2 removable, 3 fixed; USB disks always 2
  bool isNtfs = false;
  bool isSystem = false;    // on the drive of the running Windows
};

// Volumes in the order found (ascending drive letter). The list owns its records.
using VolumeList = std::list<std::unique_ptr<VolumeInfo>>;

// One row of the raw USB disk table.
struct UsbDiskRow {
  wchar_t letters[64] = {};        // "E", then "E,F", ...
  wchar_t friendlyName[256] = {};  // empty when the device registry has none
  uint32_t deviceNumber = 0;       // the N of PhysicalDriveN
};

// Where the partition of a drive letter lies.
struct PartitionLocation {
  int32_t diskOrdinal = 0;      // device number of the disk plus 1
  int32_t partitionNumber = 0;  // 1-based
  bool isActiveOrEsp = false;   // MBR: the boot indicator; GPT: the EFI system partition
  bool isGpt = false;
};
