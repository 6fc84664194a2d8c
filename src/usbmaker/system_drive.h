#pragma once

// The first character of the system directory, blanks around it trimmed: the drive of
// the running Windows. 0 when the system directory is empty.
wchar_t SystemDirectoryDrive();
