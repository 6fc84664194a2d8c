#pragma once
// Device paths of the storage queries, and the buffer sizes the queries are asked with.

#include <cstdint>
#include <string>

// "\\\\.\\C:"
inline std::wstring VolumePath(wchar_t letter) { return std::wstring(L"\\\\.\\") + letter + L":"; }
// "\\\\.\\PhysicalDrive0"
inline std::wstring PhysicalDrivePath(int disk) { return L"\\\\.\\PhysicalDrive" + std::to_wstring(disk); }
// "\\\\?\\Harddisk0Partition1"
inline std::wstring PartitionPath(int disk, int partition) {
  return L"\\\\?\\Harddisk" + std::to_wstring(disk) + L"Partition" + std::to_wstring(partition);
}

// The GPT type of the EFI system partition.
inline constexpr char kEfiSystemPartitionType[] = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";

// Output buffers of the device queries (disk extents, storage descriptor, drive geometry,
// partition information), in bytes.
inline constexpr uint32_t kVolumeExtentsBytes = 32;
inline constexpr uint32_t kStorageDescriptorBytes = 512;
inline constexpr uint32_t kDriveGeometryBytes = 40;
inline constexpr uint32_t kPartitionInfoBytes = 144;

// GetVolumeInformationW's buffers for the label and the file-system name, in characters.
inline constexpr uint32_t kVolumeLabelChars = 260;
inline constexpr uint32_t kFileSystemNameChars = 32;
