#pragma once
// The Windows XP branch of the boot entries (boot_store_entries.h): the NT loader's
// boot.ini chain-loads grldr, whose menu VQmenu.lst maps the WinPE ISO into memory as a CD
// and boots it.

#include <string>
#include <vector>

// After jszc is copied: its line in boot.ini, whose attributes are cleared for the edits.
void WriteBootIniSupportEntry(wchar_t systemDrive);

// grldr and VQmenu.lst in the root of the system drive, system, hidden and read-only.
// False, with a log line, when the menu cannot be written or either file is missing
// afterwards.
bool PrepareGrldrBootFiles(wchar_t systemDrive);

// The grldr entry in boot.ini as the default, ten-second menu, then the NT loader's boot
// code written with bootsect.exe.
void WriteGrldrBootEntry(wchar_t systemDrive);

// The four lines of VQmenu.lst for a WinPE ISO, without their line ends.
std::vector<std::string> GrldrMenuLines(const std::wstring& isoPath);
