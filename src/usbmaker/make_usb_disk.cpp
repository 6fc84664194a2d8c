#include "usbmaker/make_usb_disk.h"

#include "app/global_param.h"
#include "app/log.h"
#include "app/pe_component.h"
#include "app/program_folders.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "platform/platform.h"
#include "usbmaker/bcd_store_command.h"
#include "usbmaker/boot_image_commands.h"
#include "usbmaker/bootice_editor.h"
#include "usbmaker/disk_inventory.h"
#include "usbmaker/gdisk_steps.h"
#include "usbmaker/iso_writer.h"
#include "usbmaker/partition_first.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_commands.h"
#include "usbmaker/tool_windows.h"
#include "usbmaker/usb_messages.h"

namespace {

// Below this start sector the disk's layout leaves no room for the hidden boot area.
constexpr int64_t kLowestFirstSector = 63;
// In the listing's unit (MiB): the smallest disk worked on, the space left free at its
// start for the boot area, and the EFI partition.
constexpr int64_t kSmallestDiskSize = 100;
constexpr int64_t kFrontReserve = 35;
constexpr int64_t kEfiSize = 35;

const wchar_t kWimName[] = L"WEPE64.WIM";

bool DiskNumberOf(wchar_t letter, int& disk) {
  uint32_t number = 0;
  if (!UsbDiskNumberOfVolume(letter, number)) return false;
  disk = static_cast<int>(number);
  return true;
}

// The partition that Windows shows with a letter, made to be the wanted one when it is
// not.
bool VisiblePartitionLetter(int disk, bool wantEfi, wchar_t& letter) {
  if (FindPartitionLetter(disk, wantEfi, letter)) return true;
  MakePartitionFirst(disk, wantEfi);
  return FindPartitionLetter(disk, wantEfi, letter);
}

bool IsWindowsXp() {
  const std::optional<platform::OsVersion> version = platform::Current().system().GetVersion();
  return version && version->major == 5 && version->minor == 1;
}

void Report(IMessageTarget* window, uint32_t message, bool ok) {
  if (window != nullptr) window->Post(message, ok ? 1 : 0, 0);
}

}  // namespace

int MakeUsbDisk(wchar_t letter, IMessageTarget* window) {
  toolAbort = false;
  int disk = 0;
  if (!DiskNumberOf(letter, disk)) return 0;
  int64_t firstSector = 0;
  ReadFirstPartitionSector(disk + 1, firstSector);
  if (firstSector < kLowestFirstSector) {
    WriteImageWithIsoWriter(letter);
    ReadFirstPartitionSector(disk + 1, firstSector);
    if (firstSector < kLowestFirstSector) return 0;
  }
  bool ok = PartitionUsbDisk(letter, window);
  Report(window, kMsgPartitioned, ok);
  if (!ok) return -1;
  ok = WriteBootFiles(letter);
  Report(window, kMsgBootFilesWritten, ok);
  return ok ? 1 : -2;
}

bool PartitionUsbDisk(wchar_t letter, IMessageTarget* window) {
  int disk = 0;
  if (!DiskNumberOf(letter, disk)) return false;
  int64_t size = 0;
  ReadDiskSize(disk + 1, size);
  if (size < kSmallestDiskSize) return false;
  const bool deleted = DeleteAllPartitions(disk + 1);
  Report(window, kMsgOldPartitionsDeleted, deleted);
  if (!deleted) return false;
  if (!CreateUsbPartitions(disk + 1, size, kFrontReserve, kEfiSize)) return false;
  return FormatBootArea(disk);
}

bool WriteBootFiles(wchar_t letter) {
  platform::Files& files = platform::Current().files();
  int disk = 0;
  if (toolAbort || !DiskNumberOf(letter, disk)) return false;

  wchar_t data = 0;
  if (toolAbort || !VisiblePartitionLetter(disk, false, data)) return false;

  if (toolAbort) return false;
  PrepareBootImage(data);

  // The boot area: formatted, given the boot archive, and the boot image as x64Pe.iso.
  if (toolAbort) return false;
  LogText("write to ud--\r\n");
  RunInToolFolder(FillTemplate(L"/c fbinst.exe (hd%d) format", {disk}));
  if (toolAbort) return false;
  RunInToolFolder(FillTemplate(L"/c fbinst.exe (hd%d) format --archive %s", {disk, ProgramFolder() + L"\\PE\\data.VQ"}));
  if (toolAbort) return false;
  RunInToolFolder(FillTemplate(L"/c fbinst.exe (hd%d) add x64Pe.iso Uiso.iso", {disk}));

  // The data partition: checked, then given the WIM in a hidden boot folder.
  if (toolAbort) return false;
  LogText("write to data--\r\n");
  RunCommand(FillTemplate(L"/c chkdsk %c: /f /y", {data}));
  const std::wstring wim = peWimPath();
  if (toolAbort) return false;
  if (!files.FileExists(wim)) {
    RunHidden(SevenZipPath(), FillTemplate(L"e %s -o%s\\PE %s -y", {peIsoPath(), ProgramFolder(), kWimPathInIso}),
              std::nullopt, true);
  }
  if (toolAbort) return false;
  const std::wstring bootFolder = FillTemplate(L"%c:\\boot", {data});
  const std::wstring wimOnDisk = FillTemplate(L"%c:\\boot\\%s", {data, kWimName});
  files.CreateDirectory(bootFolder);
  if (!files.FileExists(wim)) {
    Trace(L"not find %s\r\n", {wimOnDisk});
    return false;
  }
  // A WIM that did not reach the disk leaves a stick that cannot boot.
  if (!files.CopyFile(wim, wimOnDisk, false)) return false;
  files.SetFileAttributes(bootFolder, platform::kFileAttributeHidden | platform::kFileAttributeSystem);

  // The EFI partition: emptied, then given the contents of the boot image.
  wchar_t efi = 0;
  if (toolAbort || !VisiblePartitionLetter(disk, true, efi)) return false;
  if (toolAbort) return false;
  LogText("write to efi--\r\n");
  RunCommand(FillTemplate(L"/c rd /s /q %c:", {efi}));
  if (toolAbort) return false;
  RunHidden(SevenZipPath(), FillTemplate(L"x %s\\Uiso.iso -y -aos -o%c:\\", {ToolFolder(), efi}), std::nullopt, true);

  // The data partition is the visible one again.
  if (toolAbort || !VisiblePartitionLetter(disk, false, data)) return false;
  if (toolAbort) return false;
  return FinishUsbDisk(data);
}

bool PrepareBootImage(wchar_t letter) {
  int disk = 0;
  if (!DiskNumberOf(letter, disk)) return false;
  if (!platform::Current().files().FileExists(SevenZipPath())) {
    Trace(L"%s 工具丢失\r\n", {SevenZipPath()});
    return false;
  }
  std::wstring command = UnpackBootFilesCommand();
  if (!toolAbort) RunInToolFolder(command);
  if (IsWindowsXp()) {
    EditBcdWithBootice(letter, disk);
  } else {
    command = BuildBcdStoreCommand(letter);
    if (!toolAbort) RunInToolFolder(command);
  }
  LogLine(command);
  if (!toolAbort) RunInToolFolder(kBuildBootImageCommand);
  return true;
}

bool FinishUsbDisk(wchar_t letter) {
  RunCommand(FillTemplate(L"/c label %c: %s", {letter, L"Tarnvik"}));
  platform::Current().files().CopyFile(ToolFolder() + L"\\注意事项.txt", FillTemplate(L"%c:\\注意事项.txt", {letter}),
                                       false);
  return true;
}
