// make-machine.sh lays the fake tools and the stand-ins of the shipped boot and data files
// into the program's folder, and keeps what the profile brought.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <json/json.h>

#include "base/json_read.h"
#include "fake_tool_runner.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;

class MakeMachine : public testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(profile_.path() / "machine.json") << testing_support::MinimalMachine().toStyledString();
    fs::create_directories(profile_.path() / "drives" / "D" / "Tarnvik" / "tool");
    std::ofstream(profile_.path() / "drives" / "D" / "Tarnvik" / "tool" / "BCDEDIT.DLL") << "the operator's editor";
  }
  // Runs the script with the bin folder given; its stderr goes to `errors`.
  int Make(const std::string& binFolder) {
    std::string command = "TARNVIK_BIN_DIR='" + binFolder + "' bash '" TARNVIK_SOURCE_DIR "/tools/machines/make-machine.sh' '" +
                          profile_.path().string() + "' '" + Machine().string() + "' 2>'" + Errors().string() + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::path Machine() const { return work_.path() / "machine"; }
  fs::path Errors() const { return work_.path() / "errors"; }
  fs::path Program(const std::string& relative) const { return Machine() / "drives" / "D" / "Tarnvik" / relative; }

  testing_support::TempDir profile_;
  testing_support::TempDir work_;
};

TEST_F(MakeMachine, TheFakesLieInTheToolFolderUnderTheToolsNamesBesideTheStandIns) {
  ASSERT_EQ(Make(TARNVIK_BIN_DIR), 0) << fake_tools::ReadAll(Errors());
  for (const auto& [fake, name] : {std::pair{"fake_isocmd", "IsoCmd.exe"}, {"fake_7z", "7z.exe"}, {"fake_bootsect", "bootsect.exe"}}) {
    fs::path laid = Program(std::string("tool/") + name);
    EXPECT_EQ(fake_tools::ReadAll(laid), fake_tools::ReadAll(fs::path(TARNVIK_BIN_DIR) / fake)) << name;
    EXPECT_EQ(::access(laid.c_str(), X_OK), 0) << name;
  }
  EXPECT_EQ(fake_tools::ReadAll(Program("tool/BCDEDIT.DLL")), "the operator's editor");
  EXPECT_FALSE(fs::exists(Program("tool/bcdedit.dll")));
  for (const std::string file : {"tool/bootmgfw.efi", "PE/SDone.SDI", "PE/jszc", "PE/grldr"}) {
    EXPECT_EQ(fake_tools::ReadAll(Program(file)), "Tarnvik stand-in for " + fs::path(file).filename().string() + "\n");
  }
}

TEST_F(MakeMachine, TheUsbMakersDataFilesAreLaidOutUnlessTheProfileBringsThem) {
  std::ofstream(profile_.path() / "drives" / "D" / "Tarnvik" / "tool" / "uiso.BAK") << "the operator's image";
  ASSERT_EQ(Make(TARNVIK_BIN_DIR), 0) << fake_tools::ReadAll(Errors());

  auto listing = testing_support::RunProgram({.args = {"7z", "l", "-ba", "-slt", Program("tool/Udata.bak").string()}});
  ASSERT_EQ(listing.exitCode, 0) << listing.err;
  for (const char* file : {"boot/BCD", "efi/microsoft/boot/BCD", "efi/boot/bootx64.efi", "bootmgr"}) {
    EXPECT_NE(listing.out.find(std::string("Path = ") + file + "\n"), std::string::npos) << file << "\n" << listing.out;
  }
  for (const auto& [store, entry] : {std::pair{"boot/BCD", "{e2f00ef7-af5f-48d4-99a2-7b1c6f57e63d}"},
                                     {"efi/microsoft/boot/BCD", "{2b27e930-f7ab-11df-aeb8-c641fe7f0057}"}}) {
    auto text = testing_support::RunProgram({.args = {"7z", "e", "-so", Program("tool/Udata.bak").string(), store}});
    Json::Value root;
    std::string error;
    ASSERT_TRUE(tarnvik::ReadJsonText(text.out, root, error, tarnvik::JsonStrictness::Strict))
        << store << ": " << error;
    std::vector<std::string> expected{entry, "{bootmgr}", "{ramdiskoptions}"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(root["objects"].getMemberNames(), expected);
    EXPECT_EQ(root["objects"][entry]["type"], "osloader");
  }
  EXPECT_EQ(fake_tools::ReadAll(Program("tool/uiso.BAK")), "the operator's image");
  EXPECT_FALSE(fs::exists(Program("tool/Uiso.bak")));
  EXPECT_EQ(fake_tools::ReadAll(Program("PE/data.VQ")), "Tarnvik stand-in for data.VQ\n");
  EXPECT_EQ(fake_tools::ReadAll(Program("tool/注意事项.txt")).rfind("注意事项\r\n", 0), 0u);

  // The shipped image itself, on a profile that brings none: an ISO that 7z reads.
  fs::remove(profile_.path() / "drives" / "D" / "Tarnvik" / "tool" / "uiso.BAK");
  ASSERT_EQ(Make(TARNVIK_BIN_DIR), 0) << fake_tools::ReadAll(Errors());
  listing = testing_support::RunProgram({.args = {"7z", "l", "-ba", "-slt", Program("tool/Uiso.bak").string()}});
  ASSERT_EQ(listing.exitCode, 0) << listing.err;
  EXPECT_EQ(fake_tools::ReadAll(Program("tool/Uiso.bak")).substr(16 * 2048 + 1, 5), "CD001");
  EXPECT_NE(listing.out.find("Path = efi/boot/bootx64.efi\n"), std::string::npos) << listing.out;
}

TEST_F(MakeMachine, AFakeThatIsNotBuiltIsNamedAndTheMachineMadeWithoutIt) {
  testing_support::TempDir emptyBin;
  ASSERT_EQ(Make(emptyBin.path().string()), 0);
  std::string errors = fake_tools::ReadAll(Errors());
  EXPECT_NE(errors.find("fake_isocmd not found: the machine has no tool\\IsoCmd.exe (build the target fake_isocmd)"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("fake_7z not found"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("fake_bcdedit"), std::string::npos) << "the profile brought its editor: " << errors;
  EXPECT_FALSE(fs::exists(Program("tool/IsoCmd.exe")));
  EXPECT_TRUE(fs::exists(Program("PE/grldr")));
}

}  // namespace
