#include "support/usb_machine.h"

#include <fstream>
#include <stdexcept>

#include "support/temp_machine.h"

namespace testing_support {

Json::Value UsbDisk(int number, const char* friendlyName, const std::vector<UsbVolume>& volumes, bool removable) {
  Json::Value disk;
  disk["number"] = number;
  disk["bus"] = "usb";
  disk["style"] = "mbr";
  disk["friendlyName"] = friendlyName;
  disk["removableMedia"] = removable;
  int64_t size = 0;
  int partition = 1;
  for (const UsbVolume& v : volumes) {
    Json::Value p;
    p["number"] = partition++;
    p["letter"] = v.letter;
    p["fileSystem"] = "FAT32";
    p["sizeBytes"] = Json::Int64(v.sizeBytes);
    p["freeBytes"] = Json::Int64(v.freeBytes);
    disk["partitions"].append(p);
    size += v.sizeBytes;
  }
  disk["sizeBytes"] = Json::Int64(size + (int64_t(1) << 20));
  return disk;
}

Json::Value MachineWith(const std::vector<Json::Value>& usbDisks) {
  Json::Value m = MinimalMachine();
  for (const Json::Value& disk : usbDisks) m["disks"].append(disk);
  return m;
}

UsbMachine::UsbMachine(const Json::Value& machineJson) { Open(machineJson); }

UsbMachine::~UsbMachine() {
  installed_.reset();
  machine_.reset();
}

void UsbMachine::Plug(const Json::Value& machineJson) {
  installed_.reset();
  machine_.reset();
  std::filesystem::remove(dir_.path() / "state" / "detached.json");
  Open(machineJson);
}

void UsbMachine::Pull(uint32_t diskNumber) {
  if (!machine_->DetachDisk(diskNumber)) throw std::runtime_error("no disk " + std::to_string(diskNumber));
}

void UsbMachine::Open(const Json::Value& machineJson) {
  std::ofstream(dir_.path() / "machine.json") << machineJson.toStyledString();
  machine_ = std::make_unique<sim::SimPlatform>(dir_.path());
  installed_ = std::make_unique<platform::ScopedPlatform>(*machine_);
}

}  // namespace testing_support
