#pragma once
// The partitioning tool's steps of the USB maker: Gdisk.exe and fbinst.exe in the tool
// folder, run hidden through cmd.exe, their listings read back from the log files they
// leave there. Gdisk numbers disks from 1 (its index is the disk number + 1); fbinst
// takes the disk number itself.

#include <cstdint>

// The start sector of the disk's first partition; `sector` is left as it is when the
// listing names none (no partition table). Always true.
bool ReadFirstPartitionSector(int gdiskIndex, int64_t& sector);
// The disk's size in the listing's unit (that of /sz:); left as it is when not listed.
void ReadDiskSize(int gdiskIndex, int64_t& size);
// False when the tool could not lock the disk ("Locked" in its log).
bool DeleteAllPartitions(int gdiskIndex);
// With a front reserve and an EFI size: an EFI partition of `efiSize` at the end and an
// NTFS data partition before it, leaving `frontReserve` free at the start for the hidden
// boot area. With either zero: one NTFS partition over the disk. False when toolAbort
// stopped it.
bool CreateUsbPartitions(int gdiskIndex, int64_t size, int64_t frontReserve, int64_t efiSize);
// Formats the hidden boot area; disk 0 is never a USB disk and is refused.
bool FormatBootArea(int diskNumber);
// The letter of the disk's visible partition when it is the one wanted (the EFI
// partition or the data partition).
bool FindPartitionLetter(int diskNumber, bool wantEfi, wchar_t& letter);
