#pragma once
// Device paths of the storage queries.

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
