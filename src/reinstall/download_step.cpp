// Step 3 of the wizard: what the controller does around the download worker.

#include <mutex>

#include "app/global_param.h"
#include "app/log.h"
#include "catalogue/image_verification.h"
#include "platform/platform.h"
#include "reinstall/down_os_thread.h"
#include "reinstall/download_page.h"
#include "reinstall/download_thread.h"
#include "reinstall/pe_presence.h"
#include "reinstall/reinstall_controller.h"

namespace {

constexpr int32_t kComplete = 3;

}  // namespace

bool ReinstallController::EnterDownloadStep() {
  if (selectedOs == nullptr) return false;
  downloadWorker.reset();  // a worker of an earlier step parks its task before the fields change
  {
    std::lock_guard lock(downloadLock);
    downloadPe = &peEntry;
    // A component that was complete once but is gone now is fetched again.
    peEntry.state = IsPeComponentPresent(peEntry) ? kComplete : 0;
    downloadOs = selectedOs;
  }
  std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
  param->InsertSelectedImage(selectedOs->name);
  if (selectedOs->state == kComplete) {
    param->InsertCompletedImage(selectedOs->name);
    RevalidateImage(*selectedOs);
  }

  const bool peDone = peEntry.state == kComplete;
  const bool osDone = selectedOs->state == kComplete;
  const int64_t total = (peDone ? 0 : peEntry.size) + (osDone ? 0 : selectedOs->size);
  if (downloadPage != nullptr) {
    IDownloadPage& page = *downloadPage;
    if (peDone && osDone) {
      page.SetPercent(100);
      page.SetTaskSize(selectedOs->size);
      page.SetProgressRange(100);
      page.SetProgressValue(100);
    } else {
      page.SetProgressRange(total / 4096);
      page.SetProgressValue(0);
      page.SetTaskName(osDone ? selectedOs->name + L"(PE组件)" : selectedOs->name);
      page.SetSpeed(0);
      page.SetTaskSize(total);
      page.SetPercent(0);
    }
  }
  if (!peDone || !osDone) StartDownloadWorker();
  UpdateInstallButton([&] { readyToInstall = peDone && osDone; });
  return true;
}

void ReinstallController::StartDownloadWorker() {
  downloadWorker.reset();
  downloadWorker = std::make_unique<CDownloadThread>(*this);
  downloadWorker->Start();
}

void ReinstallController::DownloadsComplete() {
  if (downloadPage != nullptr) {
    downloadPage->SetProgressRange(100);
    downloadPage->SetProgressValue(100);
    downloadPage->SetSpeed(0);
    downloadPage->SetPercent(100);
  }
  UpdateInstallButton([&] { readyToInstall = true; }, true);
}

bool ReinstallController::PauseDownload(bool pause) {
  if (!downloadWorker) return false;
  downloadWorker->SetPause(pause);
  if (downloadPage != nullptr) downloadPage->ShowPaused(pause);
  return true;
}

bool ReinstallController::RevalidateImage(OsEntry& entry) {
  platform::Files& files = platform::Current().files();
  const bool present = !entry.localPath.empty() && files.FileExists(entry.localPath);
  if (present) {
    ImageVerdict verdict = VerifyImageFile(entry, entry.localPath);
    if (verdict.matches) return false;
    // A damaged file would only be resumed into another damaged one: it goes.
    LogLine(ChecksumMismatchText(entry, entry.localPath, verdict));
    files.RemoveFile(entry.localPath);
  }
  entry.state = entry.recommended ? 1 : 0;
  entry.localPath.clear();
  return true;
}

bool ReinstallController::StartImageOnlyDownload(const std::vector<OsEntry*>& list, const std::wstring& folder) {
  if (downOsWorker && downOsWorker->IsRunning()) return false;
  downOsWorker.reset();
  downOsWorker = std::make_unique<CDownOSThread>(list, folder, *this);
  downOsWorker->Start();
  return true;
}
