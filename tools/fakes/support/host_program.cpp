#include "fakes/support/host_program.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <system_error>

#include "fakes/support/fake_tool.h"

extern char** environ;

namespace fakes {
namespace fs = std::filesystem;

fs::path FindHostProgram(const std::string& name, const std::string& package) {
  const char* path = std::getenv("PATH");
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  std::istringstream folders(path != nullptr ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    fs::path candidate = fs::path(folder) / name;
    if (::access(candidate.c_str(), X_OK) != 0 || fs::is_directory(candidate, ec)) continue;
    if (!self.empty() && fs::equivalent(candidate, self, ec)) continue;
    return candidate;
  }
  throw ToolError(name + " is not found on PATH: install Debian's package " + package);
}

int RunHostProgram(const std::vector<std::string>& args, std::string* output) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output != nullptr) {
    if (::pipe(pipeFds) != 0) throw ToolError(std::string("cannot make a pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  }
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output != nullptr) ::close(pipeFds[1]);
  if (spawned != 0) {
    if (output != nullptr) ::close(pipeFds[0]);
    throw ToolError("cannot start " + args[0] + ": " + std::strerror(spawned));
  }
  if (output != nullptr) {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
      if (n > 0) output->append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status)) throw ToolError(args[0] + " did not end normally");
  return WEXITSTATUS(status);
}

}  // namespace fakes
