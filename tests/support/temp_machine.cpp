#include "support/temp_machine.h"

#include <fstream>
#include <stdexcept>

namespace testing_support {

Json::Value MinimalMachine() {
  Json::Value m;
  m["windows"]["systemDirectory"] = "C:\\Windows\\system32";
  m["program"]["path"] = "D:\\Tarnvik\\Tarnvik.exe";
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

TempMachine::TempMachine(const Json::Value& machineJson) {
  std::ofstream(dir_.path() / "machine.json") << machineJson.toStyledString();
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
