// Which disk and partition a drive letter lives on, how many disks there are, and where
// a disk's EFI system partition is.

#include <cstdio>

#include "app/device_paths.h"
#include "app/log.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"

namespace {

bool IsEfiSystemPartition(const platform::PartitionInformationEx& info) {
  return info.style == platform::kPartitionStyleGpt && info.gptPartitionType == kEfiSystemPartitionType;
}

template <typename... Args>
void Trace(const char* format, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, format, args...);
  LogText(text);
}

}  // namespace

bool GetPartitionLocation(wchar_t letter, PartitionLocation& location) {
  platform::Storage& storage = platform::Current().storage();
  location = PartitionLocation{};
  auto volume = storage.OpenDevice(VolumePath(letter), platform::DeviceAccess::QueryOnly);
  if (!volume) {
    LogText("err-getPt -1");
    return false;
  }
  auto number = storage.GetDeviceNumber(*volume);
  if (!number) {
    LogText("err-getPt -2");
    return false;
  }
  location.diskOrdinal = static_cast<int32_t>(number->deviceNumber + 1);
  location.partitionNumber = static_cast<int32_t>(number->partitionNumber);

  auto info = storage.PartitionInfo(*volume, kPartitionInfoBytes);
  if (!info) {
    LogText("-p1\n");
    return true;
  }
  if (info->style == platform::kPartitionStyleMbr) {
    location.isActiveOrEsp = info->mbrBootIndicator;
    location.isGpt = false;
  } else if (info->style == platform::kPartitionStyleGpt) {
    if (IsEfiSystemPartition(*info)) {
      location.isActiveOrEsp = true;
      LogText("-p2\n");
      return false;
    }
    location.isActiveOrEsp = false;
    location.isGpt = true;
  }

  auto diskSize = storage.DriveGeometryDiskSize(*volume, kDriveGeometryBytes);
  if (!diskSize) {
    LogText("-p3\n");
    return true;
  }
  const char ascii = static_cast<char>(letter);
  Trace("-%c:-%d\n", ascii, static_cast<int>(static_cast<uint32_t>(*diskSize)));
  if (*diskSize == 0) {
    LogText("-p4\n");
    return false;
  }
  Trace("%c-%d:%d\r\n", ascii, location.diskOrdinal, location.partitionNumber);
  return true;
}

int CountPhysicalDisks() {
  platform::Storage& storage = platform::Current().storage();
  int count = 0;
  while (storage.OpenDevice(PhysicalDrivePath(count), platform::DeviceAccess::Read)) ++count;
  return count;
}

int FindEfiPartition(int diskNumber) {
  platform::Storage& storage = platform::Current().storage();
  for (int p = 1;; ++p) {
    auto partition = storage.OpenDevice(PartitionPath(diskNumber, p), platform::DeviceAccess::Read);
    if (!partition) return 0;
    auto info = storage.PartitionInfo(*partition, kPartitionInfoBytes);
    if (info && IsEfiSystemPartition(*info)) return p;
  }
}
