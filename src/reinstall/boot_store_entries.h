#pragma once
// The boot entries that start the WinPE once: a RAM-disk entry for WEPE64.WIM, made the
// default with a ten-second menu, and a support entry leading to the jszc boot sector.
// From Vista on they go into the boot configuration store through the tool folder's
// bcdedit.dll; on Windows XP into boot.ini through grldr (legacy_boot_entries.h). Called
// in this order, then the hand-off (pe_handoff.h). `systemDrive` is the letter of the
// drive of the running Windows.

// The title of the support entry; like peLabel it has no blank, since both go unquoted
// after "/d".
inline constexpr wchar_t kSupportEntryTitle[] = L"Tarnvik-Support";

// Copies the support boot sector jszc to the root of the system drive and adds its entry.
// Failures are logged only: the install goes on without the support entry.
void WriteSupportEntry(wchar_t systemDrive, bool xp);

// Puts the files the WinPE entry boots from in place (the WIM and SDone.SDI; grldr and
// its menu in the legacy branch). False, with a log line, when the WinPE ISO or one of
// those files is missing afterwards.
bool PreparePeBootFiles(wchar_t systemDrive, bool legacy);

// Adds the WinPE entry as the default. With `uefi`, the boot manager of every EFI system
// partition is replaced as well. The editor's runs are not examined.
void WritePeBootEntry(wchar_t systemDrive, bool uefi, bool xp);
