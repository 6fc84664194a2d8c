#include "watched_platform.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/codepage.h"

namespace tarnvikctl {

namespace {

std::mutex& PrintLock() {
  static std::mutex lock;
  return lock;
}

// One printed line per complete line of the UTF-8 text; the rest waits in `pending`,
// unless `flush` prints it as a line of its own.
void PrintLines(const char* prefix, const std::string& text, std::string& pending, bool flush = false) {
  std::lock_guard lock(PrintLock());
  pending += text;
  if (flush && !pending.empty() && pending.back() != '\n') pending += '\n';
  for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
    std::string line = pending.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("%s%s\n", prefix, line.c_str());
  }
  std::fflush(stdout);
}

}  // namespace

class WatchedPlatform::PrintedLog : public platform::Console {
 public:
  explicit PrintedLog(WatchedPlatform& owner) : owner_(owner) {}
  bool Open(const std::wstring&) override { return true; }
  void WriteLine(const std::string& narrowText) override { Write(narrowText + "\n"); }
  // Trace text without a line end waits for the rest of its line.
  void Write(const std::string& narrowText) override {
    // The log's narrow text is code page 936.
    if (owner_.watching_) PrintLines("log: ", platform::WideToUtf8(platform::CodePage936ToWide(narrowText)), pending_);
  }
  void Flush() { PrintLines("log: ", "", pending_, true); }

 private:
  WatchedPlatform& owner_;
  std::string pending_;  // under PrintLock()
};

class WatchedPlatform::PrintedProcesses : public platform::Processes {
 public:
  explicit PrintedProcesses(WatchedPlatform& owner) : owner_(owner), machine_(owner.inner().processes()) {}
  std::optional<platform::ProcessHandle> ShellExecuteEx(const platform::ShellExecuteRequest& request) override {
    // Before the start: what the program runs shows before what it logs about it.
    if (owner_.watching_) {
      std::wstring line = (request.verb.empty() ? L"" : L"[" + request.verb + L"] ") + request.file + L" " +
                          request.parameters + (request.directory ? L"  (in " + *request.directory + L")" : L"");
      std::string ignored;
      PrintLines("run: ", platform::WideToUtf8(line) + "\n", ignored);
    }
    return machine_.ShellExecuteEx(request);
  }
  void WaitForExit(const platform::ProcessHandle& process) override { machine_.WaitForExit(process); }

 private:
  WatchedPlatform& owner_;
  platform::Processes& machine_;
};

WatchedPlatform::WatchedPlatform(platform::Platform& machine)
    : ForwardingPlatform(machine),
      log_(std::make_unique<PrintedLog>(*this)),
      processes_(std::make_unique<PrintedProcesses>(*this)) {}

WatchedPlatform::~WatchedPlatform() = default;

void WatchedPlatform::Watch(bool on) {
  if (!on) log_->Flush();
  watching_ = on;
}

platform::Console& WatchedPlatform::console() { return *log_; }
platform::Processes& WatchedPlatform::processes() { return *processes_; }

}  // namespace tarnvikctl
