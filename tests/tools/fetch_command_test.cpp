// tarnvikctl fetch as a process: interrupted, it parks its task in downlist.json and the
// next run resumes it; it refuses a target another fetch writes, and every failure says why.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "download/task_list_file.h"
#include "support/download_machine.h"
#include "support/file_server.h"
#include "support/tarnvikctl_process.h"
#include "xldl/transfer_task.h"

extern char** environ;

namespace {

using testing_support::DownloadMachine;
using testing_support::FileServer;
using testing_support::PatternBytes;
using testing_support::RunTarnvikctl;

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

// Starts tarnvikctl with its output discarded.
pid_t StartTarnvikctl(const std::vector<std::string>& args) {
  const std::string program = TARNVIK_BIN_DIR "/tarnvikctl";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
  pid_t fetch = StartTarnvikctl(args);
  if (fetch <= 0) return -1;
  WaitForSize(partial, bytes);
  kill(fetch, SIGTERM);
  return ExitCodeOf(fetch);
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
  ASSERT_EQ(ExitCodeOf(StartTarnvikctl(args)), 0);
  EXPECT_EQ(server.BytesSent(), kSize - kCut + xldl::kResumeOverlap);  // the overlap is read again
  EXPECT_TRUE(machine.ReadHostFile(L"D:\\dl\\win.iso") == bytes);
  EXPECT_EQ(machine.ReadHostFile(L"D:\\Tarnvik\\temp\\downlist.json"), "null\n");
}

TEST(FetchCommand, ErrorAnswerExitsWithFailure) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  FileServer server;
  EXPECT_EQ(ExitCodeOf(StartTarnvikctl({"fetch", server.Url("missing.iso"), "D:\\dl", "--machine", machine.folder()})), 1);
  EXPECT_EQ(ExitCodeOf(StartTarnvikctl({"fetch", server.Url("x.iso"), "D:\\nowhere", "--machine", machine.folder()})), 2);
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
  pid_t first = StartTarnvikctl(args);
  ASSERT_GT(first, 0);
  ASSERT_TRUE(WaitForSize(machine.HostPath(L"D:\\dl\\win.iso.xltd"), 1));
  auto second = RunTarnvikctl(args);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_TRUE(Contains(second.err, "D:\\dl\\win.iso is being downloaded by another task")) << second.err;
  ASSERT_EQ(ExitCodeOf(first), 0);
  EXPECT_TRUE(machine.ReadHostFile(L"D:\\dl\\win.iso") == bytes);
  EXPECT_TRUE(ReadTaskList(machine.ReadHostFile(kList)).empty());
}

// A failure says why; one that no retry mends and that received nothing is not parked,
// so that it cannot push a real partial download out of the parked list.
TEST(FetchCommand, FailuresSayWhyAndOnlyMendableOnesAreParked) {
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  FileServer server;
  struct Case {
    std::string url;
    const char* reason;
    size_t parkedAfter;
  } cases[] = {
      {server.Url("missing.iso"), "the server answered HTTP 404", 0},
      {"ftp://127.0.0.1:1/a.iso", "ftp", 0},
      {server.Url("CON"), "the file name 'CON' is refused", 0},
      {"http://127.0.0.1:1/b.iso", "onnect", 1},  // nothing listens: a later run may succeed
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
  // A listening socket that nobody accepts on: connections open, no answer ever comes.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/files/win.iso";
  auto outcome = RunTarnvikctl(
      {"fetch", url, "D:\\dl", "--machine", machine.folder(), "--stall-seconds", "1", "--restarts", "2"});
  close(listener);
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
  pid_t fetch = StartTarnvikctl({"fetch", server.Url("win.iso"), "D:\\dl", "--machine", machine.folder()});
  ASSERT_GT(fetch, 0);
  ASSERT_TRUE(WaitForSize(machine.HostPath(L"D:\\dl\\win.iso"), bytes.size()));
  kill(fetch, SIGTERM);  // most often before its next poll has seen the task complete
  EXPECT_EQ(ExitCodeOf(fetch), 0);
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
