#pragma once

// The drive of the running Windows: the first character of the system directory, blanks
// around it trimmed. 0 when the system directory is empty: no drive is then taken for
// the system's, rather than guessing one.
wchar_t SystemDirectoryDrive();
