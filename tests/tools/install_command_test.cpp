// tarnvikctl install: its input checks and what it prints of a run, on temporary machines.

#include <gtest/gtest.h>

#include <string>

#include "support/tarnvikctl_process.h"
#include "support/temp_machine.h"

namespace {

using testing_support::RunTarnvikctl;
using testing_support::TempMachine;

class InstallCommandTest : public testing::Test {
 protected:
  InstallCommandTest() {
    m_.WriteFile(L"D:\\Tarnvik\\gho-prlm\\win10_x64.gho", "image");
    m_.WriteFile(L"D:\\Tarnvik\\gho-prlm\\win10_x64.zip", "an archive");
    m_.WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.iso", "iso");
  }
  testing_support::Outcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"install", "--machine", m_.folder().string()});
    return RunTarnvikctl(args);
  }
  TempMachine m_;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(InstallCommandTest, HelpNamesTheDefaultComponentAndTheStatistics) {
  auto outcome = RunTarnvikctl({"install", "--help"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_TRUE(Has(outcome.out, "usage: tarnvikctl install --machine DIR --image PATH [--pe NAME]")) << outcome.out;
  EXPECT_TRUE(Has(outcome.out, "temp\\pe.json")) << outcome.out;
  EXPECT_TRUE(Has(outcome.out, "sends no tracking point")) << outcome.out;
}

TEST_F(InstallCommandTest, EveryWrongInputIsNamed) {
  m_.WriteFile(L"D:\\Tarnvik\\PE\\older.iso", "iso");  // two components, none named by pe.json
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "--image PATH is required"},
      {{"--image"}, "--image needs a value"},
      {{"--image", "win10.gho"}, "--image takes a Windows path such as"},
      {{"--image", "D:\\Tarnvik\\gho-prlm\\none.gho"},
       "--image D:\\Tarnvik\\gho-prlm\\none.gho is not a file on the machine"},
      {{"--image", "D:\\Tarnvik\\gho-prlm\\win10_x64.gho", "--pe", "..\\x.iso"},
       "--pe takes a file name in D:\\Tarnvik\\PE\\"},
      {{"--image", "D:\\Tarnvik\\gho-prlm\\win10_x64.gho", "--pe", "WEPE65.iso"},
       "--pe WEPE65.iso: there is no D:\\Tarnvik\\PE\\WEPE65.iso on the machine"},
      {{"--image", "D:\\Tarnvik\\gho-prlm\\win10_x64.gho"},
       "which holds 2 .iso files (WEPE64.iso, older.iso); give --pe NAME"},
      {{"--image", "D:\\Tarnvik\\gho-prlm\\win10_x64.gho", "--fast"}, "unknown option '--fast'"},
  };
  for (const Case& c : cases) {
    auto outcome = Run(c.args);
    EXPECT_EQ(outcome.exitCode, 2) << c.message << "\n" << outcome.err;
    EXPECT_TRUE(Has(outcome.err, c.message)) << c.message << "\n" << outcome.err;
    EXPECT_EQ(outcome.out, "") << c.message;
  }
  auto missing = RunTarnvikctl({"install", "--machine", (m_.folder() / "none").string(), "--image", "D:\\a.gho"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(Has(missing.err, "machine.json")) << missing.err;
}

TEST_F(InstallCommandTest, TheComponentNamedByTheCacheIsTakenBeforeALoneIso) {
  m_.WriteFile(L"D:\\Tarnvik\\PE\\older.iso", "iso");
  m_.WriteFile(L"D:\\Tarnvik\\temp\\pe.json", R"({"nFileSize":"3","sFileName":"older.iso","sUrl":"u"})");
  auto outcome = Run({"--image", "D:\\Tarnvik\\gho-prlm\\win10_x64.zip"});
  EXPECT_TRUE(Has(outcome.out, "WinPE component: D:\\Tarnvik\\PE\\older.iso (named by temp\\pe.json)\n"))
      << outcome.out << outcome.err;
}

TEST_F(InstallCommandTest, AFailedStepIsNamedWithItsLogAndTheHandoffStillHappens) {
  m_.WriteFile(L"C:\\Config.ini", "[do]\r\nK=stale\r\n");
  auto outcome = Run({"--image", "D:\\Tarnvik\\gho-prlm\\win10_x64.zip"});
  EXPECT_EQ(outcome.exitCode, 1) << outcome.out << outcome.err;
  const std::string& out = outcome.out;
  EXPECT_TRUE(Has(out, "WinPE component: D:\\Tarnvik\\PE\\WEPE64.iso (the one .iso in the PE folder)\n")) << out;
  EXPECT_TRUE(Has(out, "log: file not iso\nlog: GetGHOSTFILE error\n")) << out;
  EXPECT_TRUE(Has(out, "prepared image: none\n")) << out;
  EXPECT_TRUE(Has(out, "boot store before: cannot be read: there is no bcdedit.dll in D:\\Tarnvik\\tool\n")) << out;
  EXPECT_TRUE(Has(out, "  C:\\Config.ini  (removed)\n")) << out;
  EXPECT_TRUE(Has(out, "  D:\\Config.ini  H  (placed, ")) << out;
  EXPECT_TRUE(Has(out, "Config.ini D:\\Config.ini:\n  [do]\n  K=xirpelquat583920\n")) << out;
  EXPECT_TRUE(Has(out, "ghostPe.In C:\\ghostPe.In: missing\n")) << out;
  EXPECT_TRUE(Has(out, "  1302 下载系统->立即重装 \n")) << out;
  EXPECT_TRUE(Has(out, "    reset_succed=1\n")) << out;
  EXPECT_TRUE(Has(out, "restart: not requested; the main window gets message 3028")) << out;
  EXPECT_TRUE(Has(out, "install failed at: the image preparation (see the log above)\n")) << out;
}

}  // namespace
