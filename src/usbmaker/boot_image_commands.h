#pragma once
// The two command lines that make the boot image Uiso.iso in the tool folder: the boot
// file set unpacked into kqd, then a fresh Uiso.iso from the shipped Uiso.bak with the
// kqd files added. Both run with cmd.exe in the tool folder.

#include <string>

#include "app/program_folders.h"
#include "app/template_fill.h"

// The tool folder's 7z.exe, as the unpack command names it.
inline std::wstring SevenZipPath() { return ToolFolder() + L"\\7z.exe"; }

inline std::wstring UnpackBootFilesCommand() {
  return FillTemplate(L"/c %s x Udata.bak -y -aos -okqd", {SevenZipPath()});
}

inline constexpr wchar_t kBuildBootImageCommand[] = L"/c copy Uiso.bak Uiso.iso /y && iso.dll -silent -in Uiso.iso -f kqd\\*";
