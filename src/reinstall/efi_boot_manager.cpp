#include "reinstall/efi_boot_manager.h"

#include <optional>
#include <string>

#include "app/log.h"
#include "app/program_folders.h"
#include "app/template_fill.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"

namespace {

// The first drive name ("E:") from C: to Y: that names no volume.
std::optional<std::wstring> FreeDriveName() {
  for (wchar_t letter = L'C'; letter <= L'Y'; ++letter) {
    const std::wstring name = FillTemplate(L"%c:", {letter});
    if (platform::Current().storage().QueryDriveType(name) == platform::kDriveNoRootDir) return name;
  }
  return std::nullopt;
}

void CopyBootManagerTo(int disk, int partition) {
  platform::Storage& storage = platform::Current().storage();
  std::optional<std::wstring> name = FreeDriveName();
  if (!name) {
    LogLine(
        FillTemplate(L"no free drive letter from C: to Y: for disk %d partition %d: its boot manager is left as it is",
                     {disk, partition}));
    return;
  }
  LogText(WideToLocal(L"find zu Div=" + *name) + "\r\n");
  const std::wstring device = FillTemplate(L"\\device\\Harddisk%d\\Partition%d", {disk, partition});
  if (!storage.DefineDosDevice(platform::kDddRawTargetPath, *name, device)) {
    LogLine(L"cannot map " + *name + L" to " + device + L": its boot manager is left as it is");
    return;
  }
  const std::wstring from = FillTemplate(L"%s\\tool\\bootmgfw.efi", {ProgramFolder()});
  const std::wstring to = FillTemplate(L"%s\\EFI\\Microsoft\\Boot\\bootmgfw.efi", {*name});
  if (!platform::Current().files().CopyFile(from, to, false)) {
    LogLine(L"cannot copy " + from + L" to " + to + L" (" + device + L")");
  }
  storage.DefineDosDevice(platform::kDddRemoveDefinition, *name, std::nullopt);
}

}  // namespace

void CopyBootManagerToEfiPartitions() {
  const int disks = CountPhysicalDisks();
  for (int disk = 0; disk < disks; ++disk) {
    const int partition = FindEfiPartition(disk);
    if (partition > 0) CopyBootManagerTo(disk, partition);
  }
}
