#pragma once
// The drive letters DefineDosDeviceW maps to partitions, kept in state/dosdevices.json so
// that the processes the program starts see them too:
//   {"Z": "\\device\\Harddisk0\\Partition1"}
// (the letter, and the raw target path as the caller gave it).

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sim {

class SimPlatform;

inline constexpr const char* kDosDevicesFile = "dosdevices.json";

struct PartitionAddress {
  uint32_t disk = 0;
  uint32_t partition = 0;
};

// "\\device\\Harddisk0\\Partition1" (without case) names partition 1 of disk 0; nothing for
// any other text. Whether the machine has that partition is for the caller to check.
std::optional<PartitionAddress> ParseDevicePath(const std::wstring& path);

// The mapped letters (upper case) and their targets.
std::map<wchar_t, std::wstring> ReadDosDevices(const SimPlatform& machine);

}  // namespace sim
