// tarnvikctl reinstall: an unattended reinstall for technicians on a simulated machine,
// driving the program's reinstall controller with console pages: the system check, the
// choice, the compatibility and space checks, the backup, the download with its progress,
// the checksum, and the install up to the restart request. Ctrl-C parks the download so
// that the next run resumes it.

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/contains_no_case.h"
#include "app/global_param.h"
#include "arguments.h"
#include "command.h"
#include "interrupts.h"
#include "console_pages.h"
#include "download/thunder.h"
#include "open_machine.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "printed_check_page.h"
#include "reinstall/backup_thread.h"
#include "reinstall/download_thread.h"
#include "reinstall/install_countdown.h"
#include "reinstall/install_thread.h"
#include "reinstall/reinstall_controller.h"
#include "service_url.h"
#include "stats/device_identity.h"
#include "watched_platform.h"

namespace {

constexpr char kUsage[] =
    "reinstall --machine DIR [--image FILENAME] [--backup ITEMS] [--auto] [--yes]\n"
    "        the whole reinstall of the simulated machine DIR, unattended, as the program's\n"
    "        wizard does it: the system check, the image (the recommended one, or the catalogue\n"
    "        entry whose file name is FILENAME), the compatibility and free-space checks, the\n"
    "        backup of ITEMS (a comma list of desktop, qq, favorites, documents, or all) into the\n"
    "        default backup folder, the download of the image and the WinPE component with their\n"
    "        progress, the MD5 check, and the install up to the restart request. --auto installs\n"
    "        after the six-second countdown, as the automatic-install option does; without it the\n"
    "        install starts when the question is answered. --yes answers every warning dialog\n"
    "        with its go-on choice; without it they are asked on standard input. Ctrl-C or\n"
    "        SIGTERM parks the download; the next run resumes it. Tracking points are listed, not\n"
    "        sent. Exit 0 installed and restart accepted, 1 a step failed (named), 2 bad input,\n"
    "        3 interrupted (download parked), 4 downloaded but not installed (the answer was no)";

constexpr auto kLoopTick = std::chrono::milliseconds(50);
constexpr auto kCountdownTick = std::chrono::seconds(1);

const std::atomic<bool>& interrupted = tarnvikctl::InterruptFlag();

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }
std::string Utf8FromLocal(const std::string& narrow) { return Utf8(platform::CodePage936ToWide(narrow)); }

struct Options {
  std::string machine;
  std::wstring image;  // a catalogue file name; empty: the recommendation
  uint32_t backupItems = 0;
  bool autoInstall = false;
  bool yes = false;
};

uint32_t BackupItems(const std::string& list) {
  uint32_t items = 0;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item == "desktop") {
      items |= ReinstallController::kBackupDesktop;
    } else if (item == "qq") {
      items |= ReinstallController::kBackupQQ;
    } else if (item == "favorites") {
      items |= ReinstallController::kBackupFavorites;
    } else if (item == "documents") {
      items |= ReinstallController::kBackupDocuments;
    } else if (item == "all") {
      items |= ReinstallController::kBackupDesktop | ReinstallController::kBackupQQ |
               ReinstallController::kBackupFavorites | ReinstallController::kBackupDocuments;
    } else {
      throw tarnvikctl::UsageError("--backup takes a comma list of desktop, qq, favorites, documents or all, not '" +
                                   item + "'");
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

Options ReadOptions(const std::vector<std::string>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      options.machine = tarnvikctl::OptionValue(args, i);
    } else if (args[i] == "--image") {
      options.image = platform::Utf8ToWide(tarnvikctl::OptionValue(args, i));
      if (options.image.find_first_of(L"\\/:") != std::wstring::npos) {
        throw tarnvikctl::UsageError("--image takes a catalogue file name such as win10.gho, not a path");
      }
    } else if (args[i] == "--backup") {
      options.backupItems = BackupItems(tarnvikctl::OptionValue(args, i));
    } else if (args[i] == "--auto") {
      options.autoInstall = true;
    } else if (args[i] == "--yes") {
      options.yes = true;
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (options.machine.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  return options;
}

// The tracking points the workers post, from their threads; listed at the end.
class PointRecord {
 public:
  void Post(std::unique_ptr<FixedPointBase> point) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::to_string(point->step) + " " + Utf8FromLocal(point->GetName()));
  }
  void Print() {
    std::lock_guard lock(mutex_);
    std::printf("tracking points (not sent):\n");
    for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class NoticeRecord : public IInstallFailureNotice, public IRestartFailureNotice {
 public:
  void PostInstallFailed() override { installFailed = true; }
  void ShowRestartFailed() override { restartFailed = true; }
  std::atomic<bool> installFailed{false};
  std::atomic<bool> restartFailed{false};
};

// The entry to install: the named one, else the recommended one; why there is none.
OsEntry* ChooseImage(ReinstallController& controller, const std::wstring& fileName, std::string& why) {
  for (const auto& entry : controller.osList) {
    if (fileName.empty() ? entry->recommended : EqualsNoCase(entry->fileName, fileName)) return entry.get();
  }
  if (controller.osList.empty()) {
    why = "the catalogue has no images (the check above says whether the network was reachable)";
  } else if (fileName.empty()) {
    why = "the catalogue recommends no image for this machine; name one with --image FILENAME";
  } else {
    why = "the catalogue has no image with the file name " + Utf8(fileName) + "; it has:";
    for (const auto& entry : controller.osList) why += " " + Utf8(entry->fileName);
  }
  return nullptr;
}

// The engine's reason why a task of the running download fails for good; empty when none.
std::string PermanentFailure(ReinstallController& controller) {
  std::lock_guard lock(controller.downloadLock);
  std::shared_ptr<CThunder> engine = CThunder::Instance();
  for (DownloadTask* task : {controller.peTask, controller.osTask}) {
    if (task == nullptr) continue;
    CThunder::EngineFailure failure = engine->FailureOf(task);
    if (failure.permanent) return Utf8(task->url) + ": " + Utf8(failure.reason);
  }
  return "";
}

enum class Ending { Installing, Failed, Interrupted, NotInstalled };

// The download step on this thread, as the main window's loop: the countdown's timer,
// the install question, Ctrl-C. Returns once the install worker runs or the step ended.
Ending RunDownloadStep(ReinstallController& controller, tarnvikctl::ConsoleDownloadPage& page,
                       tarnvikctl::ConsoleQuestions& questions, std::string& why) {
  InstallCountdown countdown;
  auto nextTick = std::chrono::steady_clock::now();
  std::optional<std::chrono::steady_clock::time_point> readySince;
  bool countdownSeen = false;
  int polls = 0;
  while (!controller.installWorker) {
    std::this_thread::sleep_for(kLoopTick);
    if (interrupted) return Ending::Interrupted;
    if (std::optional<std::string> failure = page.Failure()) {
      why = "the download: " + *failure;
      return Ending::Failed;
    }
    if (++polls % 20 == 0) {
      if (std::string failure = PermanentFailure(controller); !failure.empty()) {
        why = "the download: " + failure;
        return Ending::Failed;
      }
    }
    if (!controller.readyToInstall || !controller.backupIdle) {
      bool downloading = controller.downloadWorker && controller.downloadWorker->IsRunning();
      bool backingUp = controller.backupWorker && controller.backupWorker->IsRunning();
      if (!downloading && !backingUp && !controller.readyToInstall) {
        why = "the download ended without the image and the WinPE component (see the log above)";
        return Ending::Failed;
      }
      continue;
    }
    if (std::optional<std::string> failures = page.BackupFailures()) {
      why = "the backup did not copy every file (" + *failures + "); the install is not started";
      return Ending::Failed;
    }
    if (!readySince) readySince = std::chrono::steady_clock::now();
    if (page.countdownRequested.exchange(false)) {
      countdown.Start();
      countdownSeen = true;
      page.countdownRunning = true;
      nextTick = std::chrono::steady_clock::now() + kCountdownTick;
    }
    if (page.countdownRunning) {
      if (std::chrono::steady_clock::now() >= nextTick) {
        nextTick += kCountdownTick;
        countdown.Tick(controller);
      }
      continue;
    }
    if (countdownSeen) {
      why = "the install was not started: 请拔出U盘或移动硬盘！ (a USB disk stays attached)";
      return Ending::Failed;
    }
    // With the option ticked the countdown follows the last download or backup at once;
    // an image found complete before the step starts none, and the question is asked.
    if (controller.autoInstall && std::chrono::steady_clock::now() - *readySince < kCountdownTick) continue;
    if (!questions.Ask("The image and the WinPE component are ready. Install now (the machine restarts)?")) {
      return Ending::NotInstalled;
    }
    controller.StartInstall();
    if (!controller.installWorker) {
      why = "the install was not started: 请拔出U盘或移动硬盘！ (a USB disk stays attached)";
      return Ending::Failed;
    }
  }
  return Ending::Installing;
}

int Reinstall(const Options& options, sim::SimPlatform& machine, tarnvikctl::WatchedPlatform& watched) {
  tarnvikctl::ConsoleQuestions questions(options.yes);
  tarnvikctl::PrintedCheckPage checkPage;
  tarnvikctl::ConsoleChoicePage choicePage(questions);
  tarnvikctl::ConsoleBackupPage backupPage;
  tarnvikctl::ConsoleDownloadPage downloadPage(isatty(STDOUT_FILENO) == 1);
  tarnvikctl::ConsoleUsbPrompt usbPrompt(questions, machine);
  NoticeRecord notices;
  PointRecord points;

  ReinstallController controller;
  controller.postPoint = [&points](std::unique_ptr<FixedPointBase> point) { points.Post(std::move(point)); };
  controller.checkPage = &checkPage;
  controller.choicePage = &choicePage;
  controller.backupPage = &backupPage;
  controller.downloadPage = &downloadPage;
  controller.usbRemovalPrompt = &usbPrompt;
  controller.installFailureNotice = &notices;
  controller.restartFailureNotice = &notices;
  controller.autoInstall = options.autoInstall;  // the option's state when the download page opens
  watched.Watch(true);

  std::printf("== system check\n");
  controller.StartSystemCheck();
  if (!tarnvikctl::WaitForCheck(controller)) {
    std::printf("failed: the system check did not end within a minute\n");
    return 1;
  }
  for (const std::string& line : checkPage.Lines()) std::printf("%s\n", line.c_str());

  std::printf("== image\n");
  std::string why;
  OsEntry* entry = ChooseImage(controller, options.image, why);
  if (entry == nullptr) {
    std::printf("failed: %s\n", why.c_str());
    return 1;
  }
  std::printf("image: %s (%s, %lld bytes, %s)\n", Utf8(entry->name).c_str(), Utf8(entry->fileName).c_str(),
              static_cast<long long>(entry->size), entry->state == 3 ? "already downloaded" : "to download");
  if (!controller.ConfirmChoice(entry)) {
    std::printf("failed: the choice of %s: %s\n", Utf8(entry->name).c_str(), choicePage.lastMessage.c_str());
    return 1;
  }

  // The backup runs beside the download, as in the wizard's last step.
  std::printf("== backup and download\n");
  if (options.backupItems == 0) std::printf("no backup\n");
  if (!controller.LeaveBackupStep(options.backupItems)) {
    std::printf("failed: the backup was refused (see above); nothing was copied or downloaded\n");
    return 1;
  }
  Ending ending = RunDownloadStep(controller, downloadPage, questions, why);
  if (ending == Ending::Interrupted) {
    controller.backupWorker.reset();
    controller.downloadWorker.reset();  // parks an incomplete image task
    CThunder::Instance()->SaveTaskList();
    std::printf("\ninterrupted: the image download is parked in downlist.json; the next run resumes it\n");
    return 3;
  }
  if (ending == Ending::Failed) {
    std::printf("\nfailed: %s\n", why.c_str());
    return 1;
  }
  if (ending == Ending::NotInstalled) {
    std::printf("downloaded: %s; not installed\n", Utf8(entry->localPath).c_str());
    return 4;
  }

  std::printf("== install\n");
  // The install cannot be stopped; it ends when its last command has.
  while (controller.installWorker->IsRunning()) std::this_thread::sleep_for(kLoopTick);
  watched.Watch(false);
  const InstallOutcome outcome = controller.installWorker->outcome();
  std::printf("prepared image: %s\n", outcome.preparedImage.empty() ? "none" : Utf8(outcome.preparedImage).c_str());
  points.Print();
  if (!outcome.ok()) {
    std::printf("failed: the install (重装失败,请关闭杀毒软件，重新安装！); the log above names the step\n");
    return 1;
  }
  if (notices.restartFailed) {
    std::printf("restart: requested and refused (重启失败，请手动重启电脑); see the log above\n");
    return 3;
  }
  std::printf("restart: requested and accepted\n");
  return 0;
}

int RunReinstall(const std::vector<std::string>& args) {
  const Options options = ReadOptions(args);
  if (std::string problem = tarnvikctl::ServiceBaseProblem(); !problem.empty()) {
    std::fprintf(stderr, "tarnvikctl reinstall: %s\n", problem.c_str());
    return 2;
  }
  std::unique_ptr<sim::SimPlatform> machine = tarnvikctl::OpenMachine(options.machine, "reinstall");
  if (!machine) return 1;
  tarnvikctl::WatchedPlatform watched(*machine);
  platform::ScopedPlatform installed(watched);
  // The download library finds the machine as a program on it does.
  setenv("TARNVIK_MACHINE", machine->folder().c_str(), 1);
  tarnvikctl::CatchInterrupts();
  CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
  CGlobalParam::Instance();
  CThunder::Instance()->LoadTaskList();
  int result = Reinstall(options, *machine, watched);
  CThunder::Release();
  CGlobalParam::Release();
  std::fflush(stdout);
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"reinstall", kUsage, RunReinstall});

}  // namespace
