#pragma once
// What the WinPE learns after the restart from files in the drive roots: ghostPe.In, in
// the root of the system drive, names the image to apply; Config.ini
// (CGlobalParam::configIniPath) carries the statistics keys and where the backup lies.

#include <string>

// Writes ghostPe.In naming `preparedImage` and moves it to the root of `drive`, system,
// hidden and read-only. True only when the root's ghostPe.In names this image: an older
// one that could not be replaced fails, with a log line.
bool WriteGhostHandoff(wchar_t drive, const std::wstring& preparedImage);

// "BP" of Config.ini: the backup folder, encrypted. Not reported when it fails.
void WriteBackupPathHandoff(const std::wstring& backupFolder);

// Hides Config.ini and removes the stale copies an earlier run may have left in the roots
// of the other fixed drives, where the WinPE could find them first.
void CleanStaleConfigIni();
