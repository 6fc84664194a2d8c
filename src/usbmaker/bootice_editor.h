#pragma once
// The boot store editor (bootice.exe in the tool folder) editing the two store files of
// the USB disk's boot area in its easy mode, on Windows XP where the store-edit command
// line cannot run: a driver thread points the editor's boot disk at the USB disk, saves
// and closes it, hidden from the user.

// Edits the BIOS store, then the UEFI store, for USB disk `disk`. False, and the second
// store left alone, when `toolAbort` stopped it, an editor's window did not come, or its
// disk list had no item for the disk (the editor is then closed without saving).
bool EditBcdWithBootice(wchar_t letter, int disk);
