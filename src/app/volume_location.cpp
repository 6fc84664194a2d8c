#include "app/volume_location.h"

#include "app/device_paths.h"
#include "platform/platform.h"

int DiskNumberOfVolume(wchar_t letter) {
  auto& storage = platform::Current().storage();
  auto volume = storage.OpenDevice(VolumePath(letter), platform::DeviceAccess::Read);
  if (!volume) return -1;
  // Room for exactly one extent: a volume spread over several disks has no one disk.
  auto extents = storage.VolumeDiskExtents(*volume, kVolumeExtentsBytes);
  if (!extents || extents->empty()) return -1;
  return static_cast<int>((*extents)[0].diskNumber);
}

bool IsUsbDisk(int diskNumber) {
  auto& storage = platform::Current().storage();
  auto disk = storage.OpenDevice(PhysicalDrivePath(diskNumber), platform::DeviceAccess::Read);
  if (!disk) return false;
  auto descriptor = storage.StorageDeviceProperty(*disk, kStorageDescriptorBytes);
  return descriptor && descriptor->busType == platform::kBusUsb;
}
