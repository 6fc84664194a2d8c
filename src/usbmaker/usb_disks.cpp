// The attached USB disks: which drive letters each one carries, its device number and
// friendly name.

#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/split.hpp>
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "app/device_paths.h"
#include "app/system_drive.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"

namespace {

// SetupDiGetDeviceRegistryPropertyW reads the friendly name into this many bytes.
constexpr uint32_t kFriendlyNameBytes = 2046;

// Copies text into a fixed row field, cut to fit with its zero.
template <size_t N>
void CopyInto(wchar_t (&field)[N], const std::wstring& text) {
  size_t n = std::min(text.size(), N - 1);
  std::wmemcpy(field, text.data(), n);
  field[n] = L'\0';
}

// Appends "," and the letter to a row's letters, when there is room for them.
template <size_t N>
void AppendLetter(wchar_t (&letters)[N], wchar_t letter) {
  size_t used = std::wcslen(letters);
  if (used + 2 >= N) return;
  letters[used] = L',';
  letters[used + 1] = letter;
  letters[used + 2] = L'\0';
}

UsbDiskRow* FindRow(std::vector<UsbDiskRow>& rows, uint32_t deviceNumber) {
  for (UsbDiskRow& row : rows) {
    if (row.deviceNumber == deviceNumber) return &row;
  }
  return nullptr;
}

}  // namespace

bool IsUsbVolume(wchar_t letter) {
  platform::Storage& storage = platform::Current().storage();
  auto volume = storage.OpenDevice(VolumePath(letter), platform::DeviceAccess::ReadWrite);
  if (!volume) return false;
  auto size = storage.StorageDevicePropertySize(*volume);
  if (!size) return false;
  auto descriptor = storage.StorageDeviceProperty(*volume, *size);
  return descriptor && descriptor->busType == platform::kBusUsb;
}

bool VolumeHasMedia(wchar_t letter) {
  platform::Storage& storage = platform::Current().storage();
  auto volume = storage.OpenDevice(VolumePath(letter), platform::DeviceAccess::QueryOnly);
  if (!volume) return false;
  auto diskSize = storage.DriveGeometryDiskSize(*volume, kDriveGeometryBytes);
  return diskSize && *diskSize != 0;
}

int ScanUsbDisks(std::vector<UsbDiskRow>& rows) {
  platform::Storage& storage = platform::Current().storage();
  rows.clear();
  int count = 0;
  uint32_t drives = storage.LogicalDrives();
  for (wchar_t letter = L'A'; drives != 0; ++letter, drives >>= 1) {
    if ((drives & 1) == 0 || !VolumeHasMedia(letter) || !IsUsbVolume(letter)) continue;
    auto volume = storage.OpenDevice(VolumePath(letter), platform::DeviceAccess::QueryOnly);
    if (!volume) continue;
    auto number = storage.GetDeviceNumber(*volume);
    if (!number) continue;
    if (UsbDiskRow* row = FindRow(rows, number->deviceNumber)) {
      AppendLetter(row->letters, letter);
    } else {
      UsbDiskRow fresh;
      fresh.letters[0] = letter;
      fresh.deviceNumber = number->deviceNumber;
      rows.push_back(fresh);
      ++count;
    }
  }
  FillUsbDiskNames(rows);
  return count;
}

void FillUsbDiskNames(std::vector<UsbDiskRow>& rows) {
  platform::Storage& storage = platform::Current().storage();
  auto elements = storage.DiskInterfaces(kFriendlyNameBytes);
  if (!elements) return;
  for (const platform::DiskDeviceElement& element : *elements) {
    if (!element.friendlyName) continue;
    for (const auto& path : element.interfacePaths) {
      if (!path) break;  // no detail: the element's interfaces end here
      auto device = storage.OpenDevice(*path, platform::DeviceAccess::QueryOnly);
      if (!device) continue;
      auto number = storage.GetDeviceNumber(*device);
      if (!number) continue;
      if (UsbDiskRow* row = FindRow(rows, number->deviceNumber)) CopyInto(row->friendlyName, *element.friendlyName);
    }
  }
}

bool ListUsbDisks(VolumeList& list) {
  platform::Files& files = platform::Current().files();
  std::vector<UsbDiskRow> rows;
  ScanUsbDisks(rows);
  const wchar_t systemDrive = SystemDirectoryDrive();
  bool any = false;
  for (const UsbDiskRow& row : rows) {
    auto disk = std::make_unique<VolumeInfo>();
    disk->root = std::wstring(row.letters) + L":\\";
    disk->label = row.friendlyName;
    disk->diskNumber = row.deviceNumber;
    disk->driveType = platform::kDriveRemovable;
    std::vector<std::wstring> letters;
    boost::algorithm::split(letters, std::wstring(row.letters), [](wchar_t c) { return c == L','; });
    for (const std::wstring& letter : letters) {
      if (auto space = files.QueryDiskFreeSpace(letter + L":\\")) {
        disk->totalBytes += space->totalBytes;
        disk->freeBytes += space->freeBytesAvailable;
      }
    }
    disk->isSystem = row.letters[0] == systemDrive;
    // For a disk of several volumes the joined root names no volume and this fails.
    if (auto info = files.QueryVolumeInformation(disk->root, 0, kFileSystemNameChars)) {
      disk->isNtfs = boost::algorithm::iequals(info->fileSystem, L"ntfs");
    }
    list.push_back(std::move(disk));
    any = true;
  }
  return any;
}

bool UsbDiskNumberOfVolume(wchar_t letter, uint32_t& deviceNumber) {
  if (!IsUsbVolume(letter)) return false;
  platform::Storage& storage = platform::Current().storage();
  auto volume = storage.OpenDevice(VolumePath(letter), platform::DeviceAccess::ReadWrite);
  if (!volume) return false;
  auto number = storage.GetDeviceNumber(*volume);
  if (!number) return false;
  deviceNumber = number->deviceNumber;
  return true;
}
