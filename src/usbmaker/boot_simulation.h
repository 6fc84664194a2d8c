#pragma once
// Two services of the USB maker that start programs without waiting for them: the
// emulator test of a finished stick, and the end of every external tool a job abandoned
// may have left running.

// Starts qemu.exe from the program's "simu" folder on the whole physical disk that holds
// the drive letter, in snapshot mode so that nothing is written to it. False, starting
// nothing, when the letter's disk number cannot be read.
bool SimulateBoot(wchar_t letter);

// Waits 300 ms, then ends the maker's external tools by image name with taskkill, one
// cmd.exe each, without waiting for them.
void KillTools();
