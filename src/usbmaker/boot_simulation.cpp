#include "usbmaker/boot_simulation.h"

#include <chrono>
#include <string>
#include <thread>

#include "app/global_param.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "usbmaker/disk_inventory.h"

bool SimulateBoot(wchar_t letter) {
  uint32_t disk = 0;
  if (!UsbDiskNumberOfVolume(letter, disk)) return false;
  const std::wstring parameters =
      FillTemplate(L"-L . -m 512 -boot c -hda //./PhysicalDrive%d -std-vga -snapshot", {static_cast<int>(disk)});
  RunHidden(L"qemu.exe", parameters, CGlobalParam::Instance()->programDir + L"simu", false);
  return true;
}

void KillTools() {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (const wchar_t* tool : {L"GDisk.exe", L"fbinst.exe", L"bootice.exe", L"bcdedit.dll", L"7za.exe", L"iso.dll"}) {
    RunHidden(L"cmd", L"/c taskkill /f /im " + std::wstring(tool), std::nullopt, false);
  }
}
