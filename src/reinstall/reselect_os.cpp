// Another image chosen on the download page, before, during or after its download.

#include <mutex>

#include "app/global_param.h"
#include "download/thunder.h"
#include "reinstall/download_page.h"
#include "reinstall/download_thread.h"
#include "reinstall/reinstall_controller.h"

namespace {

constexpr int32_t kDownloading = 2;
constexpr int32_t kComplete = 3;

}  // namespace

void ReinstallController::ReselectOs() {
  if (downloadPage == nullptr) return;
  OsEntry* chosen = downloadPage->ChooseOtherOs(osList);
  if (chosen == nullptr || chosen == selectedOs) return;
  selectedOs = chosen;
  std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
  param->InsertSelectedImage(chosen->name);
  if (chosen->state == kComplete) param->InsertCompletedImage(chosen->name);

  bool downloadSetUp = false;
  bool peRunning = false;
  bool imageRunning = false;
  {
    std::lock_guard lock(downloadLock);
    downloadSetUp = downloadPe != nullptr || downloadOs != nullptr;
    peRunning = downloadPe != nullptr && downloadPe->state != kComplete;
    imageRunning = downloadOs != nullptr && downloadOs->state == kDownloading;
  }
  if (!downloadSetUp) {
    EnterDownloadStep();
  } else {
    if (chosen->state == kComplete) RevalidateImage(*chosen);
    const bool chosenDone = chosen->state == kComplete;
    if (peRunning && downloadWorker) {
      // The worker fetches the chosen image once the WinPE component is in.
      std::lock_guard lock(downloadLock);
      downloadOs = chosen;
      const int64_t total = peEntry.size + (chosenDone ? 0 : chosen->size);
      downloadWorker->SetByteCounts(total, downloadWorker->DoneBytes());
      downloadPage->SetTaskName(chosenDone ? chosen->name + L"(PE组件)" : chosen->name);
      downloadPage->SetTaskSize(total);
      downloadPage->SetProgressRange(total / 4096);
    } else if (imageRunning && downloadWorker) {
      std::shared_ptr<CThunder> engine = CThunder::Instance();
      std::lock_guard lock(downloadLock);
      OsEntry* previous = downloadOs;
      DownloadTask* previousTask = osTask;
      previous->state = previous->recommended ? 1 : 0;
      engine->StopTask(previousTask);
      downloadOs = chosen;
      osTask = nullptr;
      downloadWorker->SetByteCounts(chosen->size, 0);
      if (!chosenDone) {
        downloadPage->SetProgressRange(chosen->size / 4096);
        downloadPage->SetProgressValue(0);
        downloadPage->SetTaskName(chosen->name);
        downloadPage->SetTaskSize(chosen->size);
        downloadPage->SetSpeed(0);
        osTask = engine->CreateTask(chosen->fileName, param->imageDir, chosen->url);
        engine->StartTask(osTask);
        chosen->state = kDownloading;
      } else {
        downloadPage->SetPercent(100);
      }
      // Parked, so that choosing it again resumes it.
      if (previousTask != nullptr) engine->RemoveTask(previousTask);
    } else {
      // The download is over (complete or failed): the step starts anew for the chosen image.
      downloadWorker.reset();
      {
        std::lock_guard lock(downloadLock);
        std::shared_ptr<CThunder> engine = CThunder::Instance();
        if (peTask != nullptr) engine->RemoveTask(peTask);
        if (osTask != nullptr) engine->RemoveTask(osTask);
        downloadPe = nullptr;
        peTask = nullptr;
        downloadOs = nullptr;
        osTask = nullptr;
      }
      EnterDownloadStep();
    }
  }
  if (downloadWorker) {
    downloadWorker->SetPause(false);
    downloadPage->ShowPaused(false);
  }
}
