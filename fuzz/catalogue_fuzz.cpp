// The catalogue text (os.json) turned into the OS list and the WinPE entry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/catalogue.h"
#include "reinstall/reinstall_controller.h"
#include "support/demo_machine.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::InstallDemoMachine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReinstallController controller;
  controller.machineText = L"Windows 10 64位 UEFI";
  ParseCatalogue(controller, std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
