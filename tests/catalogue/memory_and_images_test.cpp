// The memory query over WMI and the scan for images downloaded before.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/image_scan.h"
#include "catalogue/memory_query.h"
#include "platform/platform.h"
#include "program_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

Json::Value Module(int64_t bytes) {
  Json::Value m;
  m["bankLabel"] = "BANK 0";
  m["capacityBytes"] = Json::Int64(bytes);
  return m;
}

// The log lines the query writes, as the console shows them.
std::string LoggedQuery(int64_t& result) {
  platform::Current().console().Open(L"test");
  testing::internal::CaptureStdout();
  result = QueryInstalledMemory();
  return testing::internal::GetCapturedStdout();
}

TEST(QueryInstalledMemory, SumsTheCapacityOfEveryModule) {
  Json::Value machine = MinimalMachine();
  machine["memory"]["modules"].append(Module(int64_t(4) << 30));
  machine["memory"]["modules"].append(Module(int64_t(4) << 30));
  Json::Value noText;
  noText["hasText"] = false;
  machine["memory"]["modules"].append(noText);
  TempMachine m(machine);
  int64_t total = 0;
  std::string log = LoggedQuery(total);
  EXPECT_EQ(total, int64_t(8) << 30);
  EXPECT_NE(log.find("硬件信息: \ninstance of Win32_PhysicalMemory"), std::string::npos) << log;
  EXPECT_NE(log.find("Capacity = \"4294967296\";"), std::string::npos) << log;
  EXPECT_NE(log.find("硬件信息 vtProp.bstrVal == NULL\n"), std::string::npos) << log;
}

TEST(QueryInstalledMemory, NoModulesGiveZero) {
  TempMachine m;
  EXPECT_EQ(QueryInstalledMemory(), 0);
}

TEST(QueryInstalledMemory, EachFailingStepLogsItsLineAndGivesMinusOne) {
  struct Case {
    const char* step;
    const char* line;
  };
  const Case cases[] = {
      {"initializeCom", "Failed to initialize COM library. Error code = 0x80004005\n"},
      {"initializeSecurity", "Failed to initialize security. Error code = 0x80004005\n"},
      {"createLocator", "Failed to create IWbemLocator object. Err code = 0x80004005\n"},
      {"connectServer", "Could not connect. Error code = 0x80004005\n"},
      {"setProxyBlanket", "Could not set proxy blanket. Error code = 0x80004005\n"},
      {"execQuery", "Query for operating system name failed. Error code = 0x80004005\n"},
  };
  for (const Case& c : cases) {
    Json::Value machine = MinimalMachine();
    machine["memory"]["modules"].append(Module(1 << 30));
    machine["memory"]["failAt"] = c.step;
    TempMachine m(machine);
    int64_t total = 0;
    EXPECT_EQ(LoggedQuery(total), c.line) << c.step;
    EXPECT_EQ(total, -1) << c.step;
  }
}

TEST(QueryInstalledMemory, ErrorCodeIsLoggedInHexadecimal) {
  Json::Value machine = MinimalMachine();
  machine["memory"]["failAt"] = "connectServer";
  machine["memory"]["errorCode"] = Json::UInt(0x8004100E);
  TempMachine m(machine);
  int64_t total = 0;
  EXPECT_EQ(LoggedQuery(total), "Could not connect. Error code = 0x8004100e\n");
}

TEST(MarkDownloadedImages, GhoFilesMatchEntriesBySize) {
  ProgramMachine machine;
  const std::wstring dir = machine.params().imageDir;
  auto& files = platform::Current().files();
  files.WriteFile(dir + L"renamed_win7.GHO", std::string(3000, 'a'));  // matched by size, whatever its name
  files.WriteFile(dir + L"other.iso", std::string(5000, 'b'));         // not a .gho
  files.WriteFile(dir + L"gho", std::string(7000, 'c'));               // no extension
  files.CreateDirectory(dir + L"sub.gho");
  machine.machine().WriteFile(dir + L"sub.gho\\deep.gho", std::string(9000, 'd'));  // not direct

  OsList list;
  for (int64_t size : {3000, 5000, 7000, 9000, 0}) {
    auto e = std::make_unique<OsEntry>();
    e->size = size;
    list.push_back(std::move(e));
  }
  MarkDownloadedImages(list, dir);
  EXPECT_EQ(list[0]->state, 3);
  EXPECT_EQ(list[0]->localPath, dir + L"renamed_win7.GHO");
  for (size_t i = 1; i < list.size(); ++i) {
    EXPECT_EQ(list[i]->state, 0) << list[i]->size;
    EXPECT_EQ(list[i]->localPath, L"") << list[i]->size;
  }

  MarkDownloadedImages(list, L"D:\\no such folder\\");  // nothing to scan, nothing changes
  EXPECT_EQ(list[0]->state, 3);
}

}  // namespace
