#pragma once
// Where a volume lies: which disk holds it, and whether that disk is on the USB bus.

// The number of the disk that holds the volume of a drive letter, or -1.
int DiskNumberOfVolume(wchar_t letter);

// Whether the disk with this number is attached through USB.
bool IsUsbDisk(int diskNumber);
