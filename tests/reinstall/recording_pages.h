#pragma once
// Pages that keep what the controller and the workers show, for the reinstall tests.
// The download page's operations come from several threads.

#include <mutex>
#include <string>
#include <vector>

#include "reinstall/choice_page.h"
#include "reinstall/download_page.h"
#include "reinstall/usb_removal_prompt.h"

namespace reinstall_testing {

class RecordingChoicePage : public IChoicePage {
 public:
  void ShowMessage(const std::wstring& text) override { messages.push_back(text); }
  void ShowDiskSpaceWarning() override { messages.push_back(L"磁盘容量不足，请检查磁盘空间"); }
  int AskFirmwareUnlocked() override {
    asked.push_back("firmware");
    return answer;
  }
  int AskAhciContinue() override {
    asked.push_back("ahci");
    return answer;
  }
  void RefreshStates() override { ++refreshes; }

  int answer = 2;  // what the dialogs return
  std::vector<std::wstring> messages;
  std::vector<std::string> asked;
  int refreshes = 0;
};

class RecordingDownloadPage : public IDownloadPage {
 public:
  void SetTaskName(const std::wstring& name) override { Keep(names, name); }
  void SetTaskSize(int64_t bytes) override { Keep(sizes, bytes); }
  void SetPercent(float percent) override { Keep(percents, percent); }
  void SetProgressRange(int64_t maximum) override { Keep(ranges, maximum); }
  void SetProgressValue(int64_t value) override { Keep(values, value); }
  void SetSpeed(int64_t bytesPerSecond) override { Keep(speeds, bytesPerSecond); }
  void ShowPaused(bool paused) override { Keep(pausedLooks, paused); }
  void AddBackupSection(const std::wstring& backupDir) override { Keep(backupSections, backupDir); }
  void SetBackupRange(int64_t files) override { Keep(backupRanges, files); }
  void SetBackupValue(int64_t files) override { Keep(backupValues, files); }
  void ShowBackupResult(bool complete, const std::wstring& failures) override {
    Keep(backupResults, complete ? std::wstring(L"备份成功!") : failures);
  }
  void EnableInstall(bool enabled) override { Keep(installEnabled, enabled); }
  void SetInstallText(const std::wstring& text) override { Keep(installTexts, text); }
  void StartInstallCountdown() override { Keep(countdown, std::string("start")); }
  void StopInstallCountdown() override { Keep(countdown, std::string("stop")); }
  OsEntry* ChooseOtherOs(const OsList&) override { return nextChoice; }
  void ShowVerifying(const std::wstring& name) override { Keep(verifying, name); }
  void ShowDownloadFailed(const std::wstring& reason) override { Keep(failures, reason); }

  // A copy of one record, taken under the lock.
  template <typename T>
  std::vector<T> Read(const std::vector<T>& record) {
    std::lock_guard lock(mutex_);
    return record;
  }

  OsEntry* nextChoice = nullptr;  // what the re-selection dialog returns
  std::vector<std::wstring> names, backupSections, backupResults, installTexts, verifying, failures;
  std::vector<int64_t> sizes, ranges, values, speeds, backupRanges, backupValues;
  std::vector<float> percents;
  std::vector<bool> pausedLooks, installEnabled;
  std::vector<std::string> countdown;

 private:
  template <typename T, typename U>
  void Keep(std::vector<T>& record, const U& value) {
    std::lock_guard lock(mutex_);
    record.push_back(value);
  }
  std::mutex mutex_;
};

// Answers the USB-removal prompt from a list, then 0.
class ScriptedUsbPrompt : public IUsbRemovalPrompt {
 public:
  int AskToRemoveUsbDisks() override {
    int answer = asked < static_cast<int>(answers.size()) ? answers[asked] : 0;
    ++asked;
    return answer;
  }
  std::vector<int> answers;
  int asked = 0;
};

}  // namespace reinstall_testing
