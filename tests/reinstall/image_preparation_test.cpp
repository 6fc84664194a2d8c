// Image preparation: a .gho used where it lies, an .iso mounted and its largest image file
// copied out, and the search for that file.

#include "reinstall/image_preparation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "install_machine.h"
#include "reinstall/largest_image_file.h"

namespace {

using install_testing::ApplyFileCommand;
using install_testing::DescribeStarts;
using install_testing::InstallMachineJson;
using install_testing::RecordedMachine;

// The machine with a volume E: that stands for the drive IsoCmd mounts the ISO on.
Json::Value MachineWithMountDrive() {
  Json::Value m = InstallMachineJson("mbr");
  Json::Value disk;
  disk["number"] = 2;
  disk["bus"] = "virtual";
  disk["sizeBytes"] = Json::Int64(8) << 30;
  disk["style"] = "mbr";
  Json::Value e;
  e["number"] = 1;
  e["sizeBytes"] = Json::Int64(8) << 30;
  e["letter"] = "E";
  disk["partitions"].append(e);
  m["disks"].append(disk);
  return m;
}

// A file of this many bytes that takes no room.
void WriteSized(testing_support::TempMachine& m, const std::wstring& path, int64_t bytes) {
  m.WriteFile(path, "");
  std::filesystem::resize_file(m.HostPath(path), static_cast<uintmax_t>(bytes));
}

constexpr int64_t kMiB = int64_t(1) << 20;

TEST(FindLargestImageFile, ChoosesTheLargestImageFileInWholeMiB) {
  struct File {
    const wchar_t* path;
    int64_t bytes;
  };
  struct Case {
    const char* what;
    std::vector<File> files;
    const wchar_t* chosen;  // nullptr: none
  };
  const Case cases[] = {
      {"the largest of the three kinds",
       {{L"a.gho", 3 * kMiB}, {L"b.WIM", 5 * kMiB}, {L"c.sdi", 4 * kMiB}},
       L"E:\\b.WIM"},
      {"equal in MiB keeps the first listed", {{L"a.wim", 2 * kMiB + 9}, {L"b.gho", 2 * kMiB + 900}}, L"E:\\a.wim"},
      {"a larger file of another kind is not an image",
       {{L"a.gho", 2 * kMiB}, {L"setup.exe", 50 * kMiB}},
       L"E:\\a.gho"},
      {"under 1 MiB never", {{L"small.gho", kMiB - 1}}, nullptr},
      {"found in a subfolder",
       {{L"boot\\boot.sdi", 3 * kMiB}, {L"sources\\install.wim", 40 * kMiB}},
       L"E:\\sources\\install.wim"},
      {"dot-folders are skipped", {{L".cache\\big.gho", 90 * kMiB}, {L"x.gho", 2 * kMiB}}, L"E:\\x.gho"},
      {"a name too short for an extension", {{L"gho", 9 * kMiB}}, nullptr},
      {"an empty drive", {}, nullptr},
  };
  for (const Case& c : cases) {
    RecordedMachine m(MachineWithMountDrive());
    for (const File& f : c.files) WriteSized(m.machine(), std::wstring(L"E:\\") + f.path, f.bytes);
    ImageFileChoice best;
    EXPECT_EQ(FindLargestImageFile(L"E:", best), c.chosen != nullptr) << c.what;
    EXPECT_EQ(best.path, c.chosen ? c.chosen : L"") << c.what;
  }
}

class PrepareImageTest : public testing::Test {
 protected:
  // IsoCmd in place, and its report naming E: as the mounted drive.
  void LayIsoCmd() {
    m_.machine().WriteFile(L"D:\\Tarnvik\\tool\\IsoCmd.exe", "tool");
    m_.recorder().onStart = [this](const platform::ShellExecuteRequest& r) {
      if (r.parameters.find(L"isoCmd -v >diskInfo.ini") != std::wstring::npos) {
        m_.machine().WriteFile(L"D:\\Tarnvik\\tool\\diskInfo.ini", report_);
      }
      return copies_ ? ApplyFileCommand(r) : true;
    };
  }

  RecordedMachine m_{MachineWithMountDrive()};
  std::string report_ = "ISOCMD 1 virtual drive ready mounted_drive=E: image\r\n";  // the 6th word's 15th is E
  bool copies_ = true;  // whether del, copy and move take effect
  std::wstring prepared_ = L"(untouched)";
};

TEST_F(PrepareImageTest, AGhoImageIsUsedWhereItLiesUnderItsLowerCasePath) {
  EXPECT_TRUE(PrepareImage(L"D:\\Tarnvik\\gho-prlm\\WIN7_X64.GHO", prepared_));
  EXPECT_EQ(prepared_, L"d:\\tarnvik\\gho-prlm\\win7_x64.gho");
  EXPECT_EQ(m_.recorder().Log(), "file is gho\r\n");
  EXPECT_TRUE(m_.recorder().Starts().empty());
}

TEST_F(PrepareImageTest, NeitherGhoNorIsoFails) {
  EXPECT_FALSE(PrepareImage(L"D:\\Tarnvik\\gho-prlm\\win10.zip", prepared_));
  EXPECT_EQ(m_.recorder().Log(), "file not iso\r\n");
  EXPECT_EQ(prepared_, L"(untouched)");
}

TEST_F(PrepareImageTest, AnIsoWithoutIsoCmdFailsBeforeAnyCommand) {
  m_.machine().WriteFile(L"D:\\Tarnvik\\tool\\IsoCmd.exe\\inside", "a folder of that name");
  EXPECT_FALSE(PrepareImage(L"D:\\Tarnvik\\gho-prlm\\win10.iso", prepared_));
  EXPECT_EQ(m_.recorder().Log(), "IsoCmd.exe Tool not Find.\n");
  EXPECT_TRUE(m_.recorder().Starts().empty());
}

TEST_F(PrepareImageTest, AnIsoIsMountedAndItsLargestImageFileCopiedToGhostGho) {
  LayIsoCmd();
  WriteSized(m_.machine(), L"E:\\sources\\install.wim", 7 * kMiB + 5);
  WriteSized(m_.machine(), L"E:\\boot\\boot.sdi", 3 * kMiB);
  ASSERT_TRUE(PrepareImage(L"D:\\Tarnvik\\gho-prlm\\Win10_X64.ISO", prepared_)) << m_.recorder().Log();
  EXPECT_EQ(prepared_, L"D:\\Tarnvik\\tool\\ghost.gho");
  EXPECT_EQ(std::filesystem::file_size(m_.machine().HostPath(prepared_)), uintmax_t(7 * kMiB + 5));
  EXPECT_EQ(m_.HostText(L"D:\\Tarnvik\\tool\\diskInfo.ini"), "(missing)");  // read once and deleted
  const std::vector<std::wstring> expected = {
      L"runas|cmd.exe|/c isoCmd -number 1&\t\tisoCmd -i&\t\tisoCmd -eject 0:&\t\tisoCmd -mount 0: "
      L"\"d:\\tarnvik\\gho-prlm\\win10_x64.iso\"&\t\tisoCmd -v >diskInfo.ini|D:\\Tarnvik\\tool",
      L"runas|cmd.exe|/c attrib -s -r -h \"D:\\Tarnvik\\tool\\ghost.gho\"|",
      L"runas|cmd.exe|/c del /q \"D:\\Tarnvik\\tool\\ghost.gho\"|",
      L"runas|cmd.exe|/c copy \"E:\\sources\\install.wim\" \"D:\\Tarnvik\\tool\\ghost.gho\" /y|",
  };
  EXPECT_EQ(DescribeStarts(m_.recorder()), expected);
}

TEST_F(PrepareImageTest, AFailedCopyLeavesNoOlderGhostGhoToApply) {
  LayIsoCmd();
  WriteSized(m_.machine(), L"E:\\sources\\install.wim", 7 * kMiB);
  m_.machine().WriteFile(L"D:\\Tarnvik\\tool\\ghost.gho", "an earlier ISO's image");
  m_.recorder().onStart = [this, earlier = m_.recorder().onStart](const platform::ShellExecuteRequest& r) {
    return r.parameters.rfind(L"/c copy", 0) == 0 || earlier(r);  // the copy does nothing
  };
  EXPECT_FALSE(PrepareImage(L"D:\\Tarnvik\\gho-prlm\\win10.iso", prepared_));
  EXPECT_EQ(prepared_, L"(untouched)");
  EXPECT_EQ(m_.HostText(L"D:\\Tarnvik\\tool\\ghost.gho"), "(missing)");
  EXPECT_NE(m_.recorder().Log().find("copy of E:\\sources\\install.wim to D:\\Tarnvik\\tool\\ghost.gho failed: it is "
                                     "missing\n"),
            std::string::npos)
      << m_.recorder().Log();
}

TEST_F(PrepareImageTest, AnOlderGhostGhoThatSurvivesItsDeleteIsNotTakenForTheCopy) {
  LayIsoCmd();
  copies_ = false;  // neither the delete nor the copy happens
  WriteSized(m_.machine(), L"E:\\sources\\install.wim", 7 * kMiB);
  WriteSized(m_.machine(), L"D:\\Tarnvik\\tool\\ghost.gho", 6 * kMiB);
  EXPECT_FALSE(PrepareImage(L"D:\\Tarnvik\\gho-prlm\\win10.iso", prepared_));
  EXPECT_NE(m_.recorder().Log().find("ghost.gho failed: it holds 6291456 of 7340032 bytes\n"), std::string::npos)
      << m_.recorder().Log();
}

TEST_F(PrepareImageTest, AMountThatFindsNothingFailsNamingWhatIsMissing) {
  struct Case {
    const char* what;
    bool writesReport;
    std::string report;
    const char* logged;
  };
  const std::string earlierReport = "ISOCMD 1 virtual drive ready mounted_drive=E: image";
  const Case cases[] = {
      {"no drive report, an earlier run's left in place", false, earlierReport,
       "IsoCmd left no drive report D:\\Tarnvik\\tool\\diskInfo.ini\n"},
      {"a report of five words", true, "a b c d e", "D:\\Tarnvik\\tool\\diskInfo.ini names no drive\n"},
      {"a sixth word too short", true, "a b c d e short", "D:\\Tarnvik\\tool\\diskInfo.ini names no drive\n"},
      {"no image file on the drive", true, "ISOCMD 1 virtual drive ready mounted_drive=F: image",
       "no image file of 1 MiB or more on F: (mounted from d:\\x\\win.iso)\n"},
  };
  for (const Case& c : cases) {
    RecordedMachine m(MachineWithMountDrive());
    m.machine().WriteFile(L"D:\\Tarnvik\\tool\\IsoCmd.exe", "tool");
    WriteSized(m.machine(), L"E:\\old\\earlier.gho", 3 * kMiB);
    if (!c.writesReport) m.machine().WriteFile(L"D:\\Tarnvik\\tool\\diskInfo.ini", c.report);
    m.recorder().onStart = [&](const platform::ShellExecuteRequest&) {
      if (c.writesReport) m.machine().WriteFile(L"D:\\Tarnvik\\tool\\diskInfo.ini", c.report);
      return true;
    };
    std::wstring prepared;
    EXPECT_FALSE(PrepareImage(L"D:\\x\\WIN.iso", prepared)) << c.what;
    const std::string log = m.recorder().Log();
    EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << ": " << log;
  }
}

}  // namespace
