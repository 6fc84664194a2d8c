#pragma once
// The program's one source of knowledge about disks and volumes. No state is kept:
// every query opens what it needs, reads it, closes it and answers afresh.

#include <vector>

#include "usbmaker/volume_info.h"

// Appends one record per fixed or removable volume C: to Z:.
void ListLocalVolumes(VolumeList& list);
// The same, without volumes on USB disks; true when the list is not empty.
bool ListNonUsbVolumes(VolumeList& list);

// Builds the raw table of attached USB disks with media; returns the number of rows.
int ScanUsbDisks(std::vector<UsbDiskRow>& rows);
// Fills the friendly names of the rows from the present disk interfaces.
void FillUsbDiskNames(std::vector<UsbDiskRow>& rows);
// One record per attached USB disk; true when there is at least one.
bool ListUsbDisks(VolumeList& list);

bool IsUsbVolume(wchar_t letter);
// Whether the disk under the letter reports a size (card-reader slots without a card do
// not).
bool VolumeHasMedia(wchar_t letter);
bool UsbDiskNumberOfVolume(wchar_t letter, uint32_t& deviceNumber);

// Where the partition of a drive letter lies. False when it cannot be found, and also
// for the EFI system partition itself and for a disk of size 0. Prints trace lines.
bool GetPartitionLocation(wchar_t letter, PartitionLocation& location);

int CountPhysicalDisks();
// The number of the first EFI system partition of a disk, or 0.
int FindEfiPartition(int diskNumber);
