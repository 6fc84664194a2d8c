#pragma once

// Converts the volume of the drive letter to NTFS with the system's convert, keeping its
// files. True when the volume is NTFS afterwards (at once for one that is already); the
// system's volume is never converted, whichever case its letter comes in.
bool ConvertToNtfs(wchar_t letter);
