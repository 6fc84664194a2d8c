#include "reinstall/legacy_boot_entries.h"

#include "app/log.h"
#include "app/pe_component.h"
#include "app/program_folders.h"
#include "app/protected_file.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "reinstall/boot_store_entries.h"
#include "reinstall/required_files.h"

namespace {

std::wstring BootIni(wchar_t s) { return FillTemplate(L"%c:\\boot.ini", {s}); }

void RunCommand(const std::wstring& parameters) { RunHidden(L"cmd.exe", parameters, std::nullopt, true); }

}  // namespace

std::vector<std::string> GrldrMenuLines(const std::wstring& isoPath) {
  // grldr finds the ISO by its path from the root of whichever drive holds it.
  std::wstring path = isoPath.size() > 2 ? isoPath.substr(2) : L"";
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  const std::string m = WideToLocal(path);
  return {"find --set-root " + m, "map --mem " + m + " (0xff)", "map --hook", "chainloader (0xff)"};
}

void WriteBootIniSupportEntry(wchar_t s) {
  RunCommand(FillTemplate(L"/c attrib -s -r -h %s", {BootIni(s)}));
  platform::Current().profiles().WriteString(L"operating systems", FillTemplate(L"%c:\\jszc", {s}), kSupportEntryTitle,
                                             BootIni(s));
}

bool PrepareGrldrBootFiles(wchar_t s) {
  platform::Files& files = platform::Current().files();
  const std::wstring program = ProgramFolder();
  const std::wstring grldr = FillTemplate(L"%c:\\grldr", {s});
  DeleteProtectedFile(grldr);
  RunCommand(FillTemplate(L"/c copy /y \"%s\\PE\\grldr\" %s", {program, grldr}));
  files.SetFileAttributes(
      grldr, platform::kFileAttributeReadOnly | platform::kFileAttributeHidden | platform::kFileAttributeSystem);

  const std::wstring menu = FillTemplate(L"%s\\VQmenu.lst", {program});
  std::string text;
  for (const std::string& line : GrldrMenuLines(peIsoPath())) text += line + "\r\n";
  if (!files.WriteFile(menu, text)) {
    LogLine(L"cannot write the grldr menu " + menu);
    return false;
  }
  const std::wstring menuTarget = FillTemplate(L"%c:\\VQmenu.lst", {s});
  DeleteProtectedFile(menuTarget);
  RunCommand(FillTemplate(L"/c move /Y \"%s\" %s", {menu, menuTarget}));
  RunCommand(FillTemplate(L"/c attrib +s +r +h %s", {menuTarget}));

  return RequiredFilesPresent({grldr, menuTarget});
}

void WriteGrldrBootEntry(wchar_t s) {
  platform::Profiles& profiles = platform::Current().profiles();
  const std::wstring bootIni = BootIni(s), grldr = FillTemplate(L"%c:\\grldr", {s});
  RunCommand(FillTemplate(L"/c attrib -s -r -h %s", {bootIni}));
  profiles.WriteString(L"boot loader", L"timeout", L"10", bootIni);
  profiles.WriteString(L"operating systems", grldr, peLabel(), bootIni);
  profiles.WriteString(L"boot loader", L"default", grldr, bootIni);
  RunCommand(FillTemplate(L"/c attrib +s +r +h %s", {bootIni}));
  RunHidden(L"cmd.exe", FillTemplate(L"/c bootsect.exe /nt52 %c: /mbr", {s}), ProgramFolder() + L"\\tool\\", true);
}
