#include "reinstall/backup_thread.h"

#include "app/directory_tree.h"
#include "app/log.h"
#include "platform/platform.h"
#include "reinstall/download_page.h"
#include "reinstall/reinstall_controller.h"

namespace {

std::wstring WithoutBackslashes(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

}  // namespace

std::wstring BackupTargetOf(const std::wstring& file, const std::wstring& sourceFolder, const std::wstring& backupDir) {
  const std::wstring source = WithoutBackslashes(sourceFolder);
  const size_t slash = source.rfind(L'\\');
  const size_t parentLength = slash == std::wstring::npos ? 0 : slash;
  std::wstring rest = file.substr(parentLength);  // "\\Desktop\\x\\y.txt"
  if (rest.empty() || rest.front() != L'\\') rest.insert(0, 1, L'\\');
  return WithoutBackslashes(backupDir) + rest;
}

CBackupThread::CBackupThread(ReinstallController& controller, uint32_t items)
    : items(items), controller(&controller) {}

CBackupThread::~CBackupThread() {
  stop = true;
  StopThread(kStopWait);
}

void CBackupThread::Run() {
  if (items == 0) return;
  stop = false;
  platform::Files& files = platform::Current().files();
  IDownloadPage* page = controller->downloadPage;
  const std::wstring backupDir = controller->GetBackupDir();

  int64_t count = 0;
  for (const auto& [folder, list] : controller->backupFiles) count += static_cast<int64_t>(list.size());
  if (page != nullptr) {
    page->SetBackupRange(count);
    page->SetBackupValue(0);
  }

  int64_t done = 0;
  std::wstring failures;  // one line a file that was not copied
  std::wstring createdFolder;
  const platform::CopyProgress goOn = [this](int64_t, int64_t) { return !stop; };
  for (const auto& [folder, list] : controller->backupFiles) {
    for (const std::wstring& file : list) {
      if (stop) break;
      const std::wstring target = BackupTargetOf(file, folder, backupDir);
      if (page != nullptr) page->SetBackupValue(done);
      ++done;
      const std::wstring targetFolder = target.substr(0, target.rfind(L'\\'));
      if (targetFolder != createdFolder) {
        CreateDirectoryTree(targetFolder);
        createdFolder = targetFolder;
      }
      const uint32_t error = files.CopyFileEx(file, target, goOn);
      if (error == platform::kErrorSuccess || (error == platform::kErrorRequestAborted && stop)) continue;
      LogLine(L"backup: cannot copy " + file + L" to " + target + L": error " + std::to_wstring(error));
      failures += file + L"（错误 " + std::to_wstring(error) + L"）\r\n";
    }
  }
  if (stop) return;
  if (page != nullptr) page->SetBackupValue(done);
  controller->BackupFinished(failures.empty(), failures);
}
