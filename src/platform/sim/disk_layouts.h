#pragma once
// The layouts of the machine's disks as the partitioning tools leave them, kept in
// state/disks.json for every process of the machine:
//   {"disks": {"2": {"style": "mbr", "letter": "E", "partitions": [...], "bootArea": {...}}}}
// A disk named there has that style, letter, partitions (machine.json's schema, each with
// an "id" that stays with the partition across changes) and hidden boot area in place of
// what machine.json says. The format is documented in tools/machines/README.md.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "platform/sim/machine_config.h"

namespace sim {

class SimPlatform;

// A layout change that cannot be made: no such disk, a letter another volume has, state
// that cannot be written. The text says which.
class DiskLayoutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `config` with the layouts of the disks.json at `file` over its disks. A disk entry that
// breaks the format is named on stderr and the disk left as it was.
MachineConfig WithDiskLayouts(MachineConfig config, const std::filesystem::path& file);

// Changes the layout of disk `number` as one step under state/machine.lock: reads its
// layout, lets `change` edit the disk's style, letter, partitions and boot area (anything
// else it changes is not kept) and, when `change` returns true, carries the partitions'
// files and attribute entries over and writes state/disks.json. A partition is known by
// its id: one that stays keeps its files, moved to its new folder when its letter or
// number changed (drives/X, or drives/Harddisk<N>Partition<M> without a letter); one that
// goes takes its files with it; one that `change` adds with id 0 gets an id that no
// partition of the disk had before and starts empty. Returns what `change` returned; throws DiskLayoutError.
bool ChangeDiskLayout(const SimPlatform& machine, uint32_t number, const std::function<bool(Disk&)>& change);

// Numbers the partition table 1, 2, ... in its order and gives the disk's letter to the
// first entry alone, as Windows shows one volume of removable media.
void RenumberTable(Disk& disk);

}  // namespace sim
