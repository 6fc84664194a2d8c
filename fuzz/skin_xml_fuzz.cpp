// A skin XML file built into a control tree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/dialog_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DuiLib::CDialogBuilder builder;
  delete builder.CreateFromText(std::string(reinterpret_cast<const char*>(data), size), nullptr, nullptr);
  return 0;
}
