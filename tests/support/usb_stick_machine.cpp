#include "support/usb_stick_machine.h"

#include "support/usb_machine.h"

namespace testing_support {

Json::Value MachineWithUsbStick() {
  Json::Value stick = UsbDisk(2, "SanDisk Cruzer", {{"E", 7 * kGiB, 7 * kGiB}});
  Json::Value second;
  second["number"] = 2;
  second["sizeBytes"] = Json::Int64(512) << 20;
  stick["partitions"].append(second);
  stick["sizeBytes"] = Json::Int64(8) << 30;
  return MachineWith({stick});
}

void PutWindowTools(TempMachine& machine) {
  machine.WriteFile(L"D:\\Tarnvik\\tool\\iso.dll", "tarnvik window application: iso-writer\n");
  machine.WriteFile(L"D:\\Tarnvik\\tool\\bootice.exe", "tarnvik window application: bootice\n");
}

}  // namespace testing_support
