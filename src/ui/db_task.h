#pragma once
// The download-task panel of the download page: the running download's name, progress,
// folder, speed, size and percentage, and, once a backup runs, its progress and folder.

#include <cstdint>
#include <string>

#include "skin/button.h"
#include "skin/container.h"
#include "skin/label.h"
#include "skin/progress.h"

class CDbTaskUI : public DuiLib::CContainerUI {
 public:
  CDbTaskUI();
  DuiLib::LPCTSTR GetClass() const override { return L"DbTaskUI"; }
  void* GetInterface(DuiLib::LPCTSTR name) override;

  // Safe from a worker thread: the text is applied on the window's thread.
  void SetSpeedText(int64_t bytesPerSecond);
  // Grows the panel by the backup section showing `backupFolder`; once only, a second
  // call shows the new folder.
  void AddBackupSection(const std::wstring& backupFolder);
  bool HasBackupSection() const { return backupProgress_ != nullptr; }

  DuiLib::CLabelUI* NameLabel() const { return name_; }
  DuiLib::CButtonUI* PauseButton() const { return pause_; }
  DuiLib::CProgressUI* DownloadProgress() const { return progress_; }
  DuiLib::CButtonUI* FolderButton() const { return folder_; }
  DuiLib::CLabelUI* SpeedLabel() const { return speed_; }
  DuiLib::CLabelUI* SizeLabel() const { return size_; }
  DuiLib::CLabelUI* PercentLabel() const { return percent_; }
  // Null until the backup section is added.
  DuiLib::CProgressUI* BackupProgress() const { return backupProgress_; }
  DuiLib::CButtonUI* BackupFolderButton() const { return backupFolder_; }
  DuiLib::CLabelUI* BackupPercentLabel() const { return backupPercent_; }

 private:
  DuiLib::CLabelUI* name_;
  DuiLib::CButtonUI* pause_;
  DuiLib::CProgressUI* progress_;
  DuiLib::CButtonUI* folder_;
  DuiLib::CLabelUI* speed_;
  DuiLib::CLabelUI* size_;
  DuiLib::CLabelUI* percent_;
  DuiLib::CProgressUI* backupProgress_ = nullptr;
  DuiLib::CButtonUI* backupFolder_ = nullptr;
  DuiLib::CLabelUI* backupPercent_ = nullptr;
};
