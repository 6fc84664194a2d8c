#include "app/volume_location.h"

#include <string>

#include "platform/platform.h"

int DiskNumberOfVolume(wchar_t letter) {
  auto& storage = platform::Current().storage();
  auto volume = storage.OpenDevice(std::wstring(L"\\\\.\\") + letter + L":", platform::DeviceAccess::Read);
  if (!volume) return -1;
  // Room for exactly one extent: a volume spread over several disks has no one disk.
  auto extents = storage.VolumeDiskExtents(*volume, 32);
  if (!extents || extents->empty()) return -1;
  return static_cast<int>((*extents)[0].diskNumber);
}

bool IsUsbDisk(int diskNumber) {
  auto& storage = platform::Current().storage();
  auto disk = storage.OpenDevice(L"\\\\.\\PhysicalDrive" + std::to_wstring(diskNumber), platform::DeviceAccess::Read);
  if (!disk) return false;
  auto descriptor = storage.StorageDeviceProperty(*disk, 512);
  return descriptor && descriptor->busType == platform::kBusUsb;
}
