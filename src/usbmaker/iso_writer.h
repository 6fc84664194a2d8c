#pragma once
// The ISO writer (iso.dll in the tool folder) writing the boot image Uiso.iso onto a USB
// drive through its disk-image writing window, which a driver thread works hidden from
// the user.

// Builds the boot image when it is missing, opens the writer on it and waits until the
// writer is closed. True when a write ran to its end; false when iso.dll is missing,
// `toolAbort` stopped it, the writer's window did not come, or the writer's drive list
// offered no item for the letter (then nothing is written).
bool WriteImageWithIsoWriter(wchar_t letter);
