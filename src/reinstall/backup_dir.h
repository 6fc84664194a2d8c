#pragma once
// Where the backup of the user's folders goes, and which folders it may not go into.

#include <string>

// "beifenshuju" in the root of the volume with the most free space that is not the
// system's: among the volumes not on USB when there are at least two of them, else among
// the USB volumes. Empty when no volume qualifies (one local volume and no USB disk, or
// only system volumes): the system volume is what the reinstall overwrites, so the
// backup page then asks the user to pick a folder rather than backing up onto it.
std::wstring ChooseDefaultBackupDir();

// Whether `path` is `folder` itself or lies below it (Windows paths, without case).
bool PathWithin(const std::wstring& path, const std::wstring& folder);

// The folder without its trailing backslashes, but for a drive's root ("E:\\").
std::wstring WithoutTrailingBackslash(const std::wstring& folder);
