#include "usbmaker/restore_usb_disk.h"

#include <cstdint>
#include <string>

#include "app/log.h"
#include "app/product.h"
#include "app/template_fill.h"
#include "app/text_helpers.h"
#include "usbmaker/disk_inventory.h"
#include "usbmaker/gdisk_steps.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_commands.h"

bool RestoreUsbDisk(wchar_t letter) {
  toolAbort = false;
  uint32_t disk = 0;
  if (!UsbDiskNumberOfVolume(letter, disk)) {
    LogText("erro disk");
    return false;
  }
  const int diskNumber = static_cast<int>(disk);

  const std::wstring wipe = FillTemplate(L"/c rd /s /q %c:\n", {letter});
  LogText(WideToLocal(wipe));
  RunCommand(wipe);

  if (!DeleteAllPartitions(diskNumber + 1) || !CreateUsbPartitions(diskNumber + 1, 0, 0, 0)) return false;
  if (!FormatBootArea(diskNumber)) {
    LogText(WideToLocal(L"清理ud区失败\r\n"));
    return false;
  }
  LogText(WideToLocal(L"清理了ud区\r\n"));

  const std::wstring label = FillTemplate(L"/c label %c: %s", {letter, kProductTitle});
  LogText(WideToLocal(label + L"\r\n"));
  RunCommand(label);
  return true;
}
