#include "usbmaker/bcd_store_command.h"

#include "app/template_fill.h"

std::wstring BuildBcdStoreCommand(wchar_t letter) {
  const std::wstring wim = FillTemplate(L"[%c:]\\boot\\%s", {letter, L"WEPE64.WIM"});
  const std::wstring biosStore = L"bcdedit.dll /store kqd\\boot\\BCD";
  const std::wstring biosEntry = biosStore + L" /set {E2F00EF7-AF5F-48D4-99A2-7B1C6F57E63D}";
  const std::wstring uefiStore = L"bcdedit.dll /store kqd\\efi\\microsoft\\boot\\BCD";
  const std::wstring uefiEntry = uefiStore + L" /set {2b27e930-f7ab-11df-aeb8-c641fe7f0057}";
  return FillTemplate(
      L"/c %s /timeout 1& \t\t\t\t\t%s /set {bootmgr} locale zh-cn&\t\t\t\t\t"
      L"%s device     ramdisk=%s,{ramdiskoptions}&\t\t\t\t\t%s osdevice   ramdisk=%s,{ramdiskoptions}&\t\t\t\t\t"
      L"%s systemroot              \\WINDOWS&\t\t\t\t\t%s detecthal               Yes&\t\t\t\t\t"
      L"%s winpe                   Yes&\t\t\t\t\t%s /timeout 0 & \t\t\t\t\t"
      L"%s device     ramdisk=%s,{ramdiskoptions}&\t\t\t\t\t%s osdevice   ramdisk=%s,{ramdiskoptions}&\t\t\t\t\t"
      L"%s systemroot              \\WINDOWS&\t\t\t\t\t%s nx                      OptIn&\t\t\t\t\t"
      L"%s pae                     ForceEnable&\t\t\t\t\t%s detecthal               Yes&\t\t\t\t\t"
      L"%s winpe                   Yes",
      {biosStore, biosStore, biosEntry, wim, biosEntry, wim, biosEntry, biosEntry, biosEntry, uefiStore, uefiEntry,
       wim, uefiEntry, wim, uefiEntry, uefiEntry, uefiEntry, uefiEntry, uefiEntry});
}
