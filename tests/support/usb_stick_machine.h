#pragma once
// A machine with a USB stick, and the tools that are driven through their windows in its
// program's tool folder.

#include <json/json.h>

#include "support/temp_machine.h"

namespace testing_support {

// MinimalMachine with disk 2, a USB stick "SanDisk Cruzer" of two partitions: E: (FAT32)
// and a second one without a letter.
Json::Value MachineWithUsbStick();

// Puts D:\Tarnvik\tool\iso.dll and bootice.exe, the stand-ins of the simulated window
// applications, on the machine, as make-machine.sh does.
void PutWindowTools(TempMachine& machine);

}  // namespace testing_support
