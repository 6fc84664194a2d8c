#pragma once
// The one cmd command chain that points the WinPE entries of the two store files of the
// USB disk's boot area (BIOS: kqd\boot\BCD, UEFI: kqd\efi\microsoft\boot\BCD, edited
// with the tool folder's bcdedit.dll) at the WIM on the data partition, as a RAM disk.

#include <string>

// The parameters for cmd.exe, run in the tool folder; `letter` is the data partition's.
std::wstring BuildBcdStoreCommand(wchar_t letter);
