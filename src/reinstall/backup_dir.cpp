#include "reinstall/backup_dir.h"

#include "app/contains_no_case.h"
#include "app/volume_location.h"
#include "usbmaker/disk_inventory.h"

std::wstring ChooseDefaultBackupDir() {
  VolumeList volumes;
  ListLocalVolumes(volumes);
  std::vector<const VolumeInfo*> usb, other;
  for (const auto& volume : volumes) {
    (IsUsbDisk(DiskNumberOfVolume(volume->root[0])) ? usb : other).push_back(volume.get());
  }
  const std::vector<const VolumeInfo*>& candidates = other.size() >= 2 ? other : usb;
  const VolumeInfo* chosen = nullptr;
  for (const VolumeInfo* volume : candidates) {
    if (volume->isSystem) continue;
    if (chosen == nullptr || volume->freeBytes > chosen->freeBytes) chosen = volume;  // ties keep the earlier
  }
  return chosen != nullptr ? chosen->root + L"beifenshuju" : std::wstring();
}

std::wstring WithoutTrailingBackslash(const std::wstring& folder) {
  std::wstring trimmed = folder;
  while (!trimmed.empty() && trimmed.back() == L'\\' && !(trimmed.size() == 3 && trimmed[1] == L':')) {
    trimmed.pop_back();
  }
  return trimmed;
}

bool PathWithin(const std::wstring& path, const std::wstring& folder) {
  const std::wstring p = FoldAsciiCapitals(WithoutTrailingBackslash(path));
  const std::wstring f = FoldAsciiCapitals(WithoutTrailingBackslash(folder));
  if (f.empty() || p.compare(0, f.size(), f) != 0) return false;
  return p.size() == f.size() || f.back() == L'\\' || p[f.size()] == L'\\';
}
