// The catalogue text (os.json) turned into the OS list and the WinPE entry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/catalogue.h"
#include "support/demo_machine.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::InstallDemoMachine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CatalogueMachine machine{L"UEFI", L"Win10 64位 专业版", 64};
  ParseCatalogue(machine, std::string(reinterpret_cast<const char*>(data), size), PeEntry{});
  return 0;
}
