// The virtual CD drive tool of the simulated machine (tools/fakes/isocmd), run as a
// process on a temporary machine with real ISO images made by xorriso.

#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/json_read.h"
#include "fake_tool_runner.h"
#include "support/iso_image.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

void Put(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

class FakeIsoCmd : public testing::Test {
 protected:
  void SetUp() override {
    // The image the program installs from: its largest image file in a subfolder.
    testing_support::TempDir tree;
    Put(tree.path() / "WEPE" / "WEPE64.WIM", "pe");
    Put(tree.path() / "sources" / "install.wim", std::string(3 << 20, 'w'));
    Put(tree.path() / "readme.txt", "windows 10");
    ASSERT_TRUE(testing_support::MakeIso(tree.path(), machine_.HostPath(L"D:\\images\\Win10.iso")));
    ASSERT_TRUE(testing_support::HostProgramPresent("7z", "p7zip-full"));
  }

  fake_tools::ToolRun IsoCmd(const Args& args) { return IsoCmdOn(machine_, args); }
  static fake_tools::ToolRun IsoCmdOn(const testing_support::TempMachine& machine, const Args& args) {
    return fake_tools::RunFake("fake_isocmd", machine.folder(), "D:\\Tarnvik\\tool", args);
  }
  // The install's command list, one process a command; the image path comes lower-cased.
  void MountAsTheInstallDoes(const std::string& image) {
    for (const Args& command : std::vector<Args>{{"-number", "1"}, {"-i"}, {"-eject", "0:"}, {"-mount", "0:", image}}) {
      auto run = IsoCmd(command);
      ASSERT_EQ(run.exitCode, 0) << command[0] << ": " << run.err;
    }
  }
  Json::Value StateJson(const std::string& name) const {
    Json::Value root;
    std::string error;
    std::string text = fake_tools::ReadAll(machine_.folder() / "state" / name);
    EXPECT_TRUE(tarnvik::ReadJsonText(text, root, error, tarnvik::JsonStrictness::Strict)) << name << ": " << error;
    return root;
  }
  static Json::Value Drive(const std::string& image) {
    Json::Value drive;
    drive["type"] = "cdrom";
    drive["image"] = image;
    return drive;
  }
  fs::path DriveFolder(const std::string& letter) const { return machine_.folder() / "drives" / letter; }
  bool DriveIsEmpty(const std::string& letter) const { return !fs::exists(DriveFolder(letter)) || fs::is_empty(DriveFolder(letter)); }

  testing_support::TempMachine machine_;
};

TEST_F(FakeIsoCmd, TheInstallCommandsMountTheImageAndTheReportGivesItsLetterAtIndex14OfTheSixthWord) {
  MountAsTheInstallDoes("d:\\images\\win10.iso");

  auto report = IsoCmd({"-v"});
  ASSERT_EQ(report.exitCode, 0) << report.err;
  EXPECT_EQ(report.out, "IsoCmd virtual drives: 1 driver=installed\r\nVirtualDrive0=E: d:\\images\\win10.iso\r\n");
  std::istringstream words(report.out);
  std::string word;
  for (int i = 0; i < 6; ++i) words >> word;
  ASSERT_GT(word.size(), 14u) << word;
  EXPECT_EQ(word[14], 'E');

  // The disc's files are the drive's files, for the machine as for the program.
  Json::Value mounts(Json::objectValue);
  mounts["E"] = Drive("d:\\images\\win10.iso");
  EXPECT_EQ(StateJson("mounts.json"), mounts);
  EXPECT_EQ(fs::file_size(DriveFolder("E") / "sources" / "install.wim"), 3u << 20);
  EXPECT_TRUE(machine_.machine().files().FileExists(L"E:\\WEPE\\WEPE64.WIM"));
  EXPECT_TRUE(machine_.machine().files().FileExists(L"e:\\readme.txt"));
}

TEST_F(FakeIsoCmd, EjectEmptiesTheDriveAndAnotherImageReplacesTheFilesOfTheFirst) {
  testing_support::TempDir other;
  Put(other.path() / "other.gho", "ghost");
  ASSERT_TRUE(testing_support::MakeIso(other.path(), machine_.HostPath(L"D:\\images\\other.iso")));
  MountAsTheInstallDoes("d:\\images\\win10.iso");

  auto run = IsoCmd({"-mount", "0:", "D:\\images\\other.iso"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(DriveFolder("E") / "other.gho"));
  EXPECT_FALSE(fs::exists(DriveFolder("E") / "sources"));

  run = IsoCmd({"-eject", "0:"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(DriveIsEmpty("E"));
  EXPECT_EQ(StateJson("mounts.json")["E"], Drive(""));
  EXPECT_EQ(IsoCmd({"-v"}).out, "IsoCmd virtual drives: 1 driver=installed\r\nVirtualDrive0=E:\r\n");
}

TEST_F(FakeIsoCmd, AnImageThatIsMissingOrUnreadableFailsAndLeavesTheDriveEmpty) {
  machine_.WriteFile(L"D:\\images\\junk.iso", "this is no disc image");
  struct Case {
    std::string image;
    std::string says;
  };
  for (const Case& c : std::vector<Case>{{"d:\\images\\none.iso", "cannot mount d:\\images\\none.iso: there is no such file"},
                                         {"d:\\images", "cannot mount d:\\images: there is no such file"},
                                         {"d:\\images\\junk.iso", "7z could not read"},
                                         {"Q:\\win10.iso", "'Q:\\win10.iso' is not on a drive of this machine"}}) {
    MountAsTheInstallDoes("d:\\images\\win10.iso");
    auto run = IsoCmd({"-mount", "0:", c.image});
    EXPECT_EQ(run.exitCode, 1) << c.image;
    EXPECT_NE(run.err.find("IsoCmd: " + c.says), std::string::npos) << c.image << ": " << run.err;
    EXPECT_TRUE(DriveIsEmpty("E")) << c.image;
    EXPECT_EQ(StateJson("mounts.json")["E"], Drive("")) << c.image;
  }
}

TEST_F(FakeIsoCmd, NewDrivesTakeTheFirstFreeLettersAndFewerDrivesGiveThemBack) {
  // E: is a drive of another owner (a mounted CD of the profile); C: and D: are volumes.
  Json::Value mounts(Json::objectValue);
  mounts["E"] = Drive("");
  fs::create_directories(machine_.folder() / "state");
  std::ofstream(machine_.folder() / "state" / "mounts.json") << mounts.toStyledString();
  ASSERT_EQ(IsoCmd({"-number", "2"}).exitCode, 0);
  ASSERT_EQ(IsoCmd({"-i"}).exitCode, 0);
  EXPECT_EQ(IsoCmd({"-v"}).out,
            "IsoCmd virtual drives: 2 driver=installed\r\nVirtualDrive0=F:\r\nVirtualDrive1=G:\r\n");
  ASSERT_EQ(IsoCmd({"-mount", "1:", "d:\\images\\win10.iso"}).exitCode, 0);

  ASSERT_EQ(IsoCmd({"-number", "1"}).exitCode, 0);
  Json::Value expected = mounts;
  expected["F"] = Drive("");
  EXPECT_EQ(StateJson("mounts.json"), expected);
  EXPECT_FALSE(fs::exists(DriveFolder("G")));
}

TEST_F(FakeIsoCmd, AWrongCommandSaysWhatIsWrong) {
  struct Case {
    std::vector<Args> before;  // on a fresh machine
    Args args;
    std::string says;
  };
  const std::vector<Case> cases{
      {{{"-number", "1"}}, {"-mount", "0:", "d:\\images\\win10.iso"}, "the virtual drive driver is not installed"},
      {{{"-i"}}, {"-eject", "0:"}, "there is no virtual drive 0: the machine has 0"},
      {{{"-number", "1"}, {"-i"}}, {"-eject", "1:"}, "there is no virtual drive 1: the machine has 1"},
      {{}, {"-eject", "0"}, "'0' is not a drive number such as 0:"},
      {{}, {"-mount", "0:"}, "-mount takes a drive number such as 0: and the path of an ISO image"},
      {{}, {"-number", "x"}, "-number takes a count of drives from 0 to 23, not 'x'"},
      {{}, {"-number", "24"}, "-number takes a count of drives from 0 to 23, not '24'"},
      {{}, {"-v", "all"}, "-v takes no arguments"},
      {{}, {"-unmount"}, "'-unmount' is not an option of IsoCmd"},
      {{}, {}, "no option given"},
  };
  for (const Case& c : cases) {
    testing_support::TempMachine fresh;
    for (const Args& before : c.before) {
      ASSERT_EQ(IsoCmdOn(fresh, before).exitCode, 0);
    }
    auto run = IsoCmdOn(fresh, c.args);
    EXPECT_EQ(run.exitCode, 1) << c.says;
    EXPECT_NE(run.err.find("IsoCmd: " + c.says), std::string::npos) << run.err;
  }
}

}  // namespace
