#pragma once
// The install proper: the image prepared, the boot entries written on the path the system
// disk and Windows version call for, and the image named to the WinPE.
//
//   system disk  Windows  support entry    WinPE boot files      WinPE entry
//   GPT          any      as the version   RAM disk (WIM, SDI)   winload.efi, boot manager on every EFI partition
//   not GPT      XP 5.1   boot.ini line    grldr and VQmenu.lst  boot.ini entry, bootsect.exe
//   not GPT      other    boot store       RAM disk (WIM, SDI)   winload.exe

#include <string>

enum class InstallStep { None, PartitionQuery, ImagePreparation, PeBootFiles, GhostHandoff };

struct InstallOutcome {
  InstallStep failedStep = InstallStep::None;  // None: every step succeeded
  std::wstring preparedImage;                  // the .gho the WinPE is to apply, once prepared
  bool ok() const { return failedStep == InstallStep::None; }
};

// Runs the steps on the drive of the running Windows, up to the first that fails, and
// leaves ghostPe.In in the root of `handoffDrive`. What was written before a failing step
// stays; the next run replaces it.
InstallOutcome InstallCore(wchar_t handoffDrive, const std::wstring& imagePath);
