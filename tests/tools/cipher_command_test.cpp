// tarnvikctl cipher, run as a process the way support staff run it.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/text_helpers.h"
#include "stats/payload_cipher.h"
#include "support/openssl_cipher.h"

extern char** environ;

namespace {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(fd);
  return text;
}

// Runs tarnvikctl with `args` passed as they are, with no shell in between.
Outcome RunTarnvikctl(const std::vector<std::string>& args) {
  const std::string program = TARNVIK_BIN_DIR "/tarnvikctl";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);

  Outcome outcome;
  outcome.out = ReadAll(outPipe[0]);  // the outputs are small: no pipe fills up
  outcome.err = ReadAll(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

TEST(CipherCommandTest, EncryptsCodePage936FormAsOpenSslAndDecryptsBack) {
  const std::string texts[] = {
      "",
      "x",
      std::string(15, 'a'),
      "0123456789abcdef",
      std::string(17, 'q'),
      std::string(31, '+'),
      std::string(32, ' '),
      std::string(100, 'z'),
      "mac=AA-BB-CC-DD-EE-FF&sole=17654321001234",
      "重装系统",
      "统计：U盘制作完成 100%",
  };
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    const std::string expected = testing_support::OpenSslBase64(
        testing_support::OpenSslAes128Ecb(Utf8ToAnsi(text), kStatsKey, true));

    const Outcome encrypted = RunTarnvikctl({"cipher", "encrypt", text});
    EXPECT_EQ(encrypted.exitCode, 0);
    EXPECT_EQ(encrypted.out, expected + "\n");
    EXPECT_EQ(encrypted.err, "");

    const Outcome decrypted = RunTarnvikctl({"cipher", "decrypt", expected});
    EXPECT_EQ(decrypted.exitCode, 0);
    EXPECT_EQ(decrypted.out, text + "\n");
  }
}

TEST(CipherCommandTest, UsageErrorsExitWithTwo) {
  const std::vector<std::string> cases[] = {
      {"cipher"},
      {"cipher", "encrypt"},
      {"cipher", "decrypt"},
      {"cipher", "scramble", "text"},
      {"cipher", "encrypt", "one", "two"},
  };
  for (const auto& args : cases) {
    const Outcome outcome = RunTarnvikctl(args);
    EXPECT_EQ(outcome.exitCode, 2) << testing::PrintToString(args);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("usage: tarnvikctl cipher"), std::string::npos);
  }
}

}  // namespace
