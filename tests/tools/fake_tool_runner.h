#pragma once
// The fake external tools of tools/fakes, run as processes the way the simulated machine
// starts a tool: with TARNVIK_MACHINE naming the machine and TARNVIK_DIRECTORY the Windows
// working folder.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace fake_tools {

struct ToolRun {
  int exitCode = -1;  // -1: did not start or did not end normally
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs build/bin/<fake> with `args` as they are (no shell). Its output goes to files that
// are read once it has ended, so that no pipe can fill up.
inline ToolRun RunFake(const std::string& fake, const std::filesystem::path& machine, const std::string& workingFolder,
                       const std::vector<std::string>& args) {
  const std::string program = std::string(TARNVIK_BIN_DIR) + "/" + fake;
  std::vector<std::string> texts{program};
  texts.insert(texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);

  std::vector<std::string> environment{"TARNVIK_MACHINE=" + machine.string(), "TARNVIK_DIRECTORY=" + workingFolder};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "TARNVIK_MACHINE=", 16) != 0 && std::strncmp(*e, "TARNVIK_DIRECTORY=", 18) != 0) {
      environment.emplace_back(*e);
    }
  }
  std::vector<char*> envp;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  testing_support::TempDir outputs;
  const std::string out = (outputs.path() / "out").string();
  const std::string err = (outputs.path() / "err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ToolRun run;
  if (spawned != 0) {
    run.err = "cannot start " + program + ": " + std::strerror(spawned);
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  return run;
}

}  // namespace fake_tools
