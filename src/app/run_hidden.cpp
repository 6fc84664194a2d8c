#include "app/run_hidden.h"

#include "app/log.h"
#include "platform/platform.h"

namespace {

// "runas" asks for elevation, which Windows 2000 and XP (version 5) do not know.
std::wstring Verb() {
  std::optional<platform::OsVersion> version = platform::Current().system().GetVersion();
  if (!version) {
    LogLine(L"检查系统版本失败");
    return L"";
  }
  return version->major > 5 ? L"runas" : L"";
}

}  // namespace

bool RunHidden(const std::wstring& program, const std::wstring& parameters,
               const std::optional<std::wstring>& directory, bool wait) {
  platform::ShellExecuteRequest request;
  request.verb = Verb();
  request.file = program;
  request.parameters = parameters;
  request.directory = directory;
  request.show = platform::kSwHide;
  platform::Processes& processes = platform::Current().processes();
  std::optional<platform::ProcessHandle> process = processes.ShellExecuteEx(request);
  if (!process) {
    LogLine(L"cannot start " + program + L" " + parameters);
    return false;
  }
  if (wait) processes.WaitForExit(*process);
  return true;
}
