// tarnvikctl usb: the maker's disk list of a machine, the emulator test, and the input
// checks, run as a process.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/tarnvikctl_process.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"

namespace {

using testing_support::kGiB;
using testing_support::RunTarnvikctl;
using testing_support::TempDir;
using testing_support::TempMachine;
using testing_support::UsbDisk;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(UsbCommand, ListsTheDisksAsTheMakerPageDoesAndWhyOneIsRefused) {
  Json::Value m = testing_support::MachineWith({
      UsbDisk(2, "SanDisk Ultra", {{"E", 8 * kGiB, 7 * kGiB}}),
      UsbDisk(3, "WD Elements", {{"H", 500 * kGiB, 20 * kGiB}}, false),  // a USB hard disk full of files
      UsbDisk(4, "Kingston", {{"F", 16 * kGiB, 15 * kGiB}}),
  });
  m["program"]["path"] = "F:\\Tarnvik\\Tarnvik.exe";  // run from the Kingston stick
  TempMachine machine(m);
  auto outcome = RunTarnvikctl({"usb", "--machine", machine.folder().string(), "list"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out,
            "E:(hd2) SanDisk Ultra 8.00G\n"
            "F:(hd4) Kingston 16.00G\trefused: 本程序正在从该磁盘（F:）上运行，不能在它上面制作、还原或转换。\n"
            "H:(hd3) WD Elements 500.00G\n");
  EXPECT_EQ(outcome.err, "");
}

TEST(UsbCommand, ListsTheDemoMachinesStick) {
  TempDir machine;
  std::filesystem::copy(TARNVIK_SOURCE_DIR "/tools/machines/demo", machine.path(),
                        std::filesystem::copy_options::recursive);
  auto outcome = RunTarnvikctl({"usb", "--machine", machine.path().string(), "list"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "E:(hd2) SanDisk Ultra USB 3.0 29.30G\n");
}

TEST(UsbCommand, AMachineWithoutUsbDisksListsNothing) {
  TempMachine machine;
  auto outcome = RunTarnvikctl({"usb", "--machine", machine.folder().string(), "list"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
}

TEST(UsbCommand, EveryWrongInputIsNamed) {
  TempMachine machine;
  const std::string dir = machine.folder().string();
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"list"}, "--machine DIR is required"},
      {{"--machine", dir}, "an action is required: list or simulate"},
      {{"--machine", dir, "make"}, "unknown action 'make'"},
      {{"--machine", dir, "simulate"}, "simulate needs the drive LETTER"},
      {{"--machine", dir, "simulate", "E:\\"}, "a drive letter such as E or E: is expected, not 'E:\\'"},
      {{"--machine", dir, "simulate", "E", "F"}, "unexpected argument 'F'"},
      {{"--machine", dir, "list", "E"}, "unexpected argument 'E'"},
      {{"--machine", dir, "list", "--all"}, "unknown option '--all'"},
      {{"--machine"}, "--machine needs a value"},
      {{"--machine", dir + "/none", "list"}, "machine.json"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"usb"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto outcome = RunTarnvikctl(args);
    EXPECT_EQ(outcome.exitCode, 2) << c.message;
    EXPECT_TRUE(Has(outcome.err, c.message)) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

TEST(UsbCommand, HelpShowsOnlyWhatTheCommandDoes) {
  auto outcome = RunTarnvikctl({"usb", "--help"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_TRUE(Has(outcome.out, "usage: tarnvikctl usb --machine DIR list|simulate [LETTER]")) << outcome.out;
  for (const char* later : {" make ", "restore", "ntfs"}) EXPECT_FALSE(Has(outcome.out, later)) << later;
}

TEST(UsbCommand, SimulateBootsTheWholeDiskOfTheLetterAndWaitsForTheEmulator) {
  Json::Value m = testing_support::MachineWith({UsbDisk(3, "SanDisk Ultra", {{"E", 8 * kGiB, 7 * kGiB}})});
  TempMachine machine(m, testing_support::MachineLayout::MadeByScript);
  auto outcome = RunTarnvikctl({"usb", "--machine", machine.folder().string(), "simulate", "e:"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
  EXPECT_EQ(outcome.out,
            "started: D:\\Tarnvik\\simu\\qemu.exe -L . -m 512 -boot c -hda //./PhysicalDrive3 -std-vga -snapshot\n"
            "emulator: booting disk 3 (snapshot)\n"
            "the emulator booted E:'s disk in snapshot mode: nothing was written to it\n");

  auto notUsb = RunTarnvikctl({"usb", "--machine", machine.folder().string(), "simulate", "C"});
  EXPECT_EQ(notUsb.exitCode, 1);
  EXPECT_EQ(notUsb.out, "failed: C: is no volume of a USB disk of this machine: nothing was started\n");
}

}  // namespace
