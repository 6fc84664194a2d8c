// tarnvikctl fetch: downloads one URL into a folder of a simulated machine through the
// download engine, the way the program does: create, start, poll every 50 ms, restart
// a task that stays without speed a few times, then give up. Ctrl-C or SIGTERM parks
// the task in the program's downlist.json; the next run for the same URL into the same
// folder resumes it from its partial data. A failure is reported with the library's reason.

#include <stdlib.h>

#include <atomic>
#include <cwctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "app/size_text.h"
#include "app/text_helpers.h"
#include "arguments.h"
#include "command.h"
#include "interrupts.h"
#include "download/stall_watch.h"
#include "download/thunder.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"

namespace {

constexpr char kUsage[] =
    "fetch URL FOLDER [--machine DIR] [--stall-seconds N] [--restarts N]\n"
    "        download into FOLDER (a Windows path) of the simulated machine DIR (default\n"
    "        $TARNVIK_MACHINE); a task without data for N seconds (default 10) is restarted, at\n"
    "        most N times (default 3), then fails; exit 0 complete, 1 failed, 2 bad input,\n"
    "        3 interrupted and parked";
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kPollsPerLine = 20;

const std::atomic<bool>& interrupted = tarnvikctl::InterruptFlag();

// The last path segment of the URL, without query or fragment.
std::string FileNameOf(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  size_t scheme = path.find("://");
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || (scheme != std::string::npos && slash < scheme + 3)) return {};
  return path.substr(slash + 1);
}

void PrintProgress(const TaskProgress& p) {
  double percent = p.total > 0 ? p.downloaded * 100.0 / p.total : 0;
  std::printf("%6.2f%%  %10s  %lld/%lld bytes\n", percent, platform::WideToUtf8(SpeedText(p.speed)).c_str(),
              static_cast<long long>(p.downloaded), static_cast<long long>(p.total));
  std::fflush(stdout);
}

enum class Ending { Complete, Failed, Interrupted };

// Polls until the task completes, fails or the user interrupts; `why` tells a failure
// that the library did not see.
Ending Drive(CThunder& engine, DownloadTask* task, const StallRule& stall, std::string& why) {
  StallWatch watch(stall, kPollInterval);
  int polls = 0;
  TaskProgress progress;
  for (;;) {
    std::this_thread::sleep_for(kPollInterval);
    if (interrupted) {
      // The last byte may have come in already: then the download is complete.
      engine.StopTask(task);
      bool complete = engine.QueryProgress(task, &progress) && progress.state == kXlStateComplete;
      if (complete) PrintProgress(progress);
      return complete ? Ending::Complete : Ending::Interrupted;
    }
    if (!engine.QueryProgress(task, &progress)) continue;
    if (progress.state == kXlStateComplete) {
      PrintProgress(progress);
      return Ending::Complete;
    }
    if (progress.state == kXlStateFailed) return Ending::Failed;
    if (++polls % kPollsPerLine == 0) PrintProgress(progress);
    switch (watch.Observe(progress.speed)) {
      case StallWatch::Verdict::Carry:
        break;
      case StallWatch::Verdict::GiveUp:
        engine.StopTask(task);
        why = "no data for " + std::to_string(stall.seconds) + " seconds, " + std::to_string(watch.restarts()) +
              " restarts in a row: the server does not answer";
        return Ending::Failed;
      case StallWatch::Verdict::Restart:
        std::printf("no data for %d seconds: restarting the task (%d of %d)\n", stall.seconds, watch.restarts(),
                    stall.restarts);
        std::fflush(stdout);
        engine.StopTask(task);
        engine.StartTask(task);
        break;
    }
  }
}

// Folders compared as Windows compares them: without regard to case or a final separator.
bool SameFolder(std::wstring a, std::wstring b) {
  for (std::wstring* f : {&a, &b}) {
    while (!f->empty() && (f->back() == L'\\' || f->back() == L'/')) f->pop_back();
    for (wchar_t& c : *f) c = static_cast<wchar_t>(towlower(c));
  }
  return a == b;
}

std::wstring InFolder(std::wstring folder, const std::wstring& name) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder + name;
}

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

int Usage(const std::string& problem) {
  std::fprintf(stderr, "tarnvikctl fetch: %s\nusage: tarnvikctl %s\n", problem.c_str(), kUsage);
  return 2;
}

// Runs one task to its end and reports it; the exit status.
int RunTask(CThunder& engine, DownloadTask* task, const StallRule& stall) {
  std::string why;
  Ending ending = Drive(engine, task, stall, why);
  const std::string target = Utf8(InFolder(task->saveDir, task->fileName));
  if (ending == Ending::Complete) {
    engine.StampFinish(task);
    std::printf("complete: %s in %lld s\n", Utf8(InFolder(task->saveDir, engine.GetEngineFileName(task))).c_str(),
                static_cast<long long>(task->elapsed));
    engine.DeleteTask(task);
    return 0;
  }
  if (ending == Ending::Interrupted) {
    engine.RemoveTask(task);  // parked with its partial data, for the next run
    std::printf("interrupted: %s is parked in downlist.json\n", target.c_str());
    return 3;
  }
  CThunder::EngineFailure failure = engine.FailureOf(task);
  if (why.empty()) why = failure.reason.empty() ? "the download library gave no reason" : Utf8(failure.reason);
  TaskProgress progress;
  bool nothingReceived = engine.QueryProgress(task, &progress) && progress.downloaded == 0;
  if (failure.permanent && nothingReceived) {
    // Parking it would only push a real partial download out of the parked list.
    engine.DeleteTask(task);
    std::printf("failed: %s; nothing was received, so the task is not parked\n", why.c_str());
  } else {
    engine.RemoveTask(task);
    std::printf("failed: %s; %s is parked in downlist.json\n", why.c_str(), target.c_str());
  }
  return 1;
}

int Fetch(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string machineDir = getenv("TARNVIK_MACHINE") ? getenv("TARNVIK_MACHINE") : "";
  StallRule stall;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--machine") {
      machineDir = tarnvikctl::OptionValue(args, i);
    } else if (arg == "--stall-seconds") {
      stall.seconds = static_cast<int>(tarnvikctl::NumberOption(arg, tarnvikctl::OptionValue(args, i), 1, 3600));
    } else if (arg == "--restarts") {
      stall.restarts = static_cast<int>(tarnvikctl::NumberOption(arg, tarnvikctl::OptionValue(args, i), 1, 100));
    } else if (arg.size() > 1 && arg[0] == '-') {
      tarnvikctl::UnknownOption(arg);
    } else if (positional.size() == 2) {
      return Usage("unexpected argument '" + arg + "'");
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return Usage(positional.empty() ? "missing URL and FOLDER" : "missing FOLDER");
  if (machineDir.empty()) return Usage("no machine: give --machine DIR or set TARNVIK_MACHINE");
  const std::string& url = positional[0];
  const std::wstring folder = platform::Utf8ToWide(positional[1]);
  const std::string fileName = FileNameOf(url);
  if (fileName.empty()) return Usage("no file name in the URL '" + url + "'");

  std::unique_ptr<sim::SimPlatform> machine;
  try {
    machine = std::make_unique<sim::SimPlatform>(machineDir);
  } catch (const std::exception& e) {
    return Usage(e.what());
  }
  platform::ScopedPlatform installed(*machine);
  if (!machine->files().DirectoryExists(folder)) {
    return Usage("folder '" + positional[1] + "' does not exist on the machine");
  }
  // The download library finds the machine as a program on it does.
  setenv("TARNVIK_MACHINE", machine->folder().c_str(), 1);
  tarnvikctl::CatchInterrupts();

  CGlobalParam::Instance();
  int result = 1;
  {
    std::shared_ptr<CThunder> engine = CThunder::Instance();
    engine->LoadTaskList();
    const std::wstring wideUrl = platform::Utf8ToWide(url);
    DownloadTask* parked = engine->FindParkedByUrl(wideUrl);
    if (parked != nullptr && !SameFolder(parked->saveDir, folder)) {
      // The parked task resumes only where its partial data is; it is left as it was.
      std::fprintf(stderr,
                   "tarnvikctl fetch: refused: a parked download of this URL is in %s (%.0f%% done); fetch it "
                   "into %s to resume it there\n",
                   Utf8(InFolder(parked->saveDir, parked->fileName)).c_str(), parked->fraction * 100.0,
                   Utf8(parked->saveDir).c_str());
    } else {
      if (parked != nullptr) {
        std::printf("resuming the parked download %s\n", Utf8(InFolder(parked->saveDir, parked->fileName)).c_str());
      }
      DownloadTask* task = engine->CreateTask(platform::Utf8ToWide(fileName), folder, wideUrl);
      if (task == nullptr) {
        std::fprintf(stderr, "tarnvikctl fetch: the download engine refused the task: %s\n",
                     Utf8(engine->FailureOf(nullptr).reason).c_str());
      } else if (!engine->StartTask(task)) {
        std::fprintf(stderr, "tarnvikctl fetch: the download engine did not start the task: %s\n",
                     Utf8(engine->FailureOf(task).reason).c_str());
        engine->DeleteTask(task);  // its partial data belongs to the task that holds it
      } else {
        result = RunTask(*engine, task, stall);
      }
    }
  }
  CThunder::Release();
  CGlobalParam::Release();
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"fetch", kUsage, Fetch});

}  // namespace
