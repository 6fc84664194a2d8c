// make-machine.sh lays the fake tools and the stand-ins of the shipped boot files into the
// program's folder, and keeps what the profile brought.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "fake_tool_runner.h"
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
