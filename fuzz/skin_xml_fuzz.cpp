// A skin XML file built into a control tree, with its window size, caption band and fonts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/dialog_builder.h"
#include "skin/paint_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DuiLib::CPaintManagerUI manager;
  DuiLib::CDialogBuilder builder;
  delete builder.CreateFromText(std::string(reinterpret_cast<const char*>(data), size), nullptr, &manager);
  return 0;
}
