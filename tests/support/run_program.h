#pragma once
// Runs a program as a process of its own, with no shell in between, and reads its standard
// output and error side by side, so that a program filling one pipe never waits on a test
// that reads the other. A program that outlives its time limit is killed and the test
// fails, naming it. This depends on nothing but GoogleTest, so that Molvane's tests, which
// share nothing else with the program's, use it too.

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace testing_support {

// Every member has an initialiser, so that a designated initialiser may leave any out.
struct ProgramRun {
  // The program, then its arguments. A program named without a slash is found on PATH.
  std::vector<std::string> args{};
  // Changes to this process's environment: "NAME=value" sets a variable, "NAME" alone
  // removes it.
  std::vector<std::string> environment{};
  // The working folder; this process's when empty.
  std::filesystem::path folder{};
  // Standard input; the program reads the end of the file after it.
  std::string input{};
  std::chrono::seconds limit{60};
};

struct Outcome {
  // The exit code; -1 when the program did not start or ended by a signal.
  int exitCode = -1;
  std::string out;
  std::string err;
};

// A program started in the background; its pipes are read from the start.
class RunningProgram {
 public:
  explicit RunningProgram(ProgramRun run);
  // Kills the program if it still runs (a test that stopped early).
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Sends `signal` to the program unless it has ended.
  void Signal(int signal);
  // Waits for the program to end, at most until its time limit from the start.
  Outcome Wait();

 private:
  void Pump(int in, int out, int err);
  bool Ended();

  ProgramRun run_;
  std::chrono::steady_clock::time_point deadline_;
  std::string startFailure_;
  Outcome outcome_;
  bool killedAtLimit_ = false;
  std::mutex lock_;  // guards the reaping of pid_ against Signal
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = 0;
  std::thread pump_;
};

// Runs the program to its end.
Outcome RunProgram(ProgramRun run);

}  // namespace testing_support
