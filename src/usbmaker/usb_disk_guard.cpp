#include "usbmaker/usb_disk_guard.h"

#include <vector>

#include "app/global_param.h"
#include "app/system_drive.h"
#include "app/template_fill.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"
#include "usbmaker/usb_disk_texts.h"

namespace {

constexpr uint64_t kManyFilesBytes = uint64_t(1) << 30;

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

// The drive letters of a disk's root ("E,F:\\" → E, F).
std::vector<wchar_t> DriveLetters(const VolumeInfo& disk) {
  std::vector<wchar_t> letters;
  for (wchar_t c : disk.root.substr(0, disk.root.find(L':'))) {
    if (c != L',') letters.push_back(Upper(c));
  }
  return letters;
}

bool HasLetter(const VolumeInfo& disk, wchar_t letter) {
  for (wchar_t c : DriveLetters(disk)) {
    if (c == Upper(letter)) return true;
  }
  return false;
}

// A USB hard disk: its volumes are fixed media, where a stick's are removable.
bool IsFixedMedia(const VolumeInfo& disk) {
  platform::Storage& storage = platform::Current().storage();
  for (wchar_t letter : DriveLetters(disk)) {
    if (storage.QueryDriveType(std::wstring(1, letter) + L":\\") == platform::kDriveFixed) return true;
  }
  return false;
}

std::wstring JobSentence(UsbDiskJob job, wchar_t letter) {
  switch (job) {
    case UsbDiskJob::Make:
      return L"您的U盘将被格式化，请确认好您的资料已经备份！";
    case UsbDiskJob::Restore:
      return FillTemplate(L"本次操作将会永久删除 %c: 盘上的所有数据，且不能恢复，您是否继续执行该操作?", {letter});
    case UsbDiskJob::ConvertNtfs:
      return FillTemplate(L"您确定要将U盘（%c:）转化为NTFS格式吗?", {letter});
  }
  return L"";
}

}  // namespace

std::wstring UsbDiskRefusal(const VolumeInfo& disk) {
  // Every letter counts: the inventory marks a disk as the system's only by its first one.
  const wchar_t systemDrive = SystemDirectoryDrive();
  if (disk.isSystem || (systemDrive != 0 && HasLetter(disk, systemDrive))) {
    return L"该磁盘上有正在运行的Windows系统，不能在它上面制作、还原或转换。";
  }
  const std::wstring& programDir = CGlobalParam::Instance()->programDir;
  if (!programDir.empty() && HasLetter(disk, programDir[0])) {
    return FillTemplate(L"本程序正在从该磁盘（%c:）上运行，不能在它上面制作、还原或转换。", {Upper(programDir[0])});
  }
  return L"";
}

UsbDiskIdentity IdentityOf(const VolumeInfo& disk) {
  return {disk.diskNumber, disk.label, disk.totalBytes, disk.root};
}

std::wstring UsbJobRefusal(const VolumeInfo& disk, const UsbDiskIdentity& snapshot) {
  if (std::wstring why = UsbDiskRefusal(disk); !why.empty()) return why;
  if (!StillTheSameDisk(snapshot)) {
    return FillTemplate(L"磁盘 %d 已不是所选的U盘（已拔出或已更换），未做任何操作。", {static_cast<int>(snapshot.diskNumber)});
  }
  return L"";
}

bool StillTheSameDisk(const UsbDiskIdentity& snapshot) {
  VolumeList now;
  ListUsbDisks(now);
  for (const auto& disk : now) {
    if (disk->diskNumber == snapshot.diskNumber) return IdentityOf(*disk) == snapshot;
  }
  return false;
}

std::wstring UsbConfirmationText(UsbDiskJob job, const VolumeInfo& disk) {
  std::wstring text = JobSentence(job, disk.root.empty() ? L'?' : disk.root[0]);
  text += L"\n磁盘：" + UsbDiskText(disk) + UsbSizeText(disk.totalBytes);
  if (IsFixedMedia(disk)) text += L"\n注意：这是一块USB移动硬盘，不是U盘！";
  const uint64_t used = disk.totalBytes > disk.freeBytes ? disk.totalBytes - disk.freeBytes : 0;
  if (used > kManyFilesBytes) {
    text += L"\n注意：该磁盘上已有" + UsbSizeText(used) +
            (job == UsbDiskJob::ConvertNtfs ? L" 的文件，转换前请先备份！" : L" 的文件，将全部被删除！");
  }
  return text;
}
