#pragma once
// The backup worker: copies the files StartBackup listed into the backup folder, file by
// file, while the downloads run, and reports the files it could not copy.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/thread_base.h"

class ReinstallController;

// Where the backup puts `file` of the source folder `sourceFolder`: below `backupDir`,
// keeping the source folder's own name (C:\Users\A\Desktop\x\y.txt with D:\beifenshuju
// goes to D:\beifenshuju\Desktop\x\y.txt).
std::wstring BackupTargetOf(const std::wstring& file, const std::wstring& sourceFolder, const std::wstring& backupDir);

class CBackupThread : public CThreadBase {
 public:
  static constexpr std::chrono::milliseconds kStopWait{1000};

  // Copies controller.backupFiles into controller.GetBackupDir(); `items` are the ticked
  // backup items (none: nothing runs).
  CBackupThread(ReinstallController& controller, uint32_t items);
  // Stops the copy within the file being copied.
  ~CBackupThread() override;

 private:
  void Run() override;

  std::atomic<bool> stop{true};
  uint32_t items;
  ReinstallController* controller;
};
