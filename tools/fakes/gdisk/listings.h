#pragma once
// What Gdisk.exe prints about a disk. The program reads these listings by word and line
// positions (tools/machines/README.md): keep every word where it is.

#include <string>

#include "platform/sim/machine_config.h"

namespace gdisk {

// Sizes in the listings, and in /sz:, are whole MiB, rounded down.
int64_t Mebibytes(int64_t bytes);

// "Gdisk.exe G": the "Model" line (the disk size the sixth word after it) and one row a
// partition in order of position, " e: 1 NTFS 15202 MB LABEL" (the letter, or "--").
std::string PlainListing(const sim::Disk& disk, unsigned gdiskIndex);

// "Gdisk.exe G /lba": the "Sectors" line, whose eighth word after "Sectors" is the start
// sector of the partition that lies first, then one row a partition by start sector.
std::string SectorListing(const sim::Disk& disk, unsigned gdiskIndex);

}  // namespace gdisk
