#pragma once
// The virtual CD drives of the machine: how many there are, whether the driver is
// installed and which drive holds which letter (state/isocmd.json), and what is in each
// drive (state/mounts.json, the contract with the simulated machine, with the disc's
// files in drives/<letter>/). The caller holds the MachineLock.

#include <json/value.h>

#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace fakes {

struct VirtualDrive {
  char letter = 0;
  std::string image;  // the Windows path of the mounted ISO; empty without a disc
};

class VirtualDrives {
 public:
  // Reads both state files; throws ToolError naming a file that is not what it should be.
  explicit VirtualDrives(sim::SimPlatform& machine);

  bool driverInstalled() const { return driverInstalled_; }
  void InstallDriver() { driverInstalled_ = true; }
  const std::vector<VirtualDrive>& drives() const { return drives_; }

  // Makes `count` drives: new ones get the first free letters from D: on (a letter no
  // volume, mounted drive or drives/ folder of the machine has), drives beyond `count` go
  // with their discs.
  void SetCount(size_t count);
  // The drive numbered `number`; throws ToolError when there is none or the driver is not
  // installed.
  VirtualDrive& Drive(size_t number);
  // Takes the disc out of the drive: its files go, the drive stays.
  void Eject(VirtualDrive& drive);
  // Puts the ISO (a full Windows path) into the drive, in place of what was there. Throws
  // ToolError when the file is missing or not an image 7z can read; the drive is then
  // empty, and saved so.
  void Mount(VirtualDrive& drive, const std::string& image);

  // Writes state/isocmd.json and state/mounts.json, each replaced at once.
  void Save();

 private:
  std::filesystem::path DriveFolder(char letter) const;
  bool LetterIsFree(char letter) const;

  sim::SimPlatform& machine_;
  bool driverInstalled_ = false;
  std::vector<VirtualDrive> drives_;
  Json::Value mounts_;  // state/mounts.json as read, with the drives of other owners
};

}  // namespace fakes
