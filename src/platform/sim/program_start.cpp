#include "platform/sim/program_start.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/codepage.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_window_applications.h"
#include "platform/sim/windows_paths.h"

extern char** environ;

namespace sim {
namespace fs = std::filesystem;
namespace {

const wchar_t* const kPathExtensions[] = {L".COM", L".EXE", L".BAT", L".CMD"};

// The names a program may have in one folder.
std::vector<std::wstring> NamesIn(const std::wstring& folder, const std::wstring& name) {
  const std::wstring path = JoinPath(folder, name);
  if (HasExtension(name)) return {path};
  std::vector<std::wstring> names;
  for (const wchar_t* extension : kPathExtensions) names.push_back(path + extension);
  return names;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Sorts out what the file at `host` is and how it runs.
void Classify(ProgramTarget& target) {
  char head[512] = {};
  std::ifstream in(target.hostPath, std::ios::binary);
  in.read(head, sizeof head - 1);
  const std::string start(head, static_cast<size_t>(in.gcount()));
  std::error_code ec;
  if (std::optional<std::string> application = WindowApplicationOf(start)) {
    target.kind = ProgramTarget::Kind::WindowApplication;
    target.application = *application;
    return;
  }
  if (start.compare(0, 4, "\x7f" "ELF") == 0) {
    // The host executable bit does not matter on the machine: an ELF file runs anyway.
    fs::permissions(target.hostPath, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    target.kind = ProgramTarget::Kind::Linux;
    return;
  }
  if (start.compare(0, 2, "#!") == 0) {
    std::string line = start.substr(2, start.find('\n') == std::string::npos ? std::string::npos : start.find('\n') - 2);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Trim(line);
    const size_t blank = line.find_first_of(" \t");
    std::string interpreter = line.substr(0, blank);
    target.runWith = {interpreter};
    if (blank != std::string::npos && !Trim(line.substr(blank)).empty()) target.runWith.push_back(Trim(line.substr(blank)));
    if (!interpreter.empty() && ::access(interpreter.c_str(), X_OK) == 0) {
      target.kind = ProgramTarget::Kind::Linux;
      return;
    }
    target.kind = ProgramTarget::Kind::NotAProgram;
    target.reason = "the interpreter \"" + interpreter + "\" of its #! line cannot be run";
    return;
  }
  target.kind = ProgramTarget::Kind::NotAProgram;
  target.reason = "not a program of this machine (neither an ELF file nor a #! script)";
}

}  // namespace

ProgramTarget ResolveProgram(const SimPlatform& machine, const std::wstring& name, const std::wstring& workingFolder) {
  ProgramTarget target;
  target.windowsPath = name;
  const std::wstring systemDirectory = machine.config().systemDirectory;
  std::vector<std::wstring> candidates;
  if (HasFolder(name)) {
    candidates = NamesIn(L"", FullPath(workingFolder, name));
  } else {
    candidates = NamesIn(workingFolder, name);
    for (const std::wstring& inSystem : NamesIn(systemDirectory, name)) candidates.push_back(inSystem);
  }
  const std::wstring interpreter = JoinPath(systemDirectory, L"cmd.exe");
  for (const std::wstring& candidate : candidates) {
    if (FoldCase(candidate) == FoldCase(interpreter)) {
      target.kind = ProgramTarget::Kind::Interpreter;
      target.windowsPath = interpreter;
      return target;
    }
    auto host = machine.MapPath(candidate);
    std::error_code ec;
    if (!host || !fs::is_regular_file(*host, ec)) continue;
    // The name as the file has it on its drive.
    target.windowsPath = candidate.substr(0, candidate.size() - FileNameOf(candidate).size()) +
                         platform::Utf8ToWide(host->filename().string());
    target.hostPath = *host;
    Classify(target);
    return target;
  }
  target.reason = "no such program: tried " + platform::WideToUtf8(candidates.front());
  for (size_t i = 1; i < candidates.size(); ++i) target.reason += ", " + platform::WideToUtf8(candidates[i]);
  return target;
}

Spawned SpawnProgram(const SimPlatform& machine, const ProgramTarget& program,
                     const std::vector<std::wstring>& arguments, const std::wstring& windowsFolder,
                     const fs::path& hostFolder, ChildStreams streams) {
  std::vector<std::string> argv = program.runWith;
  argv.push_back(program.hostPath.string());
  for (const std::wstring& argument : arguments) argv.push_back(platform::WideToUtf8(argument));

  std::vector<std::string> environment;
  const std::string machineVariable = "TARNVIK_MACHINE=", folderVariable = "TARNVIK_DIRECTORY=";
  for (char** variable = environ; *variable != nullptr; ++variable) {
    std::string entry(*variable);
    if (entry.compare(0, machineVariable.size(), machineVariable) != 0 &&
        entry.compare(0, folderVariable.size(), folderVariable) != 0) {
      environment.push_back(entry);
    }
  }
  environment.push_back(machineVariable + machine.folder().string());
  environment.push_back(folderVariable + platform::WideToUtf8(windowsFolder));

  auto pointers = [](std::vector<std::string>& texts) {
    std::vector<char*> list;
    for (std::string& text : texts) list.push_back(text.data());
    list.push_back(nullptr);
    return list;
  };
  std::vector<char*> argvPointers = pointers(argv), environmentPointers = pointers(environment);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, hostFolder.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  for (auto [from, to] : {std::pair{streams.out, 1}, std::pair{streams.err, 2}}) {
    if (from >= 0) {
      posix_spawn_file_actions_adddup2(&actions, from, to);
    } else {
      posix_spawn_file_actions_addopen(&actions, to, "/dev/null", O_WRONLY, 0);
    }
  }
  Spawned spawned;
  int error = posix_spawn(&spawned.pid, argv.front().c_str(), &actions, nullptr, argvPointers.data(),
                          environmentPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    spawned.pid = -1;
    spawned.error = "cannot run " + argv.front() + ": " + std::strerror(error);
  }
  return spawned;
}

int WaitForProgram(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace sim
