#pragma once
// The reinstall pages on the console, for an unattended reinstall: the choice page's
// warnings and dialogs, the backup page, the download page with a progress bar, and the
// USB-removal prompt. Dialogs are answered by --yes or by a line on standard input.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/sim/sim_platform.h"
#include "progress_line.h"
#include "reinstall/backup_page.h"
#include "reinstall/choice_page.h"
#include "reinstall/download_page.h"
#include "reinstall/usb_removal_prompt.h"

namespace tarnvikctl {

// A yes-or-no question: yes with --yes; otherwise the answer read from standard input
// ("y" or "yes"), no at its end.
class ConsoleQuestions {
 public:
  explicit ConsoleQuestions(bool yes) : yes_(yes) {}
  bool Ask(const std::string& question);
  bool yes() const { return yes_; }

 private:
  bool yes_;
};

class ConsoleChoicePage : public IChoicePage {
 public:
  explicit ConsoleChoicePage(ConsoleQuestions& questions) : questions_(questions) {}
  void ShowMessage(const std::wstring& text) override;
  void ShowDiskSpaceWarning() override;
  int AskFirmwareUnlocked() override;
  int AskAhciContinue() override;
  void RefreshStates() override {}
  // The last message shown: why the choice did not go on.
  std::string lastMessage;

 private:
  ConsoleQuestions& questions_;
};

class ConsoleBackupPage : public IBackupPage {
 public:
  void ShowBackupDir(const std::wstring& folder) override;
  void ShowSpaceShortage(int64_t missingBytes) override;
  void ShowBackupRefused(const std::wstring& message) override;
};

// Called from the controller and from the download and backup workers' threads.
class ConsoleDownloadPage : public IDownloadPage {
 public:
  explicit ConsoleDownloadPage(bool terminal) : printer_(terminal) {}

  void SetTaskName(const std::wstring& name) override;
  void SetTaskSize(int64_t bytes) override;
  void SetPercent(float percent) override;
  void SetProgressRange(int64_t maximum) override;
  void SetProgressValue(int64_t value) override;
  void SetSpeed(int64_t bytesPerSecond) override;
  void ShowPaused(bool paused) override;
  void AddBackupSection(const std::wstring& backupDir) override;
  void SetBackupRange(int64_t files) override;
  void SetBackupValue(int64_t files) override;
  void ShowBackupResult(bool complete, const std::wstring& failures) override;
  void EnableInstall(bool enabled) override;
  void SetInstallText(const std::wstring& text) override;
  void StartInstallCountdown() override;
  void StopInstallCountdown() override;
  OsEntry* ChooseOtherOs(const OsList& list) override;
  void ShowVerifying(const std::wstring& name) override;
  void ShowDownloadFailed(const std::wstring& reason) override;

  // Read by the command's loop on its own thread.
  std::atomic<bool> countdownRequested{false};
  std::atomic<bool> countdownRunning{false};
  std::optional<std::string> Failure();
  // The files an incomplete backup did not copy, once it has ended.
  std::optional<std::string> BackupFailures();

 private:
  // The progress line: percentage, bar, bytes, speed and time left, from the percentage
  // of the task size the worker shows (its progress bar counts 4096-byte units).
  void PrintProgressLocked();

  ProgressPrinter printer_;
  std::mutex mutex_;
  std::string name_;
  int64_t taskBytes_ = 0;  // what this download fetches, as the page shows it
  int64_t speed_ = 0;
  float percent_ = 0;
  int64_t backupFiles_ = 0;
  std::string lastProgress_;
  bool installEnabled_ = false;
  std::optional<std::string> failure_;
  std::optional<std::string> backupFailures_;
};

// On a simulated machine nobody can pull a stick: the answer yes (or --yes) unplugs the
// machine's USB disks, as the user would before pressing "确定".
class ConsoleUsbPrompt : public IUsbRemovalPrompt {
 public:
  ConsoleUsbPrompt(ConsoleQuestions& questions, sim::SimPlatform& machine) : questions_(questions), machine_(machine) {}
  int AskToRemoveUsbDisks() override;

 private:
  ConsoleQuestions& questions_;
  sim::SimPlatform& machine_;
};

}  // namespace tarnvikctl
