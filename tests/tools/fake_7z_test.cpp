// The archive extractor of the simulated machine (tools/fakes/7z), run as a process on a
// temporary machine with a real WinPE ISO made by xorriso and a real 7z archive.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_tool_runner.h"
#include "support/iso_image.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

class Fake7z : public testing::Test {
 protected:
  void SetUp() override {
    testing_support::TempDir tree;
    fs::create_directories(tree.path() / "WEPE");
    std::ofstream(tree.path() / "WEPE" / "WEPE64.WIM", std::ios::binary) << "the WinPE image";
    std::ofstream(tree.path() / "WEPE" / "other.txt") << "not asked for";
    ASSERT_TRUE(testing_support::MakeIso(tree.path(), machine_.HostPath(L"D:\\Tarnvik\\PE\\WEPE64.iso")));
    ASSERT_TRUE(testing_support::HostProgramPresent("7z", "p7zip-full"));

    // A boot file set as the USB maker's Udata.bak holds one.
    testing_support::TempDir set;
    fs::create_directories(set.path() / "boot");
    fs::create_directories(set.path() / "efi" / "microsoft" / "boot");
    std::ofstream(set.path() / "boot" / "BCD") << "bios store";
    std::ofstream(set.path() / "efi" / "microsoft" / "boot" / "BCD") << "uefi store";
    std::ofstream(set.path() / "bootmgr") << "boot manager";
    fs::create_directories(Host(L"D:\\Tarnvik\\tool"));
    const std::string archive = Host(L"D:\\Tarnvik\\tool\\Udata.bak").string();
    auto packed = testing_support::RunProgram(
        {.args = {"sh", "-c", "cd \"$0\" && 7z a -bd \"$1\" boot efi bootmgr", set.path().string(), archive}});
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
  }
  fake_tools::ToolRun SevenZip(const Args& args, const std::string& workingFolder = "C:\\Windows\\system32") {
    return fake_tools::RunFake("fake_7z", machine_.folder(), workingFolder, args);
  }
  fs::path Host(const std::wstring& path) { return machine_.HostPath(path); }
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing_support::TempMachine machine_;
};

TEST_F(Fake7z, TheWimComesOutOfTheIsoWithoutItsFolderAndAgainOverTheFirst) {
  const Args extract{"e", "D:\\Tarnvik\\PE\\WEPE64.iso", "-oD:\\Tarnvik\\PE", "WEPE\\WEPE64.WIM"};
  for (int run = 0; run < 2; ++run) {
    auto result = SevenZip(extract);
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }
  EXPECT_EQ(fake_tools::ReadAll(Host(L"D:\\Tarnvik\\PE\\WEPE64.WIM")), "the WinPE image");
  EXPECT_FALSE(fs::exists(Host(L"D:\\Tarnvik\\PE\\WEPE")));
  EXPECT_FALSE(fs::exists(Host(L"D:\\Tarnvik\\PE\\other.txt")));

  // With -aos the file that is there stays.
  machine_.WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", "kept");
  auto result = SevenZip({"e", "D:\\Tarnvik\\PE\\WEPE64.iso", "-oD:\\Tarnvik\\PE", "WEPE\\WEPE64.WIM", "-y", "-aos"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(fake_tools::ReadAll(Host(L"D:\\Tarnvik\\PE\\WEPE64.WIM")), "kept");
}

TEST_F(Fake7z, RelativePathsStartFromTheWorkingFolderAndNamesMatchWithoutCase) {
  auto result = SevenZip({"e", "PE\\wepe64.ISO", "-oPE\\out", "wepe\\wepe64.wim"}, "D:\\Tarnvik");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(fs::exists(Host(L"D:\\Tarnvik\\PE\\out\\WEPE64.WIM")));
}

TEST_F(Fake7z, XKeepsTheFoldersAndWithAosLeavesFilesThatExist) {
  // The USB maker's unpack, run a second time over an older set whose folders differ in case.
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\KQD\\EFI\\Microsoft\\Boot\\BCD", "edited uefi store");
  auto result = SevenZip({"x", "Udata.bak", "-y", "-aos", "-okqd"}, "D:\\Tarnvik\\tool");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(fake_tools::ReadAll(Host(L"D:\\Tarnvik\\tool\\kqd\\boot\\BCD")), "bios store");
  EXPECT_EQ(fake_tools::ReadAll(Host(L"D:\\Tarnvik\\tool\\kqd\\bootmgr")), "boot manager");
  EXPECT_EQ(fake_tools::ReadAll(Host(L"D:\\Tarnvik\\tool\\kqd\\efi\\microsoft\\boot\\BCD")), "edited uefi store");
  // The folders that exist are used, as on Windows.
  EXPECT_EQ(Names(Host(L"D:\\Tarnvik\\tool")), (std::vector<std::string>{"KQD", "Udata.bak"}));
  EXPECT_EQ(Names(Host(L"D:\\Tarnvik\\tool\\kqd")), (std::vector<std::string>{"EFI", "boot", "bootmgr"}));

  // Without -aos a file that exists is replaced; a full folder and a root as -o.
  result = SevenZip({"x", "D:\\Tarnvik\\tool\\Udata.bak", "-y", "-oD:\\Tarnvik\\tool\\kqd"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(fake_tools::ReadAll(Host(L"D:\\Tarnvik\\tool\\kqd\\efi\\microsoft\\boot\\BCD")), "uefi store");
  result = SevenZip({"x", "D:\\Tarnvik\\PE\\WEPE64.iso", "-y", "-aos", "-oC:\\"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(fake_tools::ReadAll(Host(L"C:\\WEPE\\WEPE64.WIM")), "the WinPE image");
  EXPECT_EQ(fake_tools::ReadAll(Host(L"C:\\WEPE\\other.txt")), "not asked for");
  // Nothing is left of the unpacking on the side.
  for (const std::string& name : Names(machine_.folder())) {
    EXPECT_EQ(name.rfind(".7z-x-", 0), std::string::npos) << name;
  }
}

TEST_F(Fake7z, AFailureSaysWhyWithANonZeroStatusAndExtractsNothing) {
  struct Case {
    Args args;
    int status;
    std::string says;  // empty: 7z's own message, whatever its words
  };
  const std::vector<Case> cases{
      {{"e", "D:\\Tarnvik\\PE\\WEPE64.iso", "-oD:\\out", "WEPE\\NOPE.WIM"}, 2,
       "7z: WEPE\\NOPE.WIM: No files to process: D:\\Tarnvik\\PE\\WEPE64.iso holds no such file"},
      {{"e", "D:\\Tarnvik\\PE\\missing.iso", "-oD:\\out", "WEPE\\WEPE64.WIM"}, 2, ""},
      {{"e", "Q:\\WEPE64.iso", "-oD:\\out", "WEPE\\WEPE64.WIM"}, 2, "7z: 'Q:\\WEPE64.iso' is not on a drive of this machine"},
      {{"a", "D:\\Tarnvik\\PE\\WEPE64.iso", "-oD:\\out"}, 7, "7z: the command is 'e'"},
      {{"x", "D:\\Tarnvik\\PE\\missing.iso", "-y", "-aos", "-oD:\\out"}, 2, ""},
      {{"x", "D:\\Tarnvik\\PE\\WEPE64.iso", "-oD:\\out", "WEPE\\NOPE.WIM"}, 2, "WEPE\\NOPE.WIM: No files to process"},
      {{"e", "-oD:\\out"}, 7, "7z: the archive is missing"},
      {{"e", "D:\\Tarnvik\\PE\\WEPE64.iso", "-o"}, 7, "7z: -o needs a folder"},
      {{"e", "D:\\Tarnvik\\PE\\WEPE64.iso", "-r", "-oD:\\out"}, 7, "7z: '-r' is not a switch of this 7z"},
  };
  for (const Case& c : cases) {
    auto result = SevenZip(c.args);
    EXPECT_EQ(result.exitCode, c.status) << c.args[1];
    EXPECT_FALSE(result.err.empty()) << c.args[1];
    if (!c.says.empty()) {
      EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(Host(L"D:\\out"))) << c.args[1];
  }
}

}  // namespace
