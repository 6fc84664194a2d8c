// The global parameters as start-up builds them on a machine.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/global_param.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

std::string ReadHostFile(const std::filesystem::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(GlobalParam, FoldersFollowTheProgramFileAndAreCreated) {
  Json::Value machine = MinimalMachine();
  machine["program"]["path"] = "D:\\Tools\\Deep\\Tarnvik.exe";
  TempMachine m(machine);
  CGlobalParam params;
  EXPECT_EQ(params.programDir, L"D:\\Tools\\Deep\\");
  EXPECT_EQ(params.imageDir, L"D:\\Tools\\Deep\\gho-prlm\\");
  EXPECT_EQ(params.peDir, L"D:\\Tools\\Deep\\PE\\");
  EXPECT_EQ(params.cacheDir, L"D:\\Tools\\Deep\\temp\\");
  EXPECT_EQ(params.configIniPath, L"D:\\Config.ini");
  for (const char* name : {"gho-prlm", "PE", "temp"}) {
    EXPECT_TRUE(std::filesystem::is_directory(m.folder() / "drives/D/Tools/Deep" / name)) << name;
  }
}

TEST(GlobalParam, DefaultsWithoutSwitchesOrVersion) {
  TempMachine m;
  CGlobalParam params;
  EXPECT_EQ(params.channel, L"B3");
  EXPECT_EQ(params.version, L"");
  EXPECT_EQ(params.osBits, 64);
  EXPECT_EQ(params.totalMemory, 0);
  EXPECT_FALSE(params.console);
  EXPECT_EQ(params.systemDrive, L'C');
  EXPECT_EQ(params.MeanDownloadSpeed(), 0);
}

// The identity is computed by whoever the program entry names, once, when the parameters
// are built.
TEST(GlobalParam, DeviceIdComesFromTheNamedSource) {
  TempMachine m;
  static int calls = 0;
  CGlobalParam::SetDeviceIdentitySource([] {
    ++calls;
    return std::string("1C-69-7A-0E-44-B2");
  });
  CGlobalParam params;
  EXPECT_EQ(params.deviceId, L"1C-69-7A-0E-44-B2");
  EXPECT_EQ(calls, 1);
  CGlobalParam::SetDeviceIdentitySource(nullptr);
  EXPECT_EQ(CGlobalParam().deviceId, L"");
  EXPECT_EQ(calls, 1);
}

TEST(GlobalParam, VersionIsTheProductVersionInFourParts) {
  Json::Value machine = MinimalMachine();
  machine["fileVersions"]["d:\\tarnvik\\TARNVIK.EXE"] = "1.1.0.19";
  machine["fileVersions"]["D:\\Tarnvik\\other.exe"] = "9.9.9.9";
  TempMachine m(machine);
  EXPECT_EQ(CGlobalParam().version, L"1.1.0.19");
}

TEST(GlobalParam, TestSwitchFileLines) {
  struct Case {
    const char* file;
    const wchar_t* channel;
    bool console;
  };
  const Case cases[] = {
      {"test_miguan\ntest_console\n", L"T1", true},
      {"test_miguan\r\ntest_console\r\n", L"T1", true},
      {"test_console", L"B3", true},
      {"test_console \ntest_miguan \n", L"B3", false},  // trailing blanks: not the switches
      {"TEST_MIGUAN\nTest_Console\n", L"B3", false},
      {" test_miguan\n\n", L"B3", false},
      {"", L"B3", false},
  };
  for (const Case& c : cases) {
    TempMachine m;
    m.WriteFile(L"D:\\Tarnvik\\test_ver.test", c.file);
    CGlobalParam params;
    EXPECT_EQ(params.channel, c.channel) << c.file;
    EXPECT_EQ(params.console != nullptr, c.console) << c.file;
    EXPECT_EQ(std::filesystem::exists(m.folder() / "state/console.txt"), c.console) << c.file;
    if (c.console) {
      EXPECT_EQ(ReadHostFile(m.folder() / "state/console.txt"), "控制台\n");
    }
  }
}

TEST(GlobalParam, UsbOrSystemDrive) {
  struct Case {
    const char* program;
    const char* systemDirectory;
    const char* dataBus;
    bool openFails;
    bool expected;
  };
  const Case cases[] = {
      {"D:\\Tarnvik\\Tarnvik.exe", "C:\\Windows\\system32", "sata", false, false},
      {"C:\\Tarnvik\\Tarnvik.exe", "C:\\Windows\\system32", "sata", false, true},
      {"C:\\Tarnvik\\Tarnvik.exe", "  C:\\Windows\\system32 ", "sata", false, true},  // trimmed
      {"c:\\Tarnvik\\Tarnvik.exe", "C:\\Windows\\system32", "sata", false, false},     // compared as stored
      {"D:\\Tarnvik\\Tarnvik.exe", "D:\\Windows\\system32", "sata", false, true},
      {"D:\\Tarnvik\\Tarnvik.exe", "C:\\Windows\\system32", "usb", false, true},
      {"D:\\Tarnvik\\Tarnvik.exe", "C:\\Windows\\system32", "usb", true, false},  // cannot be opened
      {"C:\\Tarnvik\\Tarnvik.exe", "", "sata", false, false},  // no system drive known: none guessed
  };
  for (const Case& c : cases) {
    Json::Value machine = MinimalMachine();
    machine["program"]["path"] = c.program;
    machine["windows"]["systemDirectory"] = c.systemDirectory;
    machine["disks"][1]["bus"] = c.dataBus;
    if (c.openFails) machine["faults"]["devices"].append("\\\\.\\D:");
    TempMachine m(machine);
    EXPECT_EQ(CGlobalParam().onUsbOrSystemDrive, c.expected) << c.program << " " << c.systemDirectory << " " << c.dataBus;
  }
}

TEST(GlobalParam, InstanceIsOneObjectUntilReleased) {
  TempMachine m;
  auto a = CGlobalParam::Instance();
  EXPECT_EQ(a, CGlobalParam::Instance());
  CGlobalParam::Release();
  auto b = CGlobalParam::Instance();
  EXPECT_NE(a, b);
  CGlobalParam::Release();
}

TEST(GlobalParam, FiguresFromSeveralThreads) {
  TempMachine m;
  CGlobalParam params;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&params, t] {
      for (int i = 0; i < 500; ++i) {
        params.InsertSelectedImage(L"img" + std::to_wstring(i % 50));
        params.InsertCompletedImage(L"done" + std::to_wstring(t));
        params.AppendDownloadSpeed(t + 1);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(params.SelectedImages().size(), 50u);
  EXPECT_EQ(params.CompletedImages().size(), 4u);
  EXPECT_EQ(params.MeanDownloadSpeed(), (1 + 2 + 3 + 4) * 500 / 2000);  // 2.5 truncated
}

}  // namespace
