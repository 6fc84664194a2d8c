// tarnvikctl usb: the maker's disk list of a machine, the emulator test, and the input
// checks, run as a process.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/demo_content.h"
#include "support/file_server.h"
#include "support/run_program.h"
#include "support/service_base_override.h"
#include "support/state_records.h"
#include "support/tarnvikctl_process.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"

namespace {

using testing_support::FileServer;
using testing_support::kGiB;
using testing_support::Outcome;
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
      {{"--machine", dir}, "an action is required: list, make, restore, ntfs or simulate"},
      {{"--machine", dir, "format"}, "unknown action 'format'"},
      {{"--machine", dir, "simulate"}, "simulate needs the drive LETTER"},
      {{"--machine", dir, "make"}, "make needs the drive LETTER"},
      {{"--machine", dir, "restore", "E", "--images", "D:\\a.gho"}, "--images belongs to make"},
      {{"--machine", dir, "make", "E", "--images"}, "--images needs at least one image file"},
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

TEST(UsbCommand, HelpNamesEveryJob) {
  auto outcome = RunTarnvikctl({"usb", "--help"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_TRUE(Has(outcome.out,
                  "usage: tarnvikctl usb --machine DIR list|make|restore|ntfs|simulate [LETTER] [--images FILE...] [--yes]"))
      << outcome.out;
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

// The demo machine as make-machine.sh lays it out, and the demo catalogue, whose WinPE
// component the make downloads, on a local server.
class UsbJobCommandTest : public testing::Test {
 protected:
  UsbJobCommandTest() : machine_(testing_support::DemoMachine(), testing_support::MachineLayout::MadeByScript) {
    Outcome made = testing_support::PutDemoContent(server_);
    EXPECT_EQ(made.exitCode, 0) << made.err;
  }

  Outcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"usb", "--machine", machine_.folder().string()});
    return testing_support::RunProgram({.args = testing_support::TarnvikctlCommand(args),
                                        .environment = {"TARNVIK_SERVICE_BASE=" +
                                                        testing_support::LoopbackBase(server_.port())},
                                        .limit = std::chrono::seconds(120)});
  }
  // The command lines of the programs the machine started, in order.
  std::string Started() {
    std::string lines;
    for (const Json::Value& start : testing_support::ReadStateLines(machine_.folder(), "processes.jsonl")) {
      lines += start["commandLine"].asString() + "\n";
    }
    return lines;
  }

  FileServer server_;
  TempMachine machine_;
};

TEST_F(UsbJobCommandTest, MakeTurnsTheDemoStickIntoABootDiskWithTheImagesOnIt) {
  machine_.WriteFile(L"D:\\images\\win10.gho", std::string(3 << 20, 'g'));
  Outcome made = Run({"make", "E", "--yes", "--images", "D:\\images\\win10.gho"});
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
  // The confirmation names the disk; the stages come in order, then the copy and the end.
  const std::string& out = made.out;
  for (const char* step : {"磁盘：E:(hd2) SanDisk Ultra USB 3.0 29.30G", "PE组件: ready",
                           "stage 1/3: the old partitions are deleted",
                           "stage 2/3: the disk is partitioned and its hidden boot area formatted",
                           "stage 3/3: the boot files are written", "copying the images: 3.0 MB",
                           "copying E:\\win10.gho", "done: make E:", "E:\\ label \"Tarnvik\", NTFS"}) {
    const size_t at = out.find(step);
    ASSERT_NE(at, std::string::npos) << step << "\n" << out;
  }
  EXPECT_LT(out.find("stage 3/3"), out.find("copying E:\\win10.gho"));
  EXPECT_TRUE(Has(out, "HS              0  E:\\boot\\\n")) << out;
  EXPECT_TRUE(Has(out, "E:\\boot\\WEPE64.WIM")) << out;
  EXPECT_TRUE(Has(out, "3145728  E:\\win10.gho")) << out;
  EXPECT_TRUE(Has(out, "E:\\注意事项.txt")) << out;
  EXPECT_TRUE(Has(Started(), " /cre /pri /end /sz:35 /q /for /v:efi >>diskA.log")) << Started();
}

TEST_F(UsbJobCommandTest, AMakeNotConfirmedRunsNoTool) {
  Outcome refused = Run({"make", "E"});  // standard input is empty: the answer is no
  EXPECT_EQ(refused.exitCode, 1) << refused.out << refused.err;
  EXPECT_TRUE(Has(refused.out, "failed: the make was not confirmed; the disk is untouched")) << refused.out;
  EXPECT_FALSE(Has(Started(), "Gdisk")) << Started();
}

TEST_F(UsbJobCommandTest, RestoreLeavesOneNtfsPartitionAndNtfsConvertsTheVolume) {
  Outcome converted = Run({"ntfs", "E", "--yes"});
  ASSERT_EQ(converted.exitCode, 0) << converted.out << converted.err;
  EXPECT_TRUE(Has(converted.out, "您确定要将U盘（E:）转化为NTFS格式吗?")) << converted.out;
  EXPECT_TRUE(Has(converted.out, "E:\\ label \"U盘\", NTFS")) << converted.out;
  EXPECT_TRUE(Has(Started(), "/c convert E: /fs:ntfs /x")) << Started();

  machine_.WriteFile(L"E:\\old\\photo.jpg", "jpeg");
  Outcome restored = Run({"restore", "E", "--yes"});
  ASSERT_EQ(restored.exitCode, 0) << restored.out << restored.err;
  EXPECT_TRUE(Has(restored.out, "本次操作将会永久删除 E: 盘上的所有数据")) << restored.out;
  EXPECT_TRUE(Has(restored.out, "E:\\ label \"Tarnvik\", NTFS")) << restored.out;
  EXPECT_FALSE(Has(restored.out, "photo.jpg")) << restored.out;
}

TEST_F(UsbJobCommandTest, ALetterOfNoUsbDiskIsNamed) {
  Outcome wrong = Run({"restore", "D", "--yes"});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_TRUE(Has(wrong.out, "failed: D: is no volume of a USB disk of this machine; nothing was done")) << wrong.out;
}

}  // namespace
