#include "console_pages.h"

#include <cstdio>
#include <iostream>
#include <vector>

#include "progress_line.h"
#include "platform/codepage.h"
#include "reinstall/backup_texts.h"

namespace tarnvikctl {
namespace {

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

bool ConsoleQuestions::Ask(const std::string& question) {
  std::printf("%s [y/N] ", question.c_str());
  if (yes_) {
    std::printf("y (--yes)\n");
    std::fflush(stdout);
    return true;
  }
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    std::printf("(no answer: no)\n");
    return false;
  }
  return answer == "y" || answer == "Y" || answer == "yes";
}

void ConsoleChoicePage::ShowMessage(const std::wstring& text) {
  lastMessage = Utf8(text);
  Print("message: " + lastMessage);
}

void ConsoleChoicePage::ShowDiskSpaceWarning() { ShowMessage(L"磁盘容量不足，请检查磁盘空间"); }

int ConsoleChoicePage::AskFirmwareUnlocked() {
  lastMessage = "80%以上的新电脑会在BIOS内锁定出厂系统，若要降级安装系统，需进BIOS解锁 (not confirmed)";
  return questions_.Ask("80%以上的新电脑会在BIOS内锁定出厂系统，若要降级安装系统，需进BIOS解锁. 我已解锁?") ? 2 : 0;
}

int ConsoleChoicePage::AskAhciContinue() {
  lastMessage = "极少数的xp系统升级需要进BIOS修改磁盘类型为AHCI！否则可能会导致装机蓝屏。 (not confirmed)";
  return questions_.Ask("极少数的xp系统升级需要进BIOS修改磁盘类型为AHCI！否则可能会导致装机蓝屏。 继续装机?") ? 2 : 0;
}

void ConsoleBackupPage::ShowBackupDir(const std::wstring& folder) { Print("backup folder: " + Utf8(folder)); }

void ConsoleBackupPage::ShowSpaceShortage(int64_t missingBytes) {
  Print("磁盘容量不足: " + Utf8(SpaceShortageText(missingBytes)) + " (" + std::to_string(missingBytes) +
        " bytes missing)");
}

void ConsoleBackupPage::ShowBackupRefused(const std::wstring& message) { Print("backup refused: " + Utf8(message)); }

void ConsoleDownloadPage::SetTaskName(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  if (name_ == Utf8(name)) return;
  name_ = Utf8(name);
  printer_.Line("downloading: " + name_);
}

void ConsoleDownloadPage::SetTaskSize(int64_t bytes) {
  std::lock_guard lock(mutex_);
  taskBytes_ = bytes;
  printer_.Line("size: " + ByteText(bytes) + " (" + std::to_string(bytes) + " bytes)");
}

// The worker shows the percentage with the speed, once a second, and 100 at the end: the
// progress line follows it.
void ConsoleDownloadPage::SetPercent(float percent) {
  std::lock_guard lock(mutex_);
  if (percent < 0 || percent > 100) return;
  percent_ = percent;
  if (percent > 0 && taskBytes_ > 0) PrintProgressLocked();
}

void ConsoleDownloadPage::SetProgressRange(int64_t) {}

void ConsoleDownloadPage::SetProgressValue(int64_t) {}

void ConsoleDownloadPage::SetSpeed(int64_t bytesPerSecond) {
  std::lock_guard lock(mutex_);
  speed_ = bytesPerSecond;
}

void ConsoleDownloadPage::ShowPaused(bool paused) {
  std::lock_guard lock(mutex_);
  printer_.Line(paused ? "download paused" : "download running");
}

void ConsoleDownloadPage::AddBackupSection(const std::wstring& backupDir) {
  std::lock_guard lock(mutex_);
  printer_.Line("backup: into " + Utf8(backupDir));
}

void ConsoleDownloadPage::SetBackupRange(int64_t files) {
  std::lock_guard lock(mutex_);
  backupFiles_ = files;
  printer_.Line("backup: " + std::to_string(files) + " files to copy");
}

void ConsoleDownloadPage::SetBackupValue(int64_t) {}

void ConsoleDownloadPage::ShowBackupResult(bool complete, const std::wstring& failures) {
  std::lock_guard lock(mutex_);
  if (!complete) backupFailures_ = Utf8(failures);
  printer_.Line(complete ? "backup: 备份成功! (" + std::to_string(backupFiles_) + " files)"
                           : "backup: incomplete: " + Utf8(failures));
}

void ConsoleDownloadPage::EnableInstall(bool enabled) {
  std::lock_guard lock(mutex_);
  if (enabled && !installEnabled_) printer_.Line("btnInstall: enabled");
  installEnabled_ = enabled;
}

void ConsoleDownloadPage::SetInstallText(const std::wstring& text) {
  std::lock_guard lock(mutex_);
  printer_.Line("btnInstall: " + Utf8(text));
}

void ConsoleDownloadPage::StartInstallCountdown() { countdownRequested = true; }

void ConsoleDownloadPage::StopInstallCountdown() {
  countdownRequested = false;
  countdownRunning = false;
}

// Unattended: the image stays the one chosen at the start.
OsEntry* ConsoleDownloadPage::ChooseOtherOs(const OsList&) { return nullptr; }

void ConsoleDownloadPage::ShowVerifying(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  printer_.Line("verifying the MD5 checksum of " + Utf8(name) + " (正在校验)");
}

void ConsoleDownloadPage::ShowDownloadFailed(const std::wstring& reason) {
  std::lock_guard lock(mutex_);
  failure_ = Utf8(reason);
  printer_.Line("download failed: " + *failure_);
}

std::optional<std::string> ConsoleDownloadPage::Failure() {
  std::lock_guard lock(mutex_);
  return failure_;
}

std::optional<std::string> ConsoleDownloadPage::BackupFailures() {
  std::lock_guard lock(mutex_);
  return backupFailures_;
}

void ConsoleDownloadPage::PrintProgressLocked() {
  const int64_t total = taskBytes_;
  const int64_t done = static_cast<int64_t>(static_cast<double>(total) * percent_ / 100);
  const std::string line = ProgressLine(percent_, done, total, speed_);
  if (line == lastProgress_) return;  // the end is shown by the last poll and by the completion
  lastProgress_ = line;
  printer_.Progress(line);
}

int ConsoleUsbPrompt::AskToRemoveUsbDisks() {
  std::vector<uint32_t> sticks;
  std::string names;
  for (const sim::Disk& disk : machine_.config().disks) {
    if (disk.busType != platform::kBusUsb) continue;
    sticks.push_back(disk.number);
    names += " disk " + std::to_string(disk.number) + (disk.friendlyName.empty() ? "" : " (" + disk.friendlyName + ")");
  }
  if (!questions_.Ask("请拔出U盘或移动硬盘！ USB disks attached:" + names + ". Unplug them from the simulated machine?")) {
    return 0;
  }
  for (uint32_t number : sticks) {
    if (!machine_.DetachDisk(number)) {
      Print("disk " + std::to_string(number) + " cannot be unplugged: state/detached.json cannot be written");
      return 0;
    }
    Print("unplugged disk " + std::to_string(number) + " (state/detached.json)");
  }
  return 1;
}

}  // namespace tarnvikctl
