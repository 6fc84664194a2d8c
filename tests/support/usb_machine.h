#pragma once
// Simulated machines with USB disks that tests plug in and pull out.

#include <json/json.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_platform.h"
#include "support/temp_dir.h"

namespace testing_support {

constexpr int64_t kGiB = int64_t(1) << 30;

struct UsbVolume {
  const char* letter;
  int64_t sizeBytes;
  int64_t freeBytes;
};

// A USB disk of machine.json: a stick (removable media), or with removable false a USB
// hard disk, whose volumes are fixed.
Json::Value UsbDisk(int number, const char* friendlyName, const std::vector<UsbVolume>& volumes,
                    bool removable = true);

// MinimalMachine (C: on disk 0, the program on D: of disk 1) plus these disks.
Json::Value MachineWith(const std::vector<Json::Value>& usbDisks);

// A machine in a temporary folder, installed as the current platform. Plug makes the
// machine's disks exactly those of a new machine.json (nothing detached) and opens it
// again, as the system sees the disks after a device event.
class UsbMachine {
 public:
  explicit UsbMachine(const Json::Value& machineJson);
  ~UsbMachine();
  void Plug(const Json::Value& machineJson);
  // Takes a disk out, as a pulled stick.
  void Pull(uint32_t diskNumber);
  const std::filesystem::path& folder() const { return dir_.path(); }

 private:
  void Open(const Json::Value& machineJson);

  TempDir dir_;
  std::unique_ptr<sim::SimPlatform> machine_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
};

}  // namespace testing_support
