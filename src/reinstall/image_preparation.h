#pragma once
// The OS image in the form the WinPE applies: the path of a .gho file. A .gho is used
// where it lies; an .iso is mounted with IsoCmd.exe and its largest image file copied to
// the tool folder as ghost.gho.

#include <string>

// Lower-cases `imagePath` and gives the .gho to apply in `preparedPath`. False, with a log
// line, when the image is neither, or the ISO's image file could not be had.
bool PrepareImage(std::wstring imagePath, std::wstring& preparedPath);
