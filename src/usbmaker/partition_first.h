#pragma once
// Which partition of a USB disk carries the drive letter, and making the wanted one do:
// Windows shows only the first partition of a removable disk.

// Whether the partition Windows shows with a letter on disk `disk` is the EFI partition
// (the second, `wantEfi`) or the data partition (the first), by the listing of
// Gdisk.exe in the tool folder.
bool IsPartitionFirst(int disk, bool wantEfi);

// Puts partitions 1 to 4 first in turn with bootice.exe until the wanted one carries the
// letter. False when none does, or `toolAbort` stopped it before a tool.
bool MakePartitionFirst(int disk, bool wantEfi);
