// Step 2 of the wizard: the backup of the user's folders before the system volume is
// overwritten.

#include <mutex>

#include "app/contains_no_case.h"
#include "app/file_tree.h"
#include "app/log.h"
#include "platform/platform.h"
#include "reinstall/backup_dir.h"
#include "reinstall/backup_page.h"
#include "reinstall/backup_thread.h"
#include "reinstall/download_page.h"
#include "reinstall/pe_handoff.h"
#include "reinstall/pe_presence.h"
#include "reinstall/reinstall_controller.h"

namespace {

// The source folders of the ticked items, in the order they are listed. "Tencent Files"
// lies in the documents folder: with the documents ticked it is copied with them.
std::vector<std::wstring> SourceFoldersOf(uint32_t items) {
  platform::System& system = platform::Current().system();
  std::vector<std::wstring> folders;
  auto add = [&](int csidl, const wchar_t* below) {
    std::optional<std::wstring> folder = system.SpecialFolderPath(csidl);
    if (!folder) {
      LogLine(L"backup: the system names no special folder " + std::to_wstring(csidl) + L": nothing to copy");
      return;
    }
    folders.push_back(*folder + below);
  };
  using C = ReinstallController;
  if (items & C::kBackupDesktop) add(platform::kCsidlDesktop, L"");
  if (items & C::kBackupDocuments) add(platform::kCsidlPersonal, L"");
  if ((items & C::kBackupQQ) && !(items & C::kBackupDocuments)) add(platform::kCsidlPersonal, L"\\Tencent Files");
  if (items & C::kBackupFavorites) add(platform::kCsidlFavorites, L"");
  return folders;
}

}  // namespace

bool ReinstallController::StartBackup(uint32_t items) {
  if (items == 0) return true;  // nothing to copy, nothing to wait for
  backupWorker.reset();         // a backup still running stops before its lists change
  UpdateInstallButton([&] {
    backupIdle = false;
    lastBackupComplete_ = true;
  });
  auto refuse = [&](const std::wstring& message) {
    LogLine(L"backup not started: " + message);
    if (backupPage != nullptr) backupPage->ShowBackupRefused(message);
    UpdateInstallButton([&] { backupIdle = true; });
    return false;
  };

  const std::wstring dir = GetBackupDir();
  if (dir.empty()) return refuse(L"请先选择备份路径！");
  const std::vector<std::wstring> folders = SourceFoldersOf(items);
  for (const std::wstring& folder : folders) {
    // Into the folder itself, below it, or onto its own files when the backup folder is
    // the folder's parent.
    if (PathWithin(BackupTargetOf(folder, folder, dir), folder)) {
      return refuse(L"备份路径" + dir + L"与要备份的文件夹" + folder + L"重叠，请另选备份路径！");
    }
  }

  backupFiles.clear();
  int64_t total = 0;
  for (const std::wstring& folder : folders) {
    std::vector<std::wstring> files;
    CollectFiles(folder, files, total);
    backupFiles[folder] = std::move(files);
  }

  // The downloads land on the program's volume: that is the one measured.
  const std::wstring programRoot = ProgramRoot();
  const int64_t free = ProgramVolumeFreeBytes();
  int64_t need = total;
  if (EqualsNoCase(dir.substr(0, 3), programRoot)) {
    if (selectedOs != nullptr) need += selectedOs->size;
    if (!IsPeComponentPresent(peEntry)) need += peEntry.size;
  }
  if (need > free) {
    LogLine(L"backup not started: " + std::to_wstring(need) + L" bytes needed, " + std::to_wstring(free) +
            L" free on " + programRoot);
    if (backupPage != nullptr) backupPage->ShowSpaceShortage(need - free);
    UpdateInstallButton([&] { backupIdle = true; });
    return false;
  }

  if (downloadPage != nullptr) downloadPage->AddBackupSection(dir);
  backupWorker = std::make_unique<CBackupThread>(*this, items);
  backupWorker->Start();
  UpdateInstallButton();
  return true;
}

std::wstring ReinstallController::GetBackupDir() const {
  std::lock_guard lock(backupDirLock_);
  return backupDir;
}

void ReinstallController::SetBackupDir(const std::wstring& folder) {
  std::lock_guard lock(backupDirLock_);
  backupDir = folder;
}

void ReinstallController::BackupFinished(bool complete, const std::wstring& failures) {
  // After an incomplete backup the user reads what was not copied before anything installs.
  UpdateInstallButton(
      [&] {
        backupIdle = true;
        lastBackupComplete_ = complete;
      },
      true);
  WriteBackupPathHandoff(GetBackupDir());
  if (downloadPage != nullptr) downloadPage->ShowBackupResult(complete, failures);
}
