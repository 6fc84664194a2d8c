#include "support/temp_machine.h"

#include <fstream>
#include <stdexcept>

#include "support/run_program.h"

namespace testing_support {

Json::Value DemoMachine() {
  std::ifstream in(TARNVIK_SOURCE_DIR "/tools/machines/demo/machine.json");
  Json::Value machine;
  in >> machine;
  return machine;
}

Json::Value MinimalMachine() {
  Json::Value m;
  m["windows"]["systemDirectory"] = "C:\\Windows\\system32";
  m["program"]["path"] = "D:\\Tarnvik\\Tarnvik.exe";
  m["specialFolders"]["desktop"] = "C:\\Users\\A\\Desktop";
  m["specialFolders"]["documents"] = "C:\\Users\\A\\Documents";
  m["specialFolders"]["favorites"] = "C:\\Users\\A\\Favorites";
  m["network"]["up"] = true;
  m["network"]["adapters"] = Json::Value(Json::arrayValue);
  Json::Value system;
  system["number"] = 0;
  system["bus"] = "sata";
  system["sizeBytes"] = Json::Int64(256) << 30;
  system["style"] = "gpt";
  Json::Value c;
  c["number"] = 1;
  c["sizeBytes"] = Json::Int64(200) << 30;
  c["letter"] = "C";
  c["fileSystem"] = "NTFS";
  system["partitions"].append(c);
  Json::Value data = system;
  data["number"] = 1;
  data["style"] = "mbr";
  data["partitions"][0]["letter"] = "D";
  m["disks"].append(system);
  m["disks"].append(data);
  return m;
}

namespace {

// Lays out `machine` from a profile of `machineJson` alone with make-machine.sh and the
// fakes of this build; anything the script says is a machine the tests cannot trust.
void RunMakeMachine(const Json::Value& machineJson, const std::filesystem::path& machine) {
  TempDir profile;
  std::ofstream(profile.path() / "machine.json") << machineJson.toStyledString();
  Outcome made = RunProgram({.args = {"bash", TARNVIK_SOURCE_DIR "/tools/machines/make-machine.sh",
                                      profile.path().string(), machine.string()},
                             .environment = {"TARNVIK_BIN_DIR=" TARNVIK_BIN_DIR}});
  if (made.exitCode != 0 || !made.err.empty()) {
    throw std::runtime_error("make-machine.sh (exit " + std::to_string(made.exitCode) + "): " + made.err);
  }
}

}  // namespace

TempMachine::TempMachine(const Json::Value& machineJson, MachineLayout layout) {
  if (layout == MachineLayout::MadeByScript) {
    RunMakeMachine(machineJson, dir_.path());
  } else {
    std::ofstream(dir_.path() / "machine.json") << machineJson.toStyledString();
  }
  machine_ = std::make_unique<sim::SimPlatform>(dir_.path());
  installed_ = std::make_unique<platform::ScopedPlatform>(*machine_);
}

std::filesystem::path TempMachine::HostPath(const std::wstring& windowsPath) {
  auto host = machine_->MapPath(windowsPath);
  if (!host) throw std::runtime_error("path outside the machine");
  return *host;
}

void TempMachine::WriteFile(const std::wstring& windowsPath, const std::string& bytes) {
  std::filesystem::path host = HostPath(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary) << bytes;
}

}  // namespace testing_support
