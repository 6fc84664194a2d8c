#include "reinstall/download_thread.h"

#include <algorithm>
#include <mutex>

#include "app/global_param.h"
#include "app/log.h"
#include "catalogue/image_verification.h"
#include "catalogue/pe_descriptor.h"
#include "download/thunder.h"
#include "platform/platform.h"
#include "reinstall/download_page.h"
#include "reinstall/reinstall_controller.h"
#include "stats/fixed_points.h"

namespace {

constexpr std::chrono::milliseconds kStopWait{350};
constexpr int32_t kComplete = 3;
constexpr int32_t kEngineComplete = 4;
const wchar_t kPeImageName[] = L"pe组件";

}  // namespace

CDownloadThread::CDownloadThread(ReinstallController& controller)
    : controller_(controller), polling_(controller.downloadPolling), engine_(CThunder::Instance()) {}

CDownloadThread::~CDownloadThread() {
  RequestStop();
  StopThread(kStopWait);
  {
    std::lock_guard lock(controller_.downloadLock);
    if (controller_.peTask != nullptr) engine_->DeleteTask(controller_.peTask);
    if (controller_.osTask != nullptr) {
      bool complete = controller_.downloadOs != nullptr && controller_.downloadOs->state == kComplete;
      if (complete) {
        engine_->DeleteTask(controller_.osTask);
      } else {
        engine_->RemoveTask(controller_.osTask);
      }
    }
    controller_.peTask = nullptr;
    controller_.osTask = nullptr;
  }
  if (averageSpeed_ == 0) ComputeAverageSpeed();
  if (averageSpeed_ != 0) CGlobalParam::Instance()->AppendDownloadSpeed(averageSpeed_);
}

IDownloadPage* CDownloadThread::page() const { return controller_.downloadPage; }

void CDownloadThread::SetByteCounts(int64_t totalBytes, int64_t doneBytes) {
  totalBytes_ = totalBytes;
  doneBytes_ = doneBytes;
}

void CDownloadThread::ComputeAverageSpeed() { averageSpeed_ = speedSum_ / std::max(samples_, 1); }

void CDownloadThread::Run() {
  percent_ = 0;
  speedSum_ = 0;
  samples_ = 0;
  {
    std::lock_guard lock(controller_.downloadLock);
    if (controller_.downloadPe != nullptr && controller_.downloadPe->state != kComplete) {
      totalBytes_ += controller_.downloadPe->size;
    }
    if (controller_.downloadOs != nullptr && controller_.downloadOs->state != kComplete) {
      totalBytes_ += controller_.downloadOs->size;
    }
  }
  RunPePart();
  bool imageFetched = SleepOrStop(polling_.partGap) && RunImagePart();
  if (StopRequested()) {
    std::lock_guard lock(controller_.downloadLock);
    engine_->StopTask(controller_.peTask);
    engine_->StopTask(controller_.osTask);
    return;
  }
  if (!imageFetched) return;
  {
    std::lock_guard lock(controller_.downloadLock);
    // A part that could not even start leaves the install disabled.
    bool peComplete = controller_.downloadPe == nullptr || controller_.downloadPe->state == kComplete;
    if (!peComplete) {
      LogLine(L"the WinPE component was not downloaded: the install stays disabled");
      return;
    }
  }
  samples_ = std::max(samples_, 1);
  ComputeAverageSpeed();
  LogLine(L"平均速度：" + std::to_wstring(averageSpeed_ / 1024) + L"KB/s");
  percent_ = 100;
  controller_.DownloadsComplete();
}

void CDownloadThread::RunPePart() {
  PeEntry* pe = nullptr;
  {
    std::lock_guard lock(controller_.downloadLock);
    pe = controller_.downloadPe;
    if (pe == nullptr || pe->state == kComplete) return;
    CGlobalParam::Instance()->InsertSelectedImage(kPeImageName);
    std::wstring why;
    controller_.peTask = StartEngineTask(*engine_, pe->fileName, CGlobalParam::Instance()->peDir, pe->url, why);
    if (controller_.peTask == nullptr) {
      if (page() != nullptr) page()->ShowDownloadFailed(L"the WinPE component: " + why);
      return;
    }
    pe->state = 2;
  }
  if (Poll(Part::Pe, nullptr) != PollEnd::Complete) return;
  std::lock_guard lock(controller_.downloadLock);
  if (controller_.peTask->stopTime == 0) engine_->StampFinish(controller_.peTask);
  doneBytes_ = pe->size;
  pe->state = kComplete;
  pe->fileName = engine_->GetEngineFileName(controller_.peTask);
  SavePeDescriptor(*pe);
  controller_.postPoint(std::make_unique<FixedPE>());
  CGlobalParam::Instance()->InsertCompletedImage(kPeImageName);
}

bool CDownloadThread::StartImageTask() {
  OsEntry& entry = *controller_.downloadOs;
  std::wstring why;
  controller_.osTask = StartEngineTask(*engine_, entry.fileName, CGlobalParam::Instance()->imageDir, entry.url, why);
  if (controller_.osTask != nullptr) return true;
  if (page() != nullptr) page()->ShowDownloadFailed(entry.name + L": " + why);
  return false;
}

bool CDownloadThread::RunImagePart() {
  {
    std::lock_guard lock(controller_.downloadLock);
    OsEntry* entry = controller_.downloadOs;
    if (entry == nullptr || entry->state == kComplete) return true;
    if (!StartImageTask()) return false;
    entry->state = 2;
  }
  const OsEntry* lastChecked = nullptr;
  int mismatches = 0;
  for (;;) {
    OsEntry* finished = nullptr;
    PollEnd end = Poll(Part::Image, &finished);
    if (end != PollEnd::Complete) return end == PollEnd::SwitchedToComplete;

    std::wstring path;
    {
      std::lock_guard lock(controller_.downloadLock);
      if (controller_.downloadOs != finished) continue;  // another image was chosen meanwhile
      if (controller_.osTask->stopTime == 0) engine_->StampFinish(controller_.osTask);
      path = CGlobalParam::Instance()->imageDir + engine_->GetEngineFileName(controller_.osTask);
    }
    // Reading a multi-gigabyte image takes a while: the lock stays free meanwhile.
    if (HasImageChecksum(*finished) && page() != nullptr) page()->ShowVerifying(finished->name);
    ImageVerdict verdict = VerifyImageFile(*finished, path);

    std::lock_guard lock(controller_.downloadLock);
    if (controller_.downloadOs != finished) continue;
    if (verdict.matches) {
      finished->localPath = path;
      doneBytes_ += finished->size;
      finished->state = kComplete;
      CGlobalParam::Instance()->InsertCompletedImage(finished->name);
      return true;
    }
    if (lastChecked != finished) {
      lastChecked = finished;
      mismatches = 0;
    }
    std::wstring reason = ChecksumMismatchText(*finished, path, verdict);
    LogLine(reason);
    // The damaged file goes with its task, so that the next task starts from zero.
    engine_->DeleteTask(controller_.osTask);
    controller_.osTask = nullptr;
    platform::Current().files().RemoveFile(path);
    if (++mismatches == 2) {
      finished->state = finished->recommended ? 1 : 0;
      if (page() != nullptr) page()->ShowDownloadFailed(reason);
      return false;
    }
    if (!StartImageTask()) {
      finished->state = finished->recommended ? 1 : 0;
      return false;
    }
  }
}

CDownloadThread::PollEnd CDownloadThread::Poll(Part part, OsEntry** finished) {
  StallCounter stall(polling_);
  int refresh = 0;
  for (;;) {
    if (!SleepOrStop(polling_.interval)) return PollEnd::Stopped;
    std::lock_guard lock(controller_.downloadLock);
    if (part == Part::Image && controller_.downloadOs->state == kComplete) return PollEnd::SwitchedToComplete;
    DownloadTask*& task = part == Part::Pe ? controller_.peTask : controller_.osTask;
    TaskProgress progress;
    if (!engine_->QueryProgress(task, &progress)) progress = TaskProgress{};  // counts as silent
    int64_t done = (part == Part::Pe ? 0 : doneBytes_) + progress.downloaded;
    if (page() != nullptr) page()->SetProgressValue(done / 4096);
    if (refresh == 0) {
      if (page() != nullptr) page()->SetSpeed(progress.speed);
      if (totalBytes_ > 0) {
        percent_ = static_cast<float>(static_cast<double>(done) * 100 / static_cast<double>(totalBytes_));
        if (percent_ >= 0 && percent_ <= 100 && page() != nullptr) page()->SetPercent(percent_);
      }
    }
    refresh = (refresh + 1) % polling_.refreshPolls;
    if (progress.state == kEngineComplete) {
      if (finished != nullptr) *finished = controller_.downloadOs;
      return PollEnd::Complete;
    }

    switch (stall.Observe(paused_ || progress.speed != 0)) {
      case StallCounter::Action::None:
        break;
      case StallCounter::Action::Restart:
        LogStallAction(L"重启下载任务：", task != nullptr ? task->url : std::wstring());
        engine_->StopTask(task);
        engine_->StartTask(task);
        break;
      case StallCounter::Action::Rebuild: {
        const std::wstring url = part == Part::Pe ? controller_.downloadPe->url : controller_.downloadOs->url;
        LogStallAction(L"长时间没有下载速度，重建任务：", url);
        engine_->DeleteTask(task);
        if (part == Part::Pe) {
          task = engine_->CreateTask(controller_.downloadPe->fileName, CGlobalParam::Instance()->peDir, url);
        } else {
          task = engine_->CreateTask(controller_.downloadOs->fileName, CGlobalParam::Instance()->imageDir, url);
        }
        engine_->StartTask(task);
        break;
      }
    }
    if (!paused_ && progress.speed != 0) {
      speedSum_ += progress.speed;
      ++samples_;
    }
  }
}

void CDownloadThread::SetPause(bool pause) {
  std::lock_guard lock(controller_.downloadLock);
  bool imagePending = controller_.downloadOs != nullptr && controller_.downloadOs->state != kComplete &&
                      controller_.osTask != nullptr;
  bool pePending = controller_.downloadPe != nullptr && controller_.downloadPe->state != kComplete &&
                   controller_.peTask != nullptr;
  if (pause) {
    if (imagePending) engine_->StopTask(controller_.osTask);
    if (pePending) engine_->StopTask(controller_.peTask);
  } else if (imagePending) {
    engine_->StartTask(controller_.osTask);
  } else if (pePending) {
    engine_->StartTask(controller_.peTask);
  }
  paused_ = pause;
}
