#pragma once
// What Gdisk.exe /cre does to a disk's layout.

#include <optional>
#include <string>

#include "platform/sim/machine_config.h"

namespace gdisk {

struct CreateRequest {
  bool atEnd = false;                  // /end
  std::optional<int64_t> sizeMiB;      // /sz:N; all of the region without it
  bool format = false;                 // /for
  bool ntfs = false;                   // /ntfs: NTFS rather than FAT32
  std::string label;                   // /v:LABEL (UTF-8)
};

// Places a new primary partition in the largest free region of the disk (at its end with
// atEnd, else at its start, the first one at 1 MiB) and appends it to the table with id 0,
// a new partition. A raw disk becomes MBR first. Throws fakes::ToolError when it does not
// fit or the table is full. The partition created.
const sim::Partition& CreatePartition(sim::Disk& disk, const CreateRequest& request);

}  // namespace gdisk
