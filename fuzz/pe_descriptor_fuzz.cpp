// pe.json, the descriptor of the last downloaded WinPE component.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/pe_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PeEntry pe;
  ReadPeDescriptor(std::string(reinterpret_cast<const char*>(data), size), pe);
  return 0;
}
