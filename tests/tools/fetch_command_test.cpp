// tarnvikctl fetch as a process: interrupted, it parks its task in downlist.json and the
// next run resumes it; it refuses a target another fetch writes, and every failure says why.

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "download/task_list_file.h"
#include "support/download_machine.h"
#include "support/file_server.h"
#include "support/local_http_server.h"
#include "support/tarnvikctl_process.h"
#include "xldl/transfer_task.h"

namespace {

using testing_support::DownloadMachine;
using testing_support::FileServer;
using testing_support::PatternBytes;
using testing_support::RunningProgram;
using testing_support::RunTarnvikctl;
using testing_support::TarnvikctlCommand;

const std::wstring kList = L"D:\\Tarnvik\\temp\\downlist.json";

// Waits, a bounded while, until the host file holds at least `bytes` bytes.
bool WaitForSize(const std::filesystem::path& file, uintmax_t bytes) {
  std::error_code ec;
  for (int i = 0; i < 300; ++i) {
    auto size = std::filesystem::file_size(file, ec);
    if (!ec && size >= bytes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A server whose answers stop for a few seconds at `offset`.
services::ServiceOptions StallAt(int64_t offset) {
  services::ServiceOptions stall;
  stall.stallAtOffset = offset;
  stall.stallSeconds = 3;
  return stall;
}

// Runs fetch until its partial data holds `bytes` bytes, then sends SIGTERM; its exit code.
int FetchUntilPartialHolds(const std::vector<std::string>& args, const std::filesystem::path& partial,
                           uintmax_t bytes) {
  RunningProgram fetch({.args = TarnvikctlCommand(args)});
  WaitForSize(partial, bytes);
  fetch.Signal(SIGTERM);
  return fetch.Wait().exitCode;
}

TEST(FetchCommand, InterruptedFetchIsParkedAndTheNextRunResumesIt) {
  constexpr int64_t kSize = 2 << 20, kCut = 512 << 10;
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  FileServer server(StallAt(kCut));
  const std::string bytes = PatternBytes(kSize);
  server.WriteFile("win.iso", bytes);
  const std::vector<std::string> args{"fetch", server.Url("win.iso"), "D:\\dl", "--machine", machine.folder()};
  ASSERT_EQ(FetchUntilPartialHolds(args, machine.HostPath(L"D:\\dl\\win.iso.xltd"), kCut), 3);
  auto parked = ReadTaskList(machine.ReadHostFile(L"D:\\Tarnvik\\temp\\downlist.json"));
  ASSERT_EQ(parked.size(), 1u);
  EXPECT_EQ(parked[0].fileName, L"win.iso");
  EXPECT_FLOAT_EQ(parked[0].fraction, 0.25f);
  EXPECT_FALSE(machine.HostFileExists(L"D:\\dl\\win.iso"));

  server.Restart({});
  ASSERT_EQ(RunTarnvikctl(args).exitCode, 0);
  EXPECT_EQ(server.BytesSent(), kSize - kCut + xldl::kResumeOverlap);  // the overlap is read again
  EXPECT_TRUE(machine.ReadHostFile(L"D:\\dl\\win.iso") == bytes);
  EXPECT_EQ(machine.ReadHostFile(L"D:\\Tarnvik\\temp\\downlist.json"), "null\n");
}

TEST(FetchCommand, ErrorAnswerExitsWithFailure) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  FileServer server;
  EXPECT_EQ(RunTarnvikctl({"fetch", server.Url("missing.iso"), "D:\\dl", "--machine", machine.folder()}).exitCode, 1);
  EXPECT_EQ(RunTarnvikctl({"fetch", server.Url("x.iso"), "D:\\nowhere", "--machine", machine.folder()}).exitCode, 2);
  EXPECT_FALSE(machine.HostFileExists(L"D:\\dl\\missing.iso"));
}

// Two processes fetching one URL into one folder: the second is refused and names the
// target, the first ends with the served bytes.
TEST(FetchCommand, SecondFetchOfATargetIsRefusedAndTheFirstEndsIntact) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  services::ServiceOptions slow;
  slow.throttleBytesPerSecond = 1 << 20;
  FileServer server(slow);
  const std::string bytes = PatternBytes(2 << 20);
  server.WriteFile("win.iso", bytes);
  const std::vector<std::string> args{"fetch", server.Url("win.iso"), "D:\\dl", "--machine", machine.folder()};
  RunningProgram first({.args = TarnvikctlCommand(args)});
  ASSERT_TRUE(WaitForSize(machine.HostPath(L"D:\\dl\\win.iso.xltd"), 1));
  auto second = RunTarnvikctl(args);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_TRUE(Contains(second.err, "D:\\dl\\win.iso is being downloaded by another task")) << second.err;
  ASSERT_EQ(first.Wait().exitCode, 0);
  EXPECT_TRUE(machine.ReadHostFile(L"D:\\dl\\win.iso") == bytes);
  EXPECT_TRUE(ReadTaskList(machine.ReadHostFile(kList)).empty());
}

// A failure says why; one that no retry mends and that received nothing is not parked,
// so that it cannot push a real partial download out of the parked list.
TEST(FetchCommand, FailuresSayWhyAndOnlyMendableOnesAreParked) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  FileServer server;
  testing_support::ClosedPort closed;
  struct Case {
    std::string url;
    const char* reason;
    size_t parkedAfter;
  } cases[] = {
      {server.Url("missing.iso"), "the server answered HTTP 404", 0},
      {"ftp://127.0.0.1:1/a.iso", "ftp", 0},
      {server.Url("CON"), "the file name 'CON' is refused", 0},
      {closed.Url("/b.iso"), "onnect", 1},  // nothing listens: a later run may succeed
  };
  for (const Case& c : cases) {
    auto outcome = RunTarnvikctl({"fetch", c.url, "D:\\dl", "--machine", machine.folder()});
    EXPECT_EQ(outcome.exitCode, 1) << c.url;
    EXPECT_TRUE(Contains(outcome.out + outcome.err, c.reason)) << c.url << ": " << outcome.out << outcome.err;
    EXPECT_EQ(ReadTaskList(machine.ReadHostFile(kList)).size(), c.parkedAfter) << c.url;
  }
}

TEST(FetchCommand, ServerThatNeverAnswersEndsAsFailedAfterItsRestarts) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  // Connections open and wait in the listen queue; no answer ever comes.
  testing_support::SilentPort silent;
  auto outcome = RunTarnvikctl({"fetch", silent.Url("/files/win.iso"), "D:\\dl", "--machine", machine.folder(),
                                "--stall-seconds", "1", "--restarts", "2"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_TRUE(Contains(outcome.out, "restarting the task (2 of 2)")) << outcome.out;
  EXPECT_TRUE(Contains(outcome.out, "failed: no data for 1 seconds, 2 restarts in a row")) << outcome.out;
}

TEST(FetchCommand, SigtermAfterTheLastByteReportsComplete) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  FileServer server;
  const std::string bytes = PatternBytes(256 << 10);
  server.WriteFile("win.iso", bytes);
  RunningProgram fetch({.args = TarnvikctlCommand({"fetch", server.Url("win.iso"), "D:\\dl", "--machine", machine.folder()})});
  ASSERT_TRUE(WaitForSize(machine.HostPath(L"D:\\dl\\win.iso"), bytes.size()));
  fetch.Signal(SIGTERM);  // most often before its next poll has seen the task complete
  EXPECT_EQ(fetch.Wait().exitCode, 0);
  EXPECT_TRUE(machine.ReadHostFile(L"D:\\dl\\win.iso") == bytes);
  EXPECT_TRUE(ReadTaskList(machine.ReadHostFile(kList)).empty());
}

// The folder on the command line is where the file goes: a task parked for another folder
// is not passed off as this one.
TEST(FetchCommand, ParkedTaskOfAnotherFolderIsNotReportedAsThisOne) {
  constexpr int64_t kSize = 1 << 20, kCut = 256 << 10;
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\a"));
  std::filesystem::create_directories(machine.HostPath(L"D:\\b"));
  FileServer server(StallAt(kCut));
  const std::string bytes = PatternBytes(kSize);
  server.WriteFile("win.iso", bytes);
  ASSERT_EQ(FetchUntilPartialHolds({"fetch", server.Url("win.iso"), "D:\\a", "--machine", machine.folder()},
                                   machine.HostPath(L"D:\\a\\win.iso.xltd"), kCut),
            3);

  server.Restart({});
  auto elsewhere = RunTarnvikctl({"fetch", server.Url("win.iso"), "D:\\b", "--machine", machine.folder()});
  EXPECT_EQ(elsewhere.exitCode, 1);
  EXPECT_TRUE(Contains(elsewhere.err, "a parked download of this URL is in D:\\a\\win.iso")) << elsewhere.err;
  EXPECT_FALSE(machine.HostFileExists(L"D:\\b\\win.iso"));
  ASSERT_EQ(ReadTaskList(machine.ReadHostFile(kList)).size(), 1u);

  auto there = RunTarnvikctl({"fetch", server.Url("win.iso"), "D:\\a\\", "--machine", machine.folder()});
  EXPECT_EQ(there.exitCode, 0) << there.out << there.err;
  EXPECT_TRUE(Contains(there.out, "complete: D:\\a\\win.iso")) << there.out;
  EXPECT_TRUE(machine.ReadHostFile(L"D:\\a\\win.iso") == bytes);
}

TEST(FetchCommand, HelpAndBadArguments) {
  auto help = RunTarnvikctl({"fetch", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.out, "usage: tarnvikctl fetch URL FOLDER")) << help.out;
  DownloadMachine machine;
  const std::string url = "http://127.0.0.1:1/files/a.iso";
  struct Case {
    std::vector<std::string> args;
    const char* named;
  } cases[] = {
      {{"fetch", url, "D:\\", "--bogus"}, "unknown option '--bogus'"},
      {{"fetch", url, "D:\\", "--restarts", "0"}, "--restarts takes a whole number from 1 to 100, not '0'"},
      {{"fetch", url, "D:\\", "--stall-seconds", "x"}, "not 'x'"},
      {{"fetch", url, "D:\\", "--machine"}, "--machine needs a value"},
      {{"fetch", url, "D:\\", "extra"}, "unexpected argument 'extra'"},
      {{"fetch", url}, "missing FOLDER"},
      {{"fetch", url, "D:\\nowhere"}, "folder 'D:\\nowhere' does not exist"},
  };
  for (const Case& c : cases) {
    auto outcome = RunTarnvikctl(c.args);
    EXPECT_EQ(outcome.exitCode, 2) << c.named;
    EXPECT_TRUE(Contains(outcome.err, c.named)) << outcome.err;
  }
}

}  // namespace
