// tarnvikctl reinstall as a process on the demo machine with the demo catalogue served
// locally: from the check to the restart request, the countdown on the way; Ctrl-C parks
// the download and the next run resumes it; every wrong input is named.

#include <signal.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "download/task_list_file.h"
#include "support/demo_content.h"
#include "support/file_server.h"
#include "support/run_program.h"
#include "support/service_base_override.h"
#include "support/tarnvikctl_process.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FileServer;
using testing_support::Outcome;
using testing_support::RunningProgram;
using testing_support::RunTarnvikctl;
using testing_support::TarnvikctlCommand;
using testing_support::TempMachine;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The demo machine as make-machine.sh lays it out, and the demo catalogue with its images
// on a local server.
class ReinstallCommandTest : public testing::Test {
 protected:
  ReinstallCommandTest() : machine_(testing_support::DemoMachine(), testing_support::MachineLayout::MadeByScript) {
    Outcome made = testing_support::PutDemoContent(server_);
    EXPECT_EQ(made.exitCode, 0) << made.err;
  }

  std::vector<std::string> Command(std::vector<std::string> args) {
    args.insert(args.begin(), {"reinstall", "--machine", machine_.folder().string()});
    return TarnvikctlCommand(args);
  }
  std::vector<std::string> Environment() {
    return {"TARNVIK_SERVICE_BASE=" + testing_support::LoopbackBase(server_.port())};
  }
  Outcome Run(std::vector<std::string> args) {
    return testing_support::RunProgram(
        {.args = Command(std::move(args)), .environment = Environment(), .limit = std::chrono::seconds(90)});
  }
  std::string HostText(const std::wstring& path) {
    std::ifstream in(machine_.HostPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  FileServer server_;
  TempMachine machine_;
};

TEST_F(ReinstallCommandTest, AnUnattendedRunGoesFromTheCheckToTheRestartRequest) {
  Outcome outcome = Run({"--auto", "--yes"});
  ASSERT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
  size_t at = 0;
  for (const char* step : {"== system check", "recommendation: ", "== image", "image: Windows 10",
                           "== backup and download", "100.00%", "btnInstall: 立即重装(5)", "btnInstall: 立即重装(0)",
                           "btnInstall: 等待安装...", "== install", "restart: requested and accepted"}) {
    size_t found = outcome.out.find(step, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << step << "\n" << outcome.out;
    at = found;
  }
  EXPECT_TRUE(fs::exists(machine_.HostPath(L"D:\\Tarnvik\\gho-prlm\\win10_x64_pro.gho"))) << outcome.out;
  EXPECT_TRUE(Has(HostText(L"C:\\ghostPe.In"), "win10_x64_pro.gho")) << outcome.out;
  EXPECT_TRUE(fs::exists(machine_.folder() / "state" / "restarts.jsonl")) << outcome.out;
}

TEST_F(ReinstallCommandTest, CtrlCParksTheImageAndTheNextRunResumesIt) {
  services::ServiceOptions slow;
  slow.throttleBytesPerSecond = 512 << 10;
  server_.Restart(slow);
  const fs::path partial = machine_.HostPath(L"D:\\Tarnvik\\gho-prlm\\win10_x64_pro.gho.xltd");
  {
    RunningProgram run({.args = Command({"--image", "win10_x64_pro.gho", "--yes"}), .environment = Environment()});
    std::error_code ec;
    for (int i = 0; i < 1500 && !(fs::exists(partial, ec) && fs::file_size(partial, ec) >= (512 << 10)); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.Signal(SIGINT);
    Outcome interrupted = run.Wait();
    ASSERT_EQ(interrupted.exitCode, 3) << interrupted.out << interrupted.err;
    EXPECT_TRUE(Has(interrupted.out, "interrupted: the image download is parked")) << interrupted.out;
  }
  auto parked = ReadTaskList(HostText(L"D:\\Tarnvik\\temp\\downlist.json"));
  ASSERT_EQ(parked.size(), 1u);
  EXPECT_EQ(parked[0].fileName, L"win10_x64_pro.gho");
  EXPECT_GT(parked[0].fraction, 0.0f);

  server_.Restart({});
  const int64_t sentBefore = server_.BytesSent();
  Outcome resumed = Run({"--image", "win10_x64_pro.gho", "--yes"});
  ASSERT_EQ(resumed.exitCode, 0) << resumed.out << resumed.err;
  const int64_t imageBytes = fs::file_size(machine_.HostPath(L"D:\\Tarnvik\\gho-prlm\\win10_x64_pro.gho"));
  EXPECT_LT(server_.BytesSent() - sentBefore, imageBytes) << "the image was fetched again from its start";
  EXPECT_EQ(HostText(L"D:\\Tarnvik\\temp\\downlist.json"), "null\n");
}

TEST_F(ReinstallCommandTest, AnImageTheCatalogueDoesNotHaveIsNamedWithTheOnesItHas) {
  Outcome outcome = Run({"--image", "win11.gho", "--yes"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_TRUE(Has(outcome.out, "the catalogue has no image with the file name win11.gho; it has: win10_x64_pro.gho"))
      << outcome.out;
}

TEST(ReinstallCommand, HelpAndEveryWrongInputIsNamed) {
  Outcome help = RunTarnvikctl({"reinstall", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Has(help.out, "reinstall --machine DIR [--image FILENAME] [--backup ITEMS] [--auto] [--yes]"))
      << help.out;
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"reinstall"}, "--machine DIR is required"},
      {{"reinstall", "--machine", "m", "--backup", "desktop,photos"}, "not 'photos'"},
      {{"reinstall", "--machine", "m", "--image", "D:\\a.gho"}, "--image takes a catalogue file name"},
      {{"reinstall", "--machine", "m", "--now"}, "unknown option '--now'"},
      {{"reinstall", "--machine", "m", "extra"}, "unexpected argument 'extra'"},
  };
  for (const Case& c : cases) {
    Outcome outcome = RunTarnvikctl(c.args);
    EXPECT_EQ(outcome.exitCode, 2) << c.message;
    EXPECT_TRUE(Has(outcome.err, c.message)) << c.message << "\n" << outcome.err;
  }
}

}  // namespace
