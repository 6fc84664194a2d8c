#pragma once
// A simulated machine in a temporary folder, installed as the current platform for the
// life of the object.

#include <json/json.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/sim/sim_platform.h"
#include "support/temp_dir.h"

namespace testing_support {

// The smallest sound machine: C: on a SATA disk, the program at D:\Tarnvik\Tarnvik.exe on
// a second SATA disk, network up, no adapters, the user's desktop, documents and favourites
// in C:\Users\A. Tests change what they need.
Json::Value MinimalMachine();
// The demo machine's machine.json (tools/machines/demo).
Json::Value DemoMachine();

// How the machine's folder is laid out around its machine.json.
enum class MachineLayout {
  Bare,  // machine.json alone; the test writes what else it needs
  // as tools/machines/make-machine.sh lays out a machine from a profile: the program's skins,
  // the fake external tools and the stand-ins of the shipped boot files in the program's folder
  MadeByScript,
};

class TempMachine {
 public:
  explicit TempMachine(const Json::Value& machineJson = MinimalMachine(), MachineLayout layout = MachineLayout::Bare);

  sim::SimPlatform& machine() { return *machine_; }
  const std::filesystem::path& folder() const { return dir_.path(); }
  // Writes a file of the machine, creating its folders.
  void WriteFile(const std::wstring& windowsPath, const std::string& bytes);
  std::filesystem::path HostPath(const std::wstring& windowsPath);

 private:
  TempDir dir_;
  std::unique_ptr<sim::SimPlatform> machine_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
};

}  // namespace testing_support
