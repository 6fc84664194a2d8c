// The partitioning tool's steps on a machine with a USB stick whose Gdisk.exe prints the
// listings each test leaves for it: the words the readers take, what a missing listing
// means, the command lines that reach the tools and the trace the steps print.

#include <gtest/gtest.h>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "support/logged_platform.h"
#include "support/usb_stick_machine.h"
#include "usbmaker/gdisk_steps.h"
#include "usbmaker/make_tool_fakes.h"
#include "usbmaker/tool_abort.h"

namespace {

using make_fakes::TopLevelStarts;
using testing_support::LoggedPlatform;
using testing_support::MachineWithUsbStick;
using testing_support::TempMachine;

class GdiskStepsTest : public testing::Test {
 protected:
  GdiskStepsTest() : logged_(machine_.machine()) {
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\Gdisk.exe", make_fakes::kGdiskScript);
    CGlobalParam::Instance();
    toolAbort = false;
  }
  ~GdiskStepsTest() override {
    toolAbort = false;
    CGlobalParam::Release();
  }
  void Listing(const wchar_t* name, const std::string& text) { machine_.WriteFile(std::wstring(L"D:\\Tarnvik\\tool\\") + name, text); }
  std::vector<std::string> Starts() { return TopLevelStarts(machine_.folder()); }

  TempMachine machine_{MachineWithUsbStick()};
  LoggedPlatform logged_;
  platform::ScopedPlatform installed_{logged_};
};

TEST_F(GdiskStepsTest, TheFirstPartitionSectorIsTheEighthWordAfterSectorsAndTheLastHeaderWins) {
  struct Case {
    const char* what;
    std::string listing;
    int64_t expected;
    std::string log;
  };
  const Case cases[] = {
      {"one table", make_fakes::LbaListing(2048), 2048, "find head:2048\n"},
      {"two headers", make_fakes::LbaListing(63) + make_fakes::LbaListing(2048), 2048, "find head:63\nfind head:2048\n"},
      // The first header line's lower-case "sectors" is not the word.
      {"no table", make_fakes::kLbaWithoutTable, -7, ""},
      {"header cut short", "Sectors by partition: start end count type letter\n", -7, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Listing(L"lba.txt", c.listing);
    const std::string logBefore = logged_.Log();
    int64_t sector = -7;
    EXPECT_TRUE(ReadFirstPartitionSector(3, sector));
    EXPECT_EQ(sector, c.expected);
    EXPECT_EQ(logged_.Log().substr(logBefore.size()), c.log);
  }
  EXPECT_EQ(Starts().back(), "cmd /c Gdisk.exe 3 /lba >diskOff.log");
}

TEST_F(GdiskStepsTest, TheDiskSizeIsTheSixthWordAfterModel) {
  int64_t size = -7;
  ReadDiskSize(3, size);
  EXPECT_EQ(size, -7) << "no listing leaves the size";

  Listing(L"list.txt", make_fakes::PlainListing(999) + make_fakes::PlainListing(15272));
  ReadDiskSize(3, size);
  EXPECT_EQ(size, 15272);
  EXPECT_EQ(logged_.Log(), "find partition:2\nallSize:999\nfind partition:2\nallSize:15272\n");
  EXPECT_EQ(Starts(), std::vector<std::string>(2, "cmd /c Gdisk.exe 3 >disk.log"));
}

TEST_F(GdiskStepsTest, DeletingFailsOnlyWhenTheLogSaysLocked) {
  struct Case {
    const char* what;
    const char* log;  // nullptr: the tool leaves nothing to read
    bool deleted;
  };
  const Case cases[] = {
      {"deleted", "Disk 3: 2 partitions deleted.\n", true},
      {"locked", "Disk 3: Locked by another program; nothing deleted.\n", false},
      {"a word containing it", "Disk 3: notLocked!\n", false},
      {"no log", nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\Gdisk.exe", c.log ? make_fakes::kGdiskScript : "not a program\n");
    std::filesystem::remove(machine_.HostPath(L"D:\\Tarnvik\\tool\\diskA.log"));
    if (c.log) Listing(L"del.txt", c.log);
    const std::string logBefore = logged_.Log();
    EXPECT_EQ(DeleteAllPartitions(3), c.deleted);
    EXPECT_EQ(logged_.Log().substr(logBefore.size()).rfind("/c Gdisk.exe 3 /del /all >diskA.log\n", 0), 0u);
    EXPECT_EQ(logged_.Log().ends_with("disk not locked\n"), !c.deleted);
    EXPECT_EQ(Starts().back(), "cmd /c Gdisk.exe 3 /del /all >diskA.log");
  }
}

TEST_F(GdiskStepsTest, PartitionsAreCreatedWithTheExactCommandLines) {
  EXPECT_TRUE(CreateUsbPartitions(3, 100, 35, 35));
  EXPECT_EQ(Starts(), (std::vector<std::string>{
                          "cmd /c Gdisk.exe 3  /cre /pri /end /sz:35 /q /for /v:efi >>diskA.log",
                          "cmd /c Gdisk.exe 3  /cre /pri /end /sz:30  /q /for  /ntfs /Y >>diskA.log"}));
  EXPECT_TRUE(CreateUsbPartitions(3, 100, 0, 35));
  EXPECT_EQ(Starts().back(), "cmd /c Gdisk.exe 3  /cre /pri /ntfs /q /for >>diskA.log");
  EXPECT_EQ(logged_.Log(), "make ud and efi\nraw\n");

  toolAbort = true;
  EXPECT_FALSE(CreateUsbPartitions(3, 100, 35, 35));
  EXPECT_FALSE(CreateUsbPartitions(3, 100, 0, 0));
  EXPECT_EQ(Starts().size(), 3u);
}

TEST_F(GdiskStepsTest, TheBootAreaIsFormattedOnTheDiskNumberAndNeverOnDiskZero) {
  EXPECT_FALSE(FormatBootArea(0));
  EXPECT_EQ(logged_.Log(), WideToLocal(L"指定磁盘错误：0"));
  EXPECT_TRUE(Starts().empty());

  EXPECT_TRUE(FormatBootArea(2));
  EXPECT_EQ(Starts(), std::vector<std::string>{"cmd /c fbinst.exe (hd2) format"});
  toolAbort = true;
  EXPECT_FALSE(FormatBootArea(2));  // an abandoned make does not count it as formatted
  EXPECT_EQ(Starts().size(), 1u);
}

TEST_F(GdiskStepsTest, ThePartitionLetterIsTheSecondCharacterOfTheFirstRowOfTheKindWanted) {
  struct Case {
    const char* what;
    std::string listing;
    bool wantEfi;
    wchar_t letter;  // 0: not found
  };
  const Case cases[] = {
      {"data", make_fakes::PlainListing(15272), false, L'e'},
      {"efi", make_fakes::PlainListing(15272), true, L'f'},
      {"upper case, CR LF, blank lines", "\r\n\n G: 1 EFI FAT32 35 MB EFI\r\n", true, L'g'},
      {"the visible one is the efi partition", " e: 2 efi FAT32 35 MB efi\n -- 1 NTFS 8100 MB Tarnvik\n", false, 0},
      {"no row with a letter", " -- 1 NTFS 8100 MB Tarnvik\n", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Listing(L"list.txt", c.listing);
    wchar_t letter = 0;
    EXPECT_EQ(FindPartitionLetter(2, c.wantEfi, letter), c.letter != 0);
    EXPECT_EQ(letter, c.letter);
  }
  EXPECT_EQ(Starts().back(), "cmd /c Gdisk.exe 3 >disk.log");
  EXPECT_EQ(logged_.Log().rfind("/c Gdisk.exe 3 >disk.log\n", 0), 0u);
}

}  // namespace
