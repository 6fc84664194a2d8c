#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <functional>
#include <system_error>
#include <thread>

#include "platform/codepage.h"
#include "platform/sim/cmd_interpreter.h"
#include "platform/sim/command_line_split.h"
#include "platform/sim/process_log.h"
#include "platform/sim/program_start.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_window_applications.h"
#include "platform/sim/unique_fd.h"
#include "platform/sim/windows_paths.h"

namespace sim {
namespace fs = std::filesystem;

// One started program: the thread that runs it (cmd.exe) or waits for it (a Linux
// program), and its end.
struct SimProcesses::Job {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  int status = 0;
  std::thread thread;

  void Finish(int exitStatus) {
    std::lock_guard guard(lock);
    status = exitStatus;
    done = true;
    ended.notify_all();
  }
  void Wait() {
    std::unique_lock guard(lock);
    ended.wait(guard, [this] { return done; });
  }
  bool Done() {
    std::lock_guard guard(lock);
    return done;
  }
};

namespace {

// A file in memory that takes a program's output.
UniqueFd OutputCapture(const char* name) { return UniqueFd(::memfd_create(name, MFD_CLOEXEC)); }

std::string ReadCapture(const UniqueFd& capture) {
  std::string bytes;
  char buffer[4096];
  for (off_t offset = 0;;) {
    ssize_t n = ::pread(capture.get(), buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(n));
    offset += n;
  }
}

// The folder of a full Windows path ("D:\\Tarnvik\\Tarnvik.exe" -> "D:\\Tarnvik").
std::wstring FolderOf(const std::wstring& path) { return TrimFolder(path.substr(0, path.rfind(L'\\') + 1)); }

}  // namespace

SimProcesses::~SimProcesses() {
  // The runs still going use the machine: they end before it goes.
  std::lock_guard guard(jobsLock_);
  for (auto& job : jobs_) job->thread.join();
}

// Without a working folder a program starts in the caller's current folder, which on this
// machine is the folder of the program file (program.path of machine.json).
std::optional<platform::ProcessHandle> SimProcesses::ShellExecuteEx(const platform::ShellExecuteRequest& request) {
  const std::wstring folder =
      TrimFolder(request.directory ? *request.directory : FolderOf(machine_.config().programPath));
  StartRecord start{request.file, folder, request.parameters, std::nullopt, request.verb, request.show, false, "",
                    std::nullopt, std::nullopt};
  auto refuse = [&](const std::string& reason) -> std::optional<platform::ProcessHandle> {
    start.reason = reason;
    LogStart(machine_, start);
    return std::nullopt;
  };
  const std::wstring verb = FoldCase(request.verb);
  if (!verb.empty() && verb != L"open" && verb != L"runas") {
    return refuse("the verb \"" + platform::WideToUtf8(request.verb) + "\" does not start programs");
  }
  auto hostFolder = folder.size() >= 3 && folder[1] == L':' ? machine_.MapPath(folder) : std::nullopt;
  std::error_code ec;
  if (!hostFolder || !fs::is_directory(*hostFolder, ec)) {
    return refuse("the working folder " + platform::WideToUtf8(folder) + " does not exist");
  }
  const ProgramTarget program = ResolveProgram(machine_, request.file, folder);
  start.program = program.windowsPath;
  if (program.kind == ProgramTarget::Kind::NotFound || program.kind == ProgramTarget::Kind::NotAProgram) {
    return refuse(program.reason);
  }

  auto out = std::make_shared<UniqueFd>(OutputCapture("stdout"));
  auto err = std::make_shared<UniqueFd>(OutputCapture("stderr"));
  auto job = std::make_shared<Job>();
  std::function<int()> run;
  if (program.kind == ProgramTarget::Kind::Interpreter) {
    start.started = true;
    const int id = LogStart(machine_, start);
    const CmdRun cmd{machine_, folder, out->get(), err->get(), id, request.show};
    run = [this, cmd, parameters = request.parameters, out, err, id] {
      const int status = RunCmd(cmd, parameters);
      LogExit(machine_, ExitRecord{id, status, ReadCapture(*out), ReadCapture(*err)});
      return status;
    };
  } else if (program.kind == ProgramTarget::Kind::WindowApplication) {
    start.started = true;
    start.arguments = SplitCommandLine(request.parameters);
    const int id = LogStart(machine_, start);
    run = [this, app = ApplicationRun{machine_, folder, request.parameters, out->get()}, name = program.application,
           out, err, id] {
      const int status = RunWindowApplication(name, app);
      LogExit(machine_, ExitRecord{id, status, ReadCapture(*out), ReadCapture(*err)});
      return status;
    };
  } else {
    start.arguments = SplitCommandLine(request.parameters);
    const Spawned child = SpawnProgram(machine_, program, *start.arguments, folder, *hostFolder,
                                       ChildStreams{out->get(), err->get()});
    if (child.pid < 0) return refuse(child.error);
    start.started = true;
    start.pid = child.pid;
    const int id = LogStart(machine_, start);
    run = [this, pid = child.pid, out, err, id] {
      const int status = WaitForProgram(pid);
      LogExit(machine_, ExitRecord{id, status, ReadCapture(*out), ReadCapture(*err)});
      return status;
    };
  }

  std::lock_guard guard(jobsLock_);
  for (auto it = jobs_.begin(); it != jobs_.end();) {  // forget the runs that have ended
    if ((*it)->Done()) {
      (*it)->thread.join();
      it = jobs_.erase(it);
    } else {
      ++it;
    }
  }
  Job* raw = job.get();
  job->thread = std::thread([raw, run = std::move(run)] { raw->Finish(run()); });
  jobs_.push_back(job);
  return platform::ProcessHandle{job};
}

void SimProcesses::WaitForExit(const platform::ProcessHandle& process) {
  if (auto* job = static_cast<Job*>(process.native.get())) job->Wait();
}

}  // namespace sim
