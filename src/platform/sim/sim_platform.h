#pragma once
// A simulated Windows machine: a folder with machine.json (what the machine is), drives/
// (the files of each volume, drives/C/... for C:\...) and state/ (what happened on it).

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_windows.h"

namespace sim {

class SimPlatform : public platform::Platform {
 public:
  // Reads machine.json; throws MachineError when it is missing, malformed or incomplete.
  explicit SimPlatform(std::filesystem::path folder);
  ~SimPlatform() override;

  const std::filesystem::path& folder() const { return folder_; }
  // The machine as it is now: machine.json with the disk layouts of state/disks.json and
  // without the disks of state/detached.json. Read again when another process (or this
  // one) changed those files; every config returned stays valid for the machine's life.
  const MachineConfig& config() const;
  // machine.json as it is written.
  const MachineConfig& description() const { return description_; }
  // Makes the next config() read the state files again, after a change of them made
  // within the file system's time stamp granularity.
  void NoticeStateChange() const;

  // The host file a Windows path stands for, or nothing when the path names no drive of
  // this machine that holds files (a lettered volume, a letter mapped to a partition, a
  // CD drive with a disc) or tries to leave it. Path components match without case, as on
  // Windows.
  std::optional<std::filesystem::path> MapPath(const std::wstring& windowsPath) const;
  // A file under state/, created on demand.
  std::filesystem::path StateFile(const std::string& name) const;
  // Takes a disk out of the machine, as when a USB stick is pulled: its volumes and
  // letters go with it. Kept in state/detached.json, so that every process of the machine
  // sees it gone. False when there is no such disk or the state cannot be written.
  bool DetachDisk(uint32_t number);

  platform::Files& files() override;
  platform::Profiles& profiles() override;
  platform::Storage& storage() override;
  platform::Registry& registry() override;
  platform::Network& network() override;
  platform::System& system() override;
  platform::Console& console() override;
  platform::Modules& modules() override;
  platform::MessageBoxes& messageBoxes() override;
  platform::Processes& processes() override;
  platform::Power& power() override;
  platform::Windows& windows() override;
  // The windows of the simulated window applications, with what the applications need
  // beyond the automation.
  SimWindows& simWindows() { return *windows_; }

 private:
  // What identifies one version of a state file: device, inode, size, change time; all
  // zero when it does not exist. A writer renames a new file over the old one.
  using Stamp = std::array<int64_t, 5>;
  std::array<Stamp, 2> StateStamps() const;

  std::filesystem::path folder_;
  std::filesystem::path disksFile_, detachedFile_;
  MachineConfig description_;
  mutable std::mutex configLock_;
  mutable std::array<Stamp, 2> stamps_{};
  mutable bool stale_ = true;
  mutable std::vector<std::unique_ptr<const MachineConfig>> configs_;  // the newest last
  std::unique_ptr<platform::Files> files_;
  std::unique_ptr<platform::Profiles> profiles_;
  std::unique_ptr<platform::Storage> storage_;
  std::unique_ptr<platform::Registry> registry_;
  std::unique_ptr<platform::Network> network_;
  std::unique_ptr<platform::System> system_;
  std::unique_ptr<platform::Console> console_;
  std::unique_ptr<platform::Modules> modules_;
  std::unique_ptr<platform::MessageBoxes> messageBoxes_;
  std::unique_ptr<platform::Processes> processes_;
  std::unique_ptr<platform::Power> power_;
  std::unique_ptr<SimWindows> windows_;
};

// The machine named by the environment variable TARNVIK_MACHINE; throws MachineError
// when it is unset or the machine cannot be read.
std::unique_ptr<SimPlatform> OpenMachineFromEnvironment();

}  // namespace sim
