// Molvane's reading of diskpart's "shrink querymax" answer.
#include <cstddef>
#include <cstdint>

#include "shrink_size.h"
#include "support/cp936_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  molvane::ReadMaxShrinkMb(fuzz::Cp936Lines(data, size));
  return 0;
}
