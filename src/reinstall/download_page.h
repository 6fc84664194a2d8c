#pragma once
// What the download step shows: the operations of the download page, called by the
// controller on the UI thread and by the download and backup workers from their own
// threads. The reinstall pages implement them; tarnvikctl implements them on the console.

#include <cstdint>
#include <string>

#include "catalogue/os_list.h"

class IDownloadPage {
 public:
  virtual ~IDownloadPage() = default;

  virtual void SetTaskName(const std::wstring& name) = 0;
  // Shown as "%.2fMB".
  virtual void SetTaskSize(int64_t bytes) = 0;
  // Shown as "%2.02f%%", only when 0 <= percent <= 100.
  virtual void SetPercent(float percent) = 0;
  // The progress bar, in units of 4096 bytes.
  virtual void SetProgressRange(int64_t maximum) = 0;
  virtual void SetProgressValue(int64_t value) = 0;
  virtual void SetSpeed(int64_t bytesPerSecond) = 0;
  // The pause button when running, the start button when paused.
  virtual void ShowPaused(bool paused) = 0;

  // The backup row: the folder it copies to, its progress in files, and its end.
  virtual void AddBackupSection(const std::wstring& backupDir) = 0;
  virtual void SetBackupRange(int64_t files) = 0;
  virtual void SetBackupValue(int64_t files) = 0;
  // "备份成功!" when every file was copied; otherwise the files that were not, with why.
  virtual void ShowBackupResult(bool complete, const std::wstring& failures) = 0;

  // "btnInstall": its state and its text.
  virtual void EnableInstall(bool enabled) = 0;
  virtual void SetInstallText(const std::wstring& text) = 0;
  // The automatic-install countdown (InstallCountdown) on a one-second timer.
  virtual void StartInstallCountdown() = 0;
  virtual void StopInstallCountdown() = 0;

  // The re-selection dialog: the entry chosen from `list`, or null.
  virtual OsEntry* ChooseOtherOs(const OsList& list) = 0;

  // The downloaded image's checksum is being compared ("正在校验").
  virtual void ShowVerifying(const std::wstring& name) = 0;
  // The download could not be completed; `reason` says why (a damaged image twice).
  virtual void ShowDownloadFailed(const std::wstring& reason) = 0;
};
