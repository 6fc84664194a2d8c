// The partitioning and volume tools of the simulated machine (tools/fakes/gdisk, fbinst,
// volume_tools), laid out by make-machine.sh and run through the machine's cmd.exe as the
// USB maker runs them; what they print is read by word and line positions.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/sim/disk_layouts.h"
#include "support/state_records.h"
#include "support/usb_machine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::kGiB;
using testing_support::MachineLayout;
using testing_support::ReadStateFile;
using testing_support::ReadStateLines;
using testing_support::TempMachine;

constexpr int64_t kMiB = int64_t(1) << 20;

// The stick: 8 GiB exactly, E: one FAT32 partition from 1 MiB.
Json::Value StickMachine(const Json::Value& lockedDisks = Json::Value(Json::arrayValue)) {
  Json::Value stick = testing_support::UsbDisk(2, "SanDisk Cruzer Blade", {{"E", 8 * kGiB - kMiB, 8 * kGiB - kMiB}});
  Json::Value m = testing_support::MachineWith({stick});
  m["faults"]["gdiskLockedDisks"] = lockedDisks;
  return m;
}

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// The words of a listing after the first `word`.
std::vector<std::string> WordsAfter(const std::string& listing, const std::string& word) {
  std::istringstream in(listing);
  std::vector<std::string> words;
  bool found = false;
  for (std::string w; in >> w;) {
    if (found) words.push_back(w);
    found = found || w == word;
  }
  return words;
}

// The lines of a listing without their line ends.
std::vector<std::string> Lines(const std::string& listing) {
  std::istringstream in(listing);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class FakeDiskTools : public testing::Test {
 protected:
  explicit FakeDiskTools(const Json::Value& machine = StickMachine()) : machine_(machine, MachineLayout::MadeByScript) {}

  // cmd.exe runs `command` in the tool folder, its output into files there, as the maker
  // runs its tools; the status is the tool's own.
  ToolRun Cmd(const std::string& command) {
    auto process = platform::Current().processes().ShellExecuteEx(
        {L"runas", L"cmd.exe", L"/c " + platform::Utf8ToWide(command) + L" >out.log 2>err.log", L"D:\\Tarnvik\\tool",
         platform::kSwHide});
    EXPECT_TRUE(process.has_value());
    platform::Current().processes().WaitForExit(*process);
    ToolRun run;
    run.out = Read(L"D:\\Tarnvik\\tool\\out.log");
    run.err = Read(L"D:\\Tarnvik\\tool\\err.log");
    const std::vector<Json::Value> exits = ReadStateLines(machine_, "process-exits.jsonl");
    const std::vector<Json::Value> starts = ReadStateLines(machine_, "processes.jsonl");
    for (const Json::Value& exit : exits) {
      if (exit["id"] == starts.back()["id"]) run.status = exit["status"].asInt();
    }
    return run;
  }
  std::string Read(const std::wstring& path) { return platform::Current().files().ReadFile(path).value_or(""); }
  const sim::Disk& Stick() {
    for (const sim::Disk& d : machine_.machine().config().disks) {
      if (d.number == 2) return d;
    }
    throw std::runtime_error("the stick is gone");
  }

  TempMachine machine_;
};

TEST_F(FakeDiskTools, TheListingsPutTheirFactsWhereTheMakerReadsThem) {
  const ToolRun plain = Cmd("Gdisk.exe 3");
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::vector<std::string> model = WordsAfter(plain.out, "Model");
  ASSERT_GE(model.size(), 6u);
  EXPECT_EQ(model[1], "1");     // the partition count
  EXPECT_EQ(model[5], "8192");  // the disk size, the sixth word
  std::vector<std::string> lettered;
  for (const std::string& line : Lines(plain.out)) {
    if (line.size() > 2 && line[2] == ':') lettered.push_back(line);
  }
  EXPECT_EQ(lettered, std::vector<std::string>{" e: 1 FAT32 8191 MB "});

  const ToolRun sectors = Cmd("Gdisk.exe 3 /lba");
  ASSERT_EQ(sectors.status, 0) << sectors.err;
  const std::vector<std::string> afterSectors = WordsAfter(sectors.out, "Sectors");
  ASSERT_GE(afterSectors.size(), 8u);
  EXPECT_EQ(afterSectors[7], "2048");
  EXPECT_NE(sectors.out.find("16777216 sectors"), std::string::npos) << sectors.out;

  EXPECT_EQ(Cmd("Gdisk.exe 9").status, 1);  // no disk 8
  EXPECT_EQ(Cmd("Gdisk.exe 3 /frobnicate").status, 1);
}

TEST_F(FakeDiskTools, TheMakersPartitionsLeaveThirtyFiveMibAtTheStartAndTheEfiPartitionAtTheEnd) {
  machine_.WriteFile(L"E:\\old.txt", "old");
  const ToolRun deleted = Cmd("Gdisk.exe 3 /del /all");
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(deleted.out.find("Locked"), std::string::npos);
  EXPECT_TRUE(Stick().partitions.empty());
  EXPECT_FALSE(platform::Current().files().FileExists(L"E:\\old.txt"));
  EXPECT_TRUE(WordsAfter(Cmd("Gdisk.exe 3 /lba").out, "Sectors").empty());

  ASSERT_EQ(Cmd("Gdisk.exe 3  /cre /pri /end /sz:35 /q /for /v:efi").status, 0);
  ASSERT_EQ(Cmd("Gdisk.exe 3  /cre /pri /end /sz:8122  /q /for  /ntfs /Y").status, 0);

  const sim::Disk& stick = Stick();
  ASSERT_EQ(stick.partitions.size(), 2u);
  const sim::Partition &efi = stick.partitions[0], &data = stick.partitions[1];
  EXPECT_EQ(efi.type, "efi");
  EXPECT_EQ(efi.offsetBytes, 8 * kGiB - 35 * kMiB);
  EXPECT_EQ(efi.sizeBytes, 35 * kMiB);
  EXPECT_EQ(efi.fileSystem, L"FAT32");
  EXPECT_EQ(efi.letter, L'E');  // the first table entry
  EXPECT_EQ(data.offsetBytes, 35 * kMiB);
  EXPECT_EQ(data.offsetBytes + data.sizeBytes, efi.offsetBytes);
  EXPECT_EQ(data.fileSystem, L"NTFS");
  EXPECT_EQ(data.letter, 0);

  EXPECT_EQ(WordsAfter(Cmd("Gdisk.exe 3 /lba").out, "Sectors").at(7), "71680");
  const std::vector<std::string> rows = Lines(Cmd("Gdisk.exe 3").out);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2], " -- 1 NTFS 8122 MB ");
  EXPECT_EQ(rows[3], " e: 2 efi FAT32 35 MB efi");

  // Nothing is left for a third partition of that size.
  const ToolRun full = Cmd("Gdisk.exe 3 /cre /pri /sz:100");
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("not enough free space"), std::string::npos) << full.err;
}

TEST_F(FakeDiskTools, BootIcePuttingTheDataPartitionFirstGivesItTheLetterAndSwapsTheFiles) {
  Cmd("Gdisk.exe 3 /del /all");
  Cmd("Gdisk.exe 3 /cre /pri /end /sz:35 /q /for /v:efi");
  Cmd("Gdisk.exe 3 /cre /pri /end /sz:8122 /q /for /ntfs /Y");
  machine_.WriteFile(L"E:\\EFI\\boot\\bootx64.efi", "efi loader");
  ASSERT_TRUE(platform::Current().files().SetFileAttributes(L"E:\\EFI", platform::kFileAttributeHidden));
  const fs::path data = machine_.folder() / "drives" / "Harddisk2Partition2";
  fs::create_directories(data / "boot");
  std::ofstream(data / "boot" / "WEPE64.WIM") << "wim";

  ASSERT_EQ(Cmd("bootice.exe /device=2:0 /partitions /firstpart=2").status, 0);
  EXPECT_EQ(Read(L"E:\\boot\\WEPE64.WIM"), "wim");
  EXPECT_FALSE(platform::Current().files().FileExists(L"E:\\EFI\\boot\\bootx64.efi"));
  EXPECT_TRUE(fs::exists(data / "EFI" / "boot" / "bootx64.efi"));
  const Json::Value attributes = ReadStateFile(machine_, "attributes.json");
  EXPECT_EQ(attributes.getMemberNames(), std::vector<std::string>{"\\device\\harddisk2\\partition2\\efi"});
  EXPECT_EQ(attributes["\\device\\harddisk2\\partition2\\efi"].asUInt(), platform::kFileAttributeHidden);
  const std::vector<std::string> rows = Lines(Cmd("Gdisk.exe 3").out);
  EXPECT_EQ(rows.at(2), " e: 1 NTFS 8122 MB ");
  EXPECT_EQ(rows.at(3), " -- 2 efi FAT32 35 MB efi");

  EXPECT_EQ(Cmd("bootice.exe /device=2:0 /partitions /firstpart=3").status, 1);  // no entry 3
  EXPECT_EQ(ReadStateLines(machine_, "bootice.jsonl").size(), 2u);
}

class LockedStick : public FakeDiskTools {
 protected:
  LockedStick() : FakeDiskTools(StickMachine(Disks(2))) {}
  static Json::Value Disks(int number) {
    Json::Value disks(Json::arrayValue);
    disks.append(number);
    return disks;
  }
};

TEST_F(LockedStick, NothingIsDeletedOnADiskThatCannotBeLocked) {
  machine_.WriteFile(L"E:\\old.txt", "old");
  const ToolRun deleted = Cmd("Gdisk.exe 3 /del /all");
  EXPECT_NE(deleted.out.find("Disk 3: Locked by another program; nothing deleted."), std::string::npos)
      << deleted.out;
  EXPECT_EQ(Stick().partitions.size(), 1u);
  EXPECT_EQ(Read(L"E:\\old.txt"), "old");
}

TEST_F(FakeDiskTools, FbinstRecordsTheBootAreaItFormatsAndFillsAndFormattingEmptiesIt) {
  machine_.WriteFile(L"D:\\Tarnvik\\PE\\data.VQ", "archive");
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\Uiso.iso", "0123456789");
  ASSERT_EQ(Cmd("fbinst.exe (hd2) format").status, 0);
  ASSERT_EQ(Cmd("fbinst.exe (hd2) format --archive D:\\Tarnvik\\PE\\data.VQ").status, 0);
  ASSERT_EQ(Cmd("fbinst.exe (hd2) add x64Pe.iso Uiso.iso").status, 0);
  const Json::Value area = ReadStateFile(machine_, "disks.json")["disks"]["2"]["bootArea"];
  EXPECT_EQ(area["formatted"], true);
  EXPECT_EQ(area["archive"], "D:\\Tarnvik\\PE\\data.VQ");
  ASSERT_EQ(area["files"].size(), 1u);
  EXPECT_EQ(area["files"][0]["name"], "x64Pe.iso");
  EXPECT_EQ(area["files"][0]["source"], "D:\\Tarnvik\\tool\\Uiso.iso");
  EXPECT_EQ(area["files"][0]["sizeBytes"], 10);
  ASSERT_TRUE(Stick().bootArea.has_value());
  EXPECT_EQ(Stick().bootArea->files.size(), 1u);

  ASSERT_EQ(Cmd("fbinst.exe (hd2) format").status, 0);
  EXPECT_TRUE(Stick().bootArea->files.empty());
  EXPECT_TRUE(Stick().bootArea->archive.empty());

  struct Case {
    std::string command, says;
  };
  for (const Case& c : std::vector<Case>{{"fbinst.exe (hd7) format", "(hd7): no such disk"},
                                         {"fbinst.exe (hd2) add x.iso missing.iso", "no such file"},
                                         {"fbinst.exe (hd2) format --archive nope.VQ", "no such file"},
                                         {"fbinst.exe hd2 format", "names no disk"}}) {
    const ToolRun run = Cmd(c.command);
    EXPECT_EQ(run.status, 1) << c.command;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

TEST_F(FakeDiskTools, FbinstNeedsSixtyThreeSectorsBeforeTheFirstPartition) {
  Cmd("Gdisk.exe 3 /del /all");
  ASSERT_EQ(Cmd("fbinst.exe (hd2) add x64Pe.iso Gdisk.exe").status, 1);  // not formatted
  ASSERT_TRUE(sim::ChangeDiskLayout(machine_.machine(), 2, [](sim::Disk& d) {
    sim::Partition p;
    p.type = "basic";
    p.offsetBytes = 62 * 512;
    p.sizeBytes = kGiB;
    d.partitions = {p};
    sim::RenumberTable(d);
    return true;
  }));
  const ToolRun tight = Cmd("fbinst.exe (hd2) format");
  EXPECT_EQ(tight.status, 1);
  EXPECT_NE(tight.err.find("only 62 sectors"), std::string::npos) << tight.err;
  EXPECT_FALSE(Stick().bootArea.has_value());
}

TEST_F(FakeDiskTools, ChkdskLabelAndConvertWorkOnTheVolumeOfTheLayout) {
  machine_.WriteFile(L"E:\\keep.txt", "kept");
  const ToolRun check = Cmd("chkdsk E: /f /y");
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_NE(check.out.find("The type of the file system is FAT32."), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("found no problems"), std::string::npos);
  EXPECT_EQ(Cmd("chkdsk Q: /f /y").status, 3);

  ASSERT_EQ(Cmd("label E: Tarnvik").status, 0);
  EXPECT_EQ(Stick().partitions[0].label, L"TARNVIK");  // FAT keeps labels in capitals

  const ToolRun converted = Cmd("convert E: /fs:ntfs /x");
  ASSERT_EQ(converted.status, 0) << converted.err;
  EXPECT_NE(converted.out.find("Conversion complete"), std::string::npos);
  EXPECT_EQ(Stick().partitions[0].fileSystem, L"NTFS");
  EXPECT_EQ(Read(L"E:\\keep.txt"), "kept");
  auto volume = platform::Current().files().QueryVolumeInformation(L"E:\\", 260, 260);
  ASSERT_TRUE(volume.has_value());
  EXPECT_EQ(volume->fileSystem, L"NTFS");

  const ToolRun again = Cmd("convert E: /fs:ntfs /x");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("Drive E: is already NTFS."), std::string::npos) << again.err;
  ASSERT_EQ(Cmd("label E: Tarnvik").status, 0);
  EXPECT_EQ(Stick().partitions[0].label, L"Tarnvik");
  EXPECT_EQ(Cmd("label Q: Tarnvik").status, 1);
}

}  // namespace
