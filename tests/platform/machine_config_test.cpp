// A machine.json that cannot describe a machine is refused with the file and field named.

#include <gtest/gtest.h>

#include <fstream>

#include "platform/sim/machine_config.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempDir;

std::string LoadError(const std::string& text) {
  TempDir dir;
  std::ofstream(dir.path() / "machine.json") << text;
  try {
    sim::LoadMachineConfig(dir.path() / "machine.json");
  } catch (const sim::MachineError& e) {
    return e.what();
  }
  return "";
}

std::string LoadError(const Json::Value& machine) { return LoadError(machine.toStyledString()); }

TEST(MachineConfig, MinimalMachineLoads) { EXPECT_EQ(LoadError(MinimalMachine()), ""); }

TEST(MachineConfig, MissingFileNamesTheFile) {
  TempDir dir;
  try {
    sim::LoadMachineConfig(dir.path() / "machine.json");
    FAIL() << "no error";
  } catch (const sim::MachineError& e) {
    EXPECT_NE(std::string(e.what()).find((dir.path() / "machine.json").string()), std::string::npos) << e.what();
  }
}

TEST(MachineConfig, MalformedJsonIsRefused) {
  // Nested past the reader's depth limit, which jsoncpp answers by throwing.
  std::string deepArray = std::string(1001, '[') + std::string(1001, ']');
  std::string deepObject;
  for (int i = 0; i < 1001; ++i) deepObject += "{\"a\":";
  deepObject += "1" + std::string(1001, '}');
  for (const std::string& text :
       {std::string(), std::string("{"), std::string("{\"windows\": }"), std::string("[1, 2]"),
        std::string("{\"a\": 1} // comment"), deepArray, deepObject}) {
    std::string error = LoadError(text);
    EXPECT_NE(error.find("machine.json: "), std::string::npos) << text.substr(0, 40) << ": " << error;
  }
}

TEST(MachineConfig, EachProblemNamesItsField) {
  struct Case {
    const char* field;
    std::function<void(Json::Value&)> breakIt;
    const char* problem;
  };
  const Case cases[] = {
      {"windows", [](Json::Value& m) { m.removeMember("windows"); }, "is missing"},
      {"windows.systemDirectory", [](Json::Value& m) { m["windows"].removeMember("systemDirectory"); }, "is missing"},
      {"windows.systemDirectory", [](Json::Value& m) { m["windows"]["systemDirectory"] = 3; }, "must be a string"},
      {"program.path", [](Json::Value& m) { m["program"]["path"] = "Tarnvik.exe"; }, "full Windows path"},
      {"network.up", [](Json::Value& m) { m["network"]["up"] = "yes"; }, "true or false"},
      {"network.adapters", [](Json::Value& m) { m["network"]["adapters"] = 1; }, "must be an array"},
      {"network.adapters[0].mac",
       [](Json::Value& m) {
         Json::Value a;
         a["name"] = "{x}";
         a["mac"] = "00:11:22:33:44:55";
         m["network"]["adapters"].append(a);
       },
       "byte pairs"},
      {"disks[1].bus", [](Json::Value& m) { m["disks"][1]["bus"] = "firewire"; }, "must be a bus number"},
      {"disks[0].style", [](Json::Value& m) { m["disks"][0]["style"] = "apm"; }, "must be one of"},
      {"disks[1].number", [](Json::Value& m) { m["disks"][1]["number"] = 0; }, "repeats"},
      {"disks[1].partitions[0].letter", [](Json::Value& m) { m["disks"][1]["partitions"][0]["letter"] = "c"; },
       "repeats the letter"},
      {"disks[0].partitions[0].sizeBytes", [](Json::Value& m) { m["disks"][0]["partitions"][0]["sizeBytes"] = -5; },
       "must not be negative"},
      {"disks[0].partitions[0].sizeBytes",
       [](Json::Value& m) {
         m["disks"][0]["partitions"][0]["offsetBytes"] = Json::Int64(INT64_MAX - 10);
         m["disks"][0]["partitions"][0]["sizeBytes"] = 11;
       },
       "passes the largest byte offset"},
      {"disks[0].partitions[0].letter", [](Json::Value& m) { m["disks"][0]["partitions"][0]["letter"] = "CD"; },
       "one drive letter"},
      {"fileVersions.D:\\Tarnvik\\Tarnvik.exe",
       [](Json::Value& m) { m["fileVersions"]["D:\\Tarnvik\\Tarnvik.exe"] = "1.2.3"; }, "four numbers"},
      {"registry.SOFTWARE\\X", [](Json::Value& m) { m["registry"]["SOFTWARE\\X"]["a"] = 1; }, "must start with HKLM"},
      {"faults.adaptersInfo", [](Json::Value& m) { m["faults"]["adaptersInfo"] = "boom"; }, "must be one of"},
      {"windows.wow64", [](Json::Value& m) { m["windows"]["wow64"] = "yes"; }, "\"unavailable\""},
      {"disks[0].noMedia", [](Json::Value& m) { m["disks"][0]["noMedia"] = 1; }, "true or false"},
      {"memory", [](Json::Value& m) { m["memory"] = 8; }, "must be an object"},
      {"memory.failAt", [](Json::Value& m) { m["memory"]["failAt"] = "query"; }, "must be one of"},
      {"memory.errorCode", [](Json::Value& m) { m["memory"]["errorCode"] = -1; }, "4294967295"},
      {"memory.modules[0].capacityBytes", [](Json::Value& m) { m["memory"]["modules"][0]["bankLabel"] = "B0"; },
       "is missing"},
      {"memory.modules[0].capacityBytes", [](Json::Value& m) { m["memory"]["modules"][0]["capacityBytes"] = "8G"; },
       "whole number"},
      {"faults.controls.eject", [](Json::Value& m) { m["faults"]["controls"]["eject"].append("\\\\.\\C:"); },
       "is not a control"},
      {"faults.controls.driveGeometry", [](Json::Value& m) { m["faults"]["controls"]["driveGeometry"] = "C:"; },
       "must be an array"},
      {"windows.version", [](Json::Value& m) { m["windows"]["version"] = "6.1"; }, "such as \"6.1.7601\""},
      {"windows.version", [](Json::Value& m) { m["windows"]["version"] = "6.1.7601.1"; }, "major, minor and build"},
      {"windows.version", [](Json::Value& m) { m["windows"]["version"] = " 6.1.-1"; }, "major, minor and build"},
      {"windows.version", [](Json::Value& m) { m["windows"]["version"] = "6.1.99999999999"; }, "major, minor"},
      {"windows.version", [](Json::Value& m) { m["windows"]["version"] = 6; }, "must be a string"},
      {"faults.version", [](Json::Value& m) { m["faults"]["version"] = "yes"; }, "true or false"},
      {"faults.processToken", [](Json::Value& m) { m["faults"]["processToken"] = 1; }, "true or false"},
      {"faults.restart", [](Json::Value& m) { m["faults"]["restart"] = "no"; }, "true or false"},
      {"faults.unreadableFiles", [](Json::Value& m) { m["faults"]["unreadableFiles"] = "C:\\a"; }, "must be an array"},
      {"faults.unwritableFiles[0]", [](Json::Value& m) { m["faults"]["unwritableFiles"].append(1); }, "must be a string"},
      {"specialFolders", [](Json::Value& m) { m["specialFolders"] = "C:\\Users"; }, "must be an object"},
      {"specialFolders.music", [](Json::Value& m) { m["specialFolders"]["music"] = "C:\\Music"; },
       "is not a special folder"},
      {"specialFolders.desktop", [](Json::Value& m) { m["specialFolders"]["desktop"] = 0; }, "must be a string"},
  };
  for (const Case& c : cases) {
    Json::Value machine = MinimalMachine();
    c.breakIt(machine);
    std::string error = LoadError(machine);
    EXPECT_NE(error.find(std::string("field '") + c.field + "'"), std::string::npos) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
  }
}

}  // namespace
