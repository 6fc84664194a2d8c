// machine.json, the description of a simulated machine: refused with a MachineError or read.
#include <cstddef>
#include <cstdint>

#include "platform/sim/machine_config.h"
#include "support/scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    sim::LoadMachineConfig(fuzz::WriteScratchFile("machine.json", data, size));
  } catch (const sim::MachineError&) {
  }
  return 0;
}
