#pragma once
// What keeps the USB maker off the wrong disk: the disks it must never touch, a check that
// the disk about to be worked on is still the one the user chose, and confirmation texts
// that say which disk will be erased.

#include <cstdint>
#include <string>

#include "usbmaker/volume_info.h"

// Why the maker must not make, restore or convert the disk: one of its volumes holds the
// running Windows or the program itself. Empty when it may.
std::wstring UsbDiskRefusal(const VolumeInfo& disk);

// What tells one listed USB disk from another, kept from the moment the list was drawn.
struct UsbDiskIdentity {
  uint32_t diskNumber = 0;
  std::wstring friendlyName;
  uint64_t totalBytes = 0;  // of its volumes
  std::wstring root;        // its drive letters, "E,F:\\"
  bool operator==(const UsbDiskIdentity&) const = default;
};

UsbDiskIdentity IdentityOf(const VolumeInfo& disk);

// Re-reads the attached USB disks right before a tool runs: false when the disk of the
// snapshot's number is gone or is now another device (name, size or letters differ).
bool StillTheSameDisk(const UsbDiskIdentity& snapshot);

// The check a worker makes right before its first tool: why it must not touch `disk`
// (listed as `snapshot`), the refusal above or the disk gone or swapped; empty when it
// may.
std::wstring UsbJobRefusal(const VolumeInfo& disk, const UsbDiskIdentity& snapshot);

enum class UsbDiskJob { Make, Restore, ConvertNtfs };

// The question put to the user before a job: the job's own sentence, the disk's row text
// and size, and a warning line when the disk is a USB hard disk rather than a stick, or
// when its volumes hold more than 1 GiB of files.
std::wstring UsbConfirmationText(UsbDiskJob job, const VolumeInfo& disk);
