#include "reinstall/boot_store_entries.h"

#include <string>

#include "app/log.h"
#include "app/pe_component.h"
#include "app/program_folders.h"
#include "app/protected_file.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "platform/platform.h"
#include "reinstall/efi_boot_manager.h"
#include "reinstall/legacy_boot_entries.h"
#include "reinstall/required_files.h"

namespace {

constexpr wchar_t kEditor[] = L"bcdedit.dll";
constexpr wchar_t kPeEntryId[] = L"{ba50c1f0-3752-11de-90d5-cdf8d52a3200}";
constexpr wchar_t kSupportEntryId[] = L"{ba50c1f0-3752-11de-90d5-cdf8d52a3211}";
constexpr wchar_t kSdiName[] = L"SDone.SDI";

constexpr wchar_t kSupportEntryTemplate[] =
    L"/c %s  /delete %s&\t\t\t%s /create %s /d %s /application bootsector&\t\t\t%s /set  %s device "
    L"partition=%c:&\t\t\t%s /set  %s path \\jszc&\t\t\t%s /displayorder %s /addlast";

constexpr wchar_t kPeEntryTemplate[] =
    L"/c %s /delete  {ramdiskoptions} /f&%s /create  {ramdiskoptions}&%s /set   {ramdiskoptions} ramdisksdidevice "
    L"partition=%c:&%s /set  {ramdiskoptions} ramdisksdipath  \\%s&%s  /delete %s&%s  /create %s /d %s /application "
    L"osloader&%s  /set  %s device ramdisk=[%c:]%s,{ramdiskoptions}&%s&%s  /set  %s osdevice "
    L"ramdisk=[%c:]%s,{ramdiskoptions}&%s  /set  %s systemroot \\windows&%s  /set  %s detecthal Yes&%s  /set  %s "
    L"winpe Yes&%s  /displayorder %s /addlast&%s  /set {bootmgr} timeout 10";

void WriteStoreSupportEntry(wchar_t s) {
  const std::wstring e = kEditor, id = kSupportEntryId;
  RunHidden(L"cmd.exe", FillTemplate(kSupportEntryTemplate, {e, id, e, id, kSupportEntryTitle, e, id, s, e, id, e, id}),
            ToolFolder(), true);
}

bool PrepareRamdiskBootFiles(wchar_t s) {
  platform::Files& files = platform::Current().files();
  const std::wstring program = ProgramFolder(), wim = peWimPath();
  if (!files.FileExists(wim)) {
    RunHidden(program + L"\\tool\\7z.exe", FillTemplate(L"e %s -o%s\\PE %s", {peIsoPath(), program, kWimPathInIso}),
              std::nullopt, true);
  }
  const std::wstring sdi = FillTemplate(L"%c:\\%s", {s, kSdiName});
  DeleteProtectedFile(sdi);
  RunHidden(L"cmd.exe", FillTemplate(L"/c copy /y \"%s\" %s", {program + L"\\PE\\" + kSdiName, sdi}), std::nullopt,
            true);
  RunHidden(L"cmd.exe", FillTemplate(L"/c attrib +s +r +h %s", {sdi}), std::nullopt, true);
  return RequiredFilesPresent({wim, sdi});
}

void WriteRamdiskBootEntry(wchar_t s, bool uefi) {
  const std::wstring e = kEditor, id = kPeEntryId;
  const std::wstring pathCommand = FillTemplate(uefi ? L"%s  /set  %s path \\windows\\system32\\boot\\winload.efi"
                                                     : L"%s  /set  %s path \\windows\\system32\\boot\\winload.exe",
                                                {e, id});
  const wchar_t p = ProgramFolder().front();
  // The WIM's path on the program's drive, without the drive letter and colon.
  const std::wstring wimOnDrive = peWimPath(), wim = wimOnDrive.size() > 2 ? wimOnDrive.substr(2) : L"";
  std::wstring command = FillTemplate(kPeEntryTemplate, {e, e, e, s, e, kSdiName,                    // the RAM disk
                                                         e, id, e, id, peLabel(),                    // the entry
                                                         e, id, p, wim, pathCommand, e, id, p, wim,  // its devices
                                                         e, id, e, id, e, id, e, id, e});            // and the rest
  command += FillTemplate(L"&%s /default %s", {e, id});
  RunHidden(L"cmd.exe", command, ToolFolder(), true);
  if (uefi) CopyBootManagerToEfiPartitions();
}

}  // namespace

void WriteSupportEntry(wchar_t systemDrive, bool xp) {
  const std::wstring from = ProgramFolder() + L"\\PE\\jszc", to = FillTemplate(L"%c:\\jszc", {systemDrive});
  if (!platform::Current().files().CopyFile(from, to, false)) {
    LogLine(L"cannot copy " + from + L" to " + to);
  }
  if (xp) {
    WriteBootIniSupportEntry(systemDrive);
  } else {
    WriteStoreSupportEntry(systemDrive);
  }
}

bool PreparePeBootFiles(wchar_t systemDrive, bool legacy) {
  if (!platform::Current().files().FileExists(peIsoPath())) {
    LogText("not find PeISO.\r\n");
    return false;
  }
  return legacy ? PrepareGrldrBootFiles(systemDrive) : PrepareRamdiskBootFiles(systemDrive);
}

void WritePeBootEntry(wchar_t systemDrive, bool uefi, bool xp) {
  if (xp) {
    WriteGrldrBootEntry(systemDrive);
  } else {
    WriteRamdiskBootEntry(systemDrive, uefi);
  }
}
