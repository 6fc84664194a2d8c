#pragma once
// The preparation of a USB boot disk, step after step, on the disk of a drive letter.

#include "app/message_target.h"

// 1 success; 0 the disk cannot be identified or its layout cannot be made usable; -1
// partitioning failed; -2 writing the boot files failed. Reports the stages to `window`.
int MakeUsbDisk(wchar_t letter, IMessageTarget* window);
bool PartitionUsbDisk(wchar_t letter, IMessageTarget* window);
bool WriteBootFiles(wchar_t letter);
// Builds the tool folder's Uiso.iso with boot stores that point at the data partition.
bool PrepareBootImage(wchar_t letter);
// Labels the disk and leaves the notes file on it. Always true.
bool FinishUsbDisk(wchar_t letter);
