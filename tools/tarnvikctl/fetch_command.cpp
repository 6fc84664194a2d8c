// tarnvikctl fetch: downloads one URL into a folder of a simulated machine through the
// download engine, the way the program does: create, start, poll every 50 ms, restart
// a task that stays without speed. Ctrl-C or SIGTERM parks the task in the program's
// downlist.json; the next run for the same URL resumes it from its partial data.

#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "command.h"
#include "download/thunder.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"

namespace {

constexpr char kUsage[] =
    "fetch URL FOLDER [--machine DIR]   download into FOLDER (a Windows path) of the simulated\n"
    "        machine DIR (default $TARNVIK_MACHINE); exit 0 complete, 1 failed, 3 interrupted and parked";
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kPollsPerLine = 20;
constexpr int kStallPolls = 200;  // about 10 seconds without data

std::atomic<bool> interrupted{false};

void OnSignal(int) { interrupted = true; }

// The last path segment of the URL, without query or fragment.
std::string FileNameOf(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  size_t scheme = path.find("://");
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || (scheme != std::string::npos && slash < scheme + 3)) return {};
  return path.substr(slash + 1);
}

std::string Speed(int64_t bytesPerSecond) {
  char text[32];
  double kib = bytesPerSecond / 1024.0;
  if (kib < 1024) {
    std::snprintf(text, sizeof text, "%.1fK/s", kib);
  } else if (kib < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1fM/s", kib / 1024);
  } else {
    std::snprintf(text, sizeof text, "%.1fG/s", kib / 1024 / 1024);
  }
  return text;
}

void PrintProgress(const TaskProgress& p) {
  double percent = p.total > 0 ? p.downloaded * 100.0 / p.total : 0;
  std::printf("%6.2f%%  %10s  %lld/%lld bytes\n", percent, Speed(p.speed).c_str(),
              static_cast<long long>(p.downloaded), static_cast<long long>(p.total));
  std::fflush(stdout);
}

// Polls until the task completes (0), fails (1) or the user interrupts (3).
int Drive(CThunder& engine, DownloadTask* task) {
  int polls = 0, silentPolls = 0;
  TaskProgress progress;
  for (;;) {
    std::this_thread::sleep_for(kPollInterval);
    if (interrupted) return 3;
    if (!engine.QueryProgress(task, &progress)) continue;
    if (progress.state == kXlStateComplete) {
      PrintProgress(progress);
      return 0;
    }
    if (progress.state == kXlStateFailed) return 1;
    if (++polls % kPollsPerLine == 0) PrintProgress(progress);
    silentPolls = progress.speed == 0 ? silentPolls + 1 : 0;
    if (silentPolls == kStallPolls) {
      silentPolls = 0;
      std::fputs("no data for 10 seconds: restarting the task\n", stdout);
      engine.StopTask(task);
      engine.StartTask(task);
    }
  }
}

int Fetch(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string machineDir = getenv("TARNVIK_MACHINE") ? getenv("TARNVIK_MACHINE") : "";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine" && i + 1 < args.size()) {
      machineDir = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2 || machineDir.empty()) {
    std::fprintf(stderr, "usage: tarnvikctl %s\n", kUsage);
    return 2;
  }
  const std::string& url = positional[0];
  const std::wstring folder = platform::Utf8ToWide(positional[1]);
  const std::string fileName = FileNameOf(url);
  if (fileName.empty()) {
    std::fprintf(stderr, "tarnvikctl fetch: no file name in '%s'\n", url.c_str());
    return 2;
  }

  std::unique_ptr<sim::SimPlatform> machine;
  try {
    machine = std::make_unique<sim::SimPlatform>(machineDir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarnvikctl fetch: %s\n", e.what());
    return 2;
  }
  platform::ScopedPlatform installed(*machine);
  if (!machine->files().DirectoryExists(folder)) {
    std::fprintf(stderr, "tarnvikctl fetch: folder '%s' does not exist on the machine\n", positional[1].c_str());
    return 2;
  }
  // The download library finds the machine as a program on it does.
  setenv("TARNVIK_MACHINE", machine->folder().c_str(), 1);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  CGlobalParam::Instance();
  int result;
  {
    std::shared_ptr<CThunder> engine = CThunder::Instance();
    engine->LoadTaskList();
    DownloadTask* task = engine->CreateTask(platform::Utf8ToWide(fileName), folder, platform::Utf8ToWide(url));
    if (task == nullptr || !engine->StartTask(task)) {
      std::fprintf(stderr, "tarnvikctl fetch: the download engine refused the task\n");
      result = 1;
    } else {
      result = Drive(*engine, task);
      if (result == 0) {
        engine->StampFinish(task);
        std::wstring path = folder;
        if (path.back() != L'\\') path += L'\\';
        path += engine->GetEngineFileName(task);
        std::printf("complete: %s in %lld s\n", platform::WideToUtf8(path).c_str(),
                    static_cast<long long>(task->elapsed));
        engine->DeleteTask(task);
      } else {
        engine->RemoveTask(task);  // parked with its partial data, for the next run
        std::puts(result == 3 ? "interrupted: the task is parked in downlist.json"
                              : "failed: the task is parked in downlist.json");
      }
    }
  }
  CThunder::Release();
  CGlobalParam::Release();
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"fetch", kUsage, Fetch});

}  // namespace
