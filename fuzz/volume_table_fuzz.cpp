// Molvane's reading of diskpart's "list volume" table.
#include <cstddef>
#include <cstdint>

#include "support/cp936_lines.h"
#include "volume_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (auto rows = molvane::ReadVolumeTable(fuzz::Cp936Lines(data, size))) {
    molvane::FindVolumeNumber(*rows, L'D');
  }
  return 0;
}
