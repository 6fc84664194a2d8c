#include "support/usb_stick_machine.h"

namespace testing_support {

Json::Value MachineWithUsbStick() {
  Json::Value m = MinimalMachine();
  Json::Value stick;
  stick["number"] = 2;
  stick["bus"] = "usb";
  stick["removableMedia"] = true;
  stick["sizeBytes"] = Json::Int64(8) << 30;
  stick["style"] = "mbr";
  stick["friendlyName"] = "SanDisk Cruzer";
  Json::Value data;
  data["number"] = 1;
  data["sizeBytes"] = Json::Int64(7) << 30;
  data["letter"] = "E";
  data["fileSystem"] = "FAT32";
  Json::Value efi;
  efi["number"] = 2;
  efi["sizeBytes"] = Json::Int64(512) << 20;
  stick["partitions"].append(data);
  stick["partitions"].append(efi);
  m["disks"].append(stick);
  return m;
}

void PutWindowTools(TempMachine& machine) {
  machine.WriteFile(L"D:\\Tarnvik\\tool\\iso.dll", "tarnvik window application: iso-writer\n");
  machine.WriteFile(L"D:\\Tarnvik\\tool\\bootice.exe", "tarnvik window application: bootice\n");
}

}  // namespace testing_support
