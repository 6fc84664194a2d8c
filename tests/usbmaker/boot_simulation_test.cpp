// The emulator test of a stick and the end of the maker's tools, on a simulated machine
// laid out by make-machine.sh: what is started, with which command lines, and what the
// started programs did.

#include "usbmaker/boot_simulation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/global_param.h"
#include "app/run_hidden.h"
#include "support/state_records.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"

namespace {

using testing_support::ReadStateLines;
using testing_support::TempMachine;

// The minimal machine on Windows 10 with a 16 GB stick as disk 2 (F:).
Json::Value MachineWithStick() {
  using testing_support::kGiB;
  Json::Value m = testing_support::MachineWith({testing_support::UsbDisk(2, "Stick", {{"F", 16 * kGiB, 16 * kGiB}})});
  m["windows"]["version"] = "10.0.19045";
  return m;
}

class BootSimulationTest : public testing::Test {
 protected:
  BootSimulationTest() { CGlobalParam::Instance(); }
  ~BootSimulationTest() override { CGlobalParam::Release(); }

  // The end records of the starts, once `count` have ended (bounded wait).
  std::vector<Json::Value> WaitForExits(size_t count) {
    for (int i = 0; i < 500 && ReadStateLines(m_, "process-exits.jsonl").size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ReadStateLines(m_, "process-exits.jsonl");
  }

  TempMachine m_{MachineWithStick(), testing_support::MachineLayout::MadeByScript};
};

TEST_F(BootSimulationTest, TheEmulatorBootsThePhysicalDiskOfTheLetterInSnapshotMode) {
  ASSERT_TRUE(SimulateBoot(L'F'));
  auto starts = ReadStateLines(m_, "processes.jsonl");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0]["program"].asString(), "D:\\Tarnvik\\simu\\qemu.exe");
  EXPECT_EQ(starts[0]["directory"].asString(), "D:\\Tarnvik\\simu");
  EXPECT_EQ(starts[0]["commandLine"].asString(), "-L . -m 512 -boot c -hda //./PhysicalDrive2 -std-vga -snapshot");
  EXPECT_EQ(starts[0]["verb"].asString(), "runas");
  EXPECT_EQ(starts[0]["show"].asInt(), 0);
  ASSERT_EQ(WaitForExits(1).at(0)["status"].asInt(), 0);
  auto booted = ReadStateLines(m_, "qemu.jsonl");
  ASSERT_EQ(booted.size(), 1u);
  EXPECT_EQ(booted[0]["disk"].asUInt(), 2u);
  EXPECT_EQ(booted[0]["directory"].asString(), "D:\\Tarnvik\\simu");
}

TEST_F(BootSimulationTest, ALetterOfNoUsbDiskStartsNothing) {
  for (wchar_t letter : {L'C', L'Q'}) EXPECT_FALSE(SimulateBoot(letter)) << static_cast<char>(letter);
  EXPECT_TRUE(ReadStateLines(m_, "processes.jsonl").empty());
}

TEST_F(BootSimulationTest, KillToolsEndsARunningToolAndAsksForTheOthersAnyway) {
  // The machine's own Gdisk.exe makes way for one under the name the tools are ended by.
  std::filesystem::remove(m_.HostPath(L"D:\\Tarnvik\\tool\\Gdisk.exe"));
  const std::filesystem::path gdisk = m_.HostPath(L"D:\\Tarnvik\\tool\\GDisk.exe");
  std::ofstream(gdisk) << "#!/bin/sh\nexec sleep 30\n";
  ASSERT_TRUE(RunHidden(L"GDisk.exe", L"/lba", std::wstring(L"D:\\Tarnvik\\tool"), false));

  KillTools();
  auto exits = WaitForExits(7);
  ASSERT_EQ(exits.size(), 7u);
  auto starts = ReadStateLines(m_, "processes.jsonl");
  std::vector<std::string> commands;
  for (const Json::Value& start : starts) {
    if (start["program"].asString() == "C:\\Windows\\system32\\cmd.exe") commands.push_back(start["commandLine"].asString());
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"/c taskkill /f /im GDisk.exe", "/c taskkill /f /im fbinst.exe",
                                                "/c taskkill /f /im bootice.exe", "/c taskkill /f /im bcdedit.dll",
                                                "/c taskkill /f /im 7za.exe", "/c taskkill /f /im iso.dll"}));
  for (const Json::Value& end : exits) {
    const int id = end["id"].asInt();
    const Json::Value& start = starts.at(id - 1);
    if (start["program"].asString() == "D:\\Tarnvik\\tool\\GDisk.exe") {
      EXPECT_EQ(end["status"].asInt(), 128 + 9) << "killed";
    } else if (start["commandLine"].asString() == "/c taskkill /f /im GDisk.exe") {
      EXPECT_EQ(end["status"].asInt(), 0);
    } else if (start["parent"].isNull()) {
      EXPECT_EQ(end["status"].asInt(), 128) << start["commandLine"].asString() << ": nothing to end";
    }
  }
}

}  // namespace
