// tarnvikctl fetch as a process: interrupted, it parks its task in downlist.json; run
// again, it resumes from the partial data.

#include <fcntl.h>
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
#include "xldl/transfer_task.h"

extern char** environ;

namespace {

using testing_support::DownloadMachine;
using testing_support::FileServer;
using testing_support::PatternBytes;

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

TEST(FetchCommand, InterruptedFetchIsParkedAndTheNextRunResumesIt) {
  constexpr int64_t kSize = 2 << 20, kCut = 512 << 10;
  DownloadMachine machine;
  std::filesystem::create_directories(machine.HostPath(L"D:\\dl"));
  services::ServiceOptions stall;
  stall.stallAtOffset = kCut;
  stall.stallSeconds = 3;
  FileServer server(stall);
  const std::string bytes = PatternBytes(kSize);
  server.WriteFile("win.iso", bytes);
  const std::vector<std::string> args{"fetch", server.Url("win.iso"), "D:\\dl", "--machine", machine.folder()};

  pid_t first = StartTarnvikctl(args);
  ASSERT_GT(first, 0);
  const auto partial = machine.HostPath(L"D:\\dl\\win.iso.xltd");
  std::error_code ec;
  for (int i = 0; i < 200 && std::filesystem::file_size(partial, ec) != static_cast<uintmax_t>(kCut); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(first, SIGTERM);
  ASSERT_EQ(ExitCodeOf(first), 3);
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

}  // namespace
