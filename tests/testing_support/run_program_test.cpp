// The program runner of the tests: both pipes, the input, the environment and the working
// folder reach the program, large outputs do not stall it, and a program that does not end
// or does not start fails the test with its name.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testing_support::Outcome;
using testing_support::ProgramRun;
using testing_support::RunningProgram;
using testing_support::RunProgram;

TEST(RunProgram, HandsTheProgramItsSettingsAndReturnsWhatItDid) {
  setenv("RUN_PROGRAM_TEST_INHERITED", "inherited", 1);
  setenv("RUN_PROGRAM_TEST_REMOVED", "still here", 1);
  testing_support::TempDir folder;
  const std::string here = std::filesystem::canonical(folder.path()).string();
  struct Case {
    const char* name;
    ProgramRun run;
    Outcome expected;
  } cases[] = {
      {"both pipes and the exit code", {.args = {"sh", "-c", "echo out; echo err >&2; exit 3"}}, {3, "out\n", "err\n"}},
      {"input", {.args = {"cat"}, .input = "line one\nline two"}, {0, "line one\nline two", ""}},
      {"no input is the end of the file", {.args = {"cat"}}, {0, "", ""}},
      {"environment",
       {.args = {"sh", "-c", "echo $RUN_PROGRAM_TEST_INHERITED $RUN_PROGRAM_TEST_SET ${RUN_PROGRAM_TEST_REMOVED-removed}"},
        .environment = {"RUN_PROGRAM_TEST_SET=set", "RUN_PROGRAM_TEST_REMOVED"}},
       {0, "inherited set removed\n", ""}},
      {"working folder", {.args = {"pwd", "-P"}, .folder = folder.path()}, {0, here + "\n", ""}},
      // Waiting for the ends of the pipes would run into the limit.
      {"a program it started still holds the pipes",
       {.args = {"sh", "-c", "sleep 5 & echo started"}, .limit = std::chrono::seconds(2)},
       {0, "started\n", ""}},
  };
  for (const Case& c : cases) {
    const Outcome outcome = RunProgram(c.run);
    EXPECT_EQ(outcome.exitCode, c.expected.exitCode) << c.name;
    EXPECT_EQ(outcome.out, c.expected.out) << c.name;
    EXPECT_EQ(outcome.err, c.expected.err) << c.name;
  }
  unsetenv("RUN_PROGRAM_TEST_INHERITED");
  unsetenv("RUN_PROGRAM_TEST_REMOVED");
}

// Read one after the other, a pipe that fills while the other is read stalls the program
// for good; so does an input written whole before the output is read.
TEST(RunProgram, LargeOutputsAndInputDoNotStall) {
  const Outcome errorsFirst = RunProgram(
      {.args = {"sh", "-c", "head -c 1000000 /dev/zero | tr '\\0' e >&2; head -c 1000000 /dev/zero | tr '\\0' o"}});
  EXPECT_EQ(errorsFirst.exitCode, 0);
  EXPECT_EQ(errorsFirst.err, std::string(1000000, 'e'));
  EXPECT_EQ(errorsFirst.out, std::string(1000000, 'o'));

  const std::string input(1000000, 'i');
  const Outcome echoed = RunProgram({.args = {"cat"}, .input = input});
  EXPECT_EQ(echoed.exitCode, 0);
  EXPECT_TRUE(echoed.out == input) << echoed.out.size() << " bytes came back";
}

TEST(RunProgram, AProgramPastItsLimitIsKilledAndFailsTheTest) {
  Outcome outcome;
  EXPECT_NONFATAL_FAILURE(outcome = RunProgram({.args = {"sh", "-c", "echo waiting; exec sleep 30"},
                                                .limit = std::chrono::seconds(1)}),
                          "sh -c echo waiting; exec sleep 30 did not end within 1 s and was killed; its output: waiting");
  EXPECT_EQ(outcome.exitCode, -1);
}

TEST(RunProgram, AProgramThatCannotStartFailsTheTestWithTheReason) {
  Outcome outcome;
  EXPECT_NONFATAL_FAILURE(outcome = RunProgram({.args = {"/nonexistent/program"}}),
                          "cannot start /nonexistent/program: No such file or directory");
  EXPECT_EQ(outcome.exitCode, -1);
  EXPECT_EQ(outcome.err, "cannot start /nonexistent/program: No such file or directory");
  EXPECT_NONFATAL_FAILURE(RunProgram({.args = {"pwd"}, .folder = "/nonexistent/folder"}),
                          "cannot start pwd in /nonexistent/folder: No such file or directory");
}

TEST(RunningProgram, EndsBySignal) {
  RunningProgram sleeper({.args = {"sleep", "30"}});
  sleeper.Signal(SIGTERM);
  EXPECT_EQ(sleeper.Wait().exitCode, -1);
  sleeper.Signal(SIGTERM);  // ended and reaped: nothing is sent
}

}  // namespace
