// The fixed and removable volumes C: to Z:.

#include <boost/algorithm/string/predicate.hpp>

#include "app/device_paths.h"
#include "app/system_drive.h"
#include "app/volume_location.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"

namespace {

void ListVolumes(VolumeList& list, bool skipUsb) {
  platform::Files& files = platform::Current().files();
  platform::Storage& storage = platform::Current().storage();
  const wchar_t systemDrive = SystemDirectoryDrive();
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    uint32_t type = storage.QueryDriveType(root);
    if (type != platform::kDriveFixed && type != platform::kDriveRemovable) continue;
    // A volume whose disk cannot be read (-1) stays: no disk -1 opens as USB.
    if (skipUsb && IsUsbDisk(DiskNumberOfVolume(letter))) continue;
    auto volume = std::make_unique<VolumeInfo>();
    volume->root = root;
    volume->driveType = type;
    if (auto space = files.QueryDiskFreeSpace(root)) {
      volume->totalBytes = space->totalBytes;
      volume->freeBytes = space->freeBytesAvailable;
    }
    volume->isSystem = root[0] == systemDrive;
    if (auto info = files.QueryVolumeInformation(root, kVolumeLabelChars, kFileSystemNameChars)) {
      volume->label = info->label;
      volume->isNtfs = boost::algorithm::iequals(info->fileSystem, L"ntfs");
    }
    list.push_back(std::move(volume));
  }
}

}  // namespace

void ListLocalVolumes(VolumeList& list) { ListVolumes(list, false); }

bool ListNonUsbVolumes(VolumeList& list) {
  ListVolumes(list, true);
  return !list.empty();
}
