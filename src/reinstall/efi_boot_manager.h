#pragma once

// Replaces EFI\Microsoft\Boot\bootmgfw.efi on the EFI system partition of every disk with
// the tool folder's, so that a UEFI machine starts the boot manager that knows the WinPE
// entry. Each partition is reached through a free drive letter mapped to it for the copy;
// a partition for which no letter from C to Y is free is skipped with a log line rather
// than mapped over a letter in use.
void CopyBootManagerToEfiPartitions();
