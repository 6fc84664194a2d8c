#include "platform/sim/cmd_interpreter.h"

#include <fcntl.h>

#include <system_error>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/sim/attribute_store.h"
#include "platform/sim/cmd_builtins.h"
#include "platform/sim/cmd_parser.h"
#include "platform/sim/command_line_split.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/process_log.h"
#include "platform/sim/program_start.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_window_applications.h"
#include "platform/sim/unique_fd.h"
#include "platform/sim/windows_paths.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

constexpr int kNotACommand = 9009;

// The command line after "/c", with cmd's rule for its quotes: a line that starts with a
// quote keeps its quotes only when it has exactly two, with blanks and no special
// character between them, around the name of a program; otherwise the first quote and
// the last one are dropped.
std::optional<std::wstring> CommandText(const CmdRun& run, const std::wstring& parameters) {
  size_t i = 0;
  while (i < parameters.size() && IsBlank(parameters[i])) ++i;
  if (parameters.compare(i, 2, L"/c") != 0 && parameters.compare(i, 2, L"/C") != 0) return std::nullopt;
  std::wstring line = parameters.substr(i + 2);
  const size_t first = line.find_first_not_of(L" \t");
  if (first == std::wstring::npos || line[first] != L'"') return line;
  const size_t last = line.rfind(L'"');
  const std::wstring between = line.substr(first + 1, last - first - 1);
  const bool keep = last != first && between.find(L'"') == std::wstring::npos &&
                    between.find_first_of(L"&<>()@^|") == std::wstring::npos &&
                    between.find_first_of(L" \t") != std::wstring::npos &&
                    ResolveProgram(run.machine, between, run.folder).kind != ProgramTarget::Kind::NotFound;
  if (keep) return line;
  return line.substr(0, first) + line.substr(first + 1, last - first - 1) +
         (last != first ? line.substr(last + 1) : L"");
}

// The streams of one command after its redirections; the opened files close with it.
struct CommandStreams {
  int out = -1, err = -1;
  UniqueFd files[2];
};

// Opens a redirection's target as cmd does: ">" replaces the file (refused over a
// read-only, hidden or system file), ">>" appends (refused on a read-only file).
std::optional<UniqueFd> OpenTarget(const CmdRun& run, const Redirection& redirection, std::wstring& problem) {
  if (FoldCase(redirection.target) == L"nul") return UniqueFd(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  const std::wstring path = FullPath(run.folder, redirection.target);
  auto host = run.machine.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec)) {
    problem = L"The system cannot find the path specified.";
    return std::nullopt;
  }
  const AttributeStore store(run.machine);
  const uint32_t refused = redirection.append ? platform::kFileAttributeReadOnly
                                              : platform::kFileAttributeReadOnly | platform::kFileAttributeHidden |
                                                    platform::kFileAttributeSystem;
  if (fs::is_directory(*host, ec) || (fs::exists(*host, ec) && (store.Get(*host) & refused)) ||
      !store.PrepareWrite(*host)) {
    problem = L"Access is denied.";
    return std::nullopt;
  }
  int fd = ::open(host->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (redirection.append ? O_APPEND : O_TRUNC), 0644);
  if (fd < 0) {
    problem = L"Access is denied.";
    return std::nullopt;
  }
  return UniqueFd(fd);
}

class Interpreter {
 public:
  explicit Interpreter(const CmdRun& run) : run_(run) {}

  int Run(const std::wstring& parameters) {
    auto text = CommandText(run_, parameters);
    if (!text) {
      Complain(run_.err, L"this machine's cmd.exe runs only \"/c <command line>\", not \"" + parameters + L"\"\r\n");
      return 1;
    }
    const ParsedLine line = ParseCommandLine(*text);
    if (!line.error.empty()) {
      Complain(run_.err, line.error + L"\r\n");
      return 255;
    }
    int status = 0;
    for (const ParsedCommand& command : line.commands) {
      if ((command.joint == Joint::IfSucceeded && status != 0) || (command.joint == Joint::IfFailed && status == 0)) {
        continue;
      }
      status = RunCommand(command);
    }
    return status;
  }

 private:
  void Complain(int fd, const std::wstring& text) const { CmdContext{run_.machine, run_.folder, -1, fd}.Complain(text); }

  int RunCommand(const ParsedCommand& command) {
    CommandStreams streams{run_.out, run_.err, {}};
    for (const Redirection& redirection : command.redirections) {
      std::wstring problem;
      auto file = OpenTarget(run_, redirection, problem);
      if (!file) {
        Complain(streams.err, problem + L"\r\n");
        return 1;
      }
      (redirection.stream == 1 ? streams.out : streams.err) = file->get();
      streams.files[redirection.stream - 1] = std::move(*file);
    }
    std::wstring text = command.text;
    size_t start = 0;
    while (start < text.size() && (IsBlank(text[start]) || text[start] == L'@')) ++start;
    if (start == text.size()) return 0;  // only a redirection: its file is made

    // The name ends at a blank, a tab or a "/"; a quoted name at its closing quote.
    std::wstring name, rest;
    if (text[start] == L'"') {
      size_t close = text.find(L'"', start + 1);
      if (close == std::wstring::npos) close = text.size();
      name = text.substr(start + 1, close - start - 1);
      rest = close < text.size() ? text.substr(close + 1) : L"";
    } else {
      size_t end = text.find_first_of(L" \t/", start);
      if (end == std::wstring::npos) end = text.size();
      name = text.substr(start, end - start);
      rest = text.substr(end);
      if (IsBuiltin(name)) return RunBuiltin(CmdContext{run_.machine, run_.folder, streams.out, streams.err}, name, rest);
    }
    return RunProgram(name, rest, streams);
  }

  int RunProgram(const std::wstring& name, const std::wstring& commandLine, const CommandStreams& streams) {
    const ProgramTarget program = ResolveProgram(run_.machine, name, run_.folder);
    StartRecord start{program.windowsPath, run_.folder, commandLine, std::nullopt, L"", run_.show, false, "", run_.id,
                      std::nullopt};
    switch (program.kind) {
      case ProgramTarget::Kind::NotFound:
        start.reason = program.reason;
        LogStart(run_.machine, start);
        Complain(streams.err, L"'" + name + L"' is not recognized as an internal or external command,\r\n"
                              L"operable program or batch file.\r\n");
        return kNotACommand;
      case ProgramTarget::Kind::NotAProgram:
        start.reason = program.reason;
        LogStart(run_.machine, start);
        Complain(streams.err, program.windowsPath + L": " + platform::Utf8ToWide(program.reason) + L"\r\n");
        return kNotACommand;
      case ProgramTarget::Kind::Interpreter: {
        start.started = true;
        const int id = LogStart(run_.machine, start);
        const int status = RunCmd(CmdRun{run_.machine, run_.folder, streams.out, streams.err, id, run_.show}, commandLine);
        LogExit(run_.machine, ExitRecord{id, status, std::nullopt, std::nullopt});
        return status;
      }
      case ProgramTarget::Kind::WindowApplication: {
        start.started = true;
        start.arguments = SplitCommandLine(commandLine);
        const int id = LogStart(run_.machine, start);
        const int status = RunWindowApplication(
            program.application, ApplicationRun{run_.machine, run_.folder, commandLine, streams.out});
        LogExit(run_.machine, ExitRecord{id, status, std::nullopt, std::nullopt});
        return status;
      }
      case ProgramTarget::Kind::Linux:
        break;
    }
    start.arguments = SplitCommandLine(commandLine);
    auto hostFolder = run_.machine.MapPath(run_.folder);
    const Spawned child = hostFolder ? SpawnProgram(run_.machine, program, *start.arguments, run_.folder, *hostFolder,
                                                    ChildStreams{streams.out, streams.err})
                                     : Spawned{-1, "the working folder is on no drive of the machine any more"};
    start.started = child.pid > 0;
    start.reason = child.error;
    if (start.started) start.pid = child.pid;
    const int id = LogStart(run_.machine, start);
    if (!start.started) {
      Complain(streams.err, program.windowsPath + L": " + platform::Utf8ToWide(child.error) + L"\r\n");
      return kNotACommand;
    }
    const int status = WaitForProgram(child.pid);
    LogExit(run_.machine, ExitRecord{id, status, std::nullopt, std::nullopt});
    return status;
  }

  const CmdRun& run_;
};

}  // namespace

int RunCmd(const CmdRun& run, const std::wstring& parameters) { return Interpreter(run).Run(parameters); }

}  // namespace sim
