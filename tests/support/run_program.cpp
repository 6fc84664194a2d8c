#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <utility>

extern char** environ;

namespace testing_support {
namespace {

std::string NameOf(const std::string& variable) { return variable.substr(0, variable.find('=')); }

// This process's environment with `changes` applied.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (std::none_of(changes.begin(), changes.end(),
                     [&](const std::string& change) { return NameOf(change) == NameOf(variable); })) {
      variables.push_back(variable);
    }
  }
  for (const std::string& change : changes) {
    if (change.find('=') != std::string::npos) variables.push_back(change);
  }
  return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::string CommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
  return line;
}

// The end of a long output, for a failure message.
std::string Tail(const std::string& text) {
  constexpr size_t kShown = 2000;
  return text.size() <= kShown ? text : "..." + text.substr(text.size() - kShown);
}

// Appends what the pipe holds now; closes it and sets it to -1 at its end.
void ReadAvailable(int& fd, std::string& into) {
  char buffer[65536];
  ssize_t n = 0;
  while (fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0) into.append(buffer, static_cast<size_t>(n));
  if (fd >= 0 && (n == 0 || (errno != EAGAIN && errno != EINTR))) {
    close(fd);
    fd = -1;
  }
}

void CloseAll(std::initializer_list<int> fds) {
  for (int fd : fds) {
    if (fd >= 0) close(fd);
  }
}

}  // namespace

RunningProgram::RunningProgram(ProgramRun run)
    : run_(std::move(run)), deadline_(std::chrono::steady_clock::now() + run_.limit) {
  // Each pair is closed on exec, so that no other program started meanwhile holds an end
  // open; the copies made for this program's 0, 1 and 2 stay open.
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  if (run_.args.empty()) {
    startFailure_ = "no program to run";
  } else if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    startFailure_ = "cannot make the pipes for " + run_.args[0] + ": " + std::strerror(errno);
  } else {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!run_.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, run_.folder.c_str());
    // The program starts with no signal blocked and SIGPIPE at its default, whatever the
    // test process set for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> args = run_.args;
    std::vector<std::string> environment = Environment(run_.environment);
    const int spawned = posix_spawnp(&pid_, args[0].c_str(), &actions, &attributes, Pointers(args).data(),
                                     Pointers(environment).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      pid_ = -1;
      const std::string where = run_.folder.empty() ? "" : " in " + run_.folder.string();
      startFailure_ = "cannot start " + run_.args[0] + where + ": " + std::strerror(spawned);
    }
  }
  CloseAll({in[0], out[1], err[1]});
  if (!startFailure_.empty()) {
    CloseAll({in[1], out[0], err[0]});
    outcome_.err = startFailure_;
    return;
  }
  for (int fd : {in[1], out[0], err[0]}) fcntl(fd, F_SETFL, O_NONBLOCK);
  pump_ = std::thread(&RunningProgram::Pump, this, in[1], out[0], err[0]);
}

RunningProgram::~RunningProgram() {
  if (pump_.joinable()) {
    Signal(SIGKILL);
    pump_.join();
  }
}

void RunningProgram::Signal(int signal) {
  std::lock_guard guard(lock_);
  if (pid_ > 0 && !ended_) kill(pid_, signal);
}

bool RunningProgram::Ended() {
  std::lock_guard guard(lock_);
  if (ended_) return true;
  int status = 0;
  const pid_t reaped = waitpid(pid_, &status, WNOHANG);
  if (reaped == pid_) {
    outcome_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ended_ = true;
  } else if (reaped < 0 && errno != EINTR) {
    ended_ = true;  // reaped elsewhere: nothing is left to wait for
  }
  return ended_;
}

// Reads both pipes and feeds the input until the program ends. The program's own output
// is whole then; an end still held open by a program it started is not waited for.
void RunningProgram::Pump(int in, int out, int err) {
  // A program that stops reading its input makes the write fail with EPIPE; the signal
  // that comes with it stays pending on this thread instead of ending the test.
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
  size_t written = 0;
  if (run_.input.empty()) CloseAll({std::exchange(in, -1)});
  while (true) {
    pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {in, POLLOUT, 0}};  // poll skips a -1
    poll(fds, 3, 20);
    if (fds[0].revents != 0) ReadAvailable(out, outcome_.out);
    if (fds[1].revents != 0) ReadAvailable(err, outcome_.err);
    if (fds[2].revents != 0) {
      const ssize_t n = write(in, run_.input.data() + written, run_.input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (written == run_.input.size() || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        CloseAll({std::exchange(in, -1)});
      }
    }
    if (Ended()) break;
    if (!killedAtLimit_ && std::chrono::steady_clock::now() >= deadline_) {
      killedAtLimit_ = true;
      Signal(SIGKILL);
    }
  }
  ReadAvailable(out, outcome_.out);
  ReadAvailable(err, outcome_.err);
  CloseAll({in, out, err});
}

Outcome RunningProgram::Wait() {
  if (pump_.joinable()) pump_.join();
  if (!startFailure_.empty()) ADD_FAILURE() << startFailure_;
  if (killedAtLimit_) {
    ADD_FAILURE() << CommandLine(run_.args) << " did not end within " << run_.limit.count()
                  << " s and was killed; its output: " << Tail(outcome_.out) << "\nits errors: " << Tail(outcome_.err);
  }
  return outcome_;
}

Outcome RunProgram(ProgramRun run) { return RunningProgram(std::move(run)).Wait(); }

}  // namespace testing_support
