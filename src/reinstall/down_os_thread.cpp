#include "reinstall/down_os_thread.h"

#include <algorithm>
#include <mutex>

#include "app/global_param.h"
#include "app/log.h"
#include "catalogue/image_verification.h"
#include "download/thunder.h"
#include "platform/platform.h"
#include "reinstall/download_rows.h"
#include "reinstall/reinstall_controller.h"

namespace {

constexpr std::chrono::milliseconds kStopWait{300};
constexpr int32_t kDownloading = 2;
constexpr int32_t kComplete = 3;
constexpr int32_t kEngineComplete = 4;

}  // namespace

CDownOSThread::CDownOSThread(const std::vector<OsEntry*>& entries, const std::wstring& saveDir,
                             ReinstallController& controller)
    : polling_(controller.downloadPolling), saveDir_(saveDir), controller_(controller),
      engine_(CThunder::Instance()) {
  rows_.reserve(entries.size());
  for (OsEntry* entry : entries) rows_.emplace_back(entry, polling_);
}

CDownOSThread::~CDownOSThread() {
  RequestStop();
  StopThread(kStopWait);
  std::lock_guard lock(controller_.downloadLock);
  for (Row& row : rows_) {
    if (!row.ownTask || row.task == nullptr) continue;
    if (row.entry->state == kDownloading) row.entry->state = row.savedState;
    engine_->RemoveTask(row.task);
    row.task = nullptr;
  }
  int64_t average = speedSum_ / std::max(samples_, 1);
  if (average != 0) CGlobalParam::Instance()->AppendDownloadSpeed(average);
}

bool CDownOSThread::StartOwnTask(Row& row, const std::wstring& saveDir) {
  std::wstring why;
  row.task = StartEngineTask(*engine_, row.entry->fileName, saveDir, row.entry->url, why);
  if (row.task != nullptr) return true;
  row.ended = true;
  if (controller_.downloadRows != nullptr) {
    controller_.downloadRows->MarkRowFailed(static_cast<size_t>(&row - rows_.data()), row.entry->name + L": " + why);
  }
  return false;
}

void CDownOSThread::SetUpRow(Row& row) {
  std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
  std::lock_guard lock(controller_.downloadLock);
  row.savedState = row.entry->state;
  param->InsertSelectedImage(row.entry->name);
  if (row.entry->state == kDownloading) {
    row.ownTask = false;  // the reinstall worker fetches it
  } else if (row.entry->state == kComplete) {
    param->InsertCompletedImage(row.entry->name);
    row.ended = true;
  } else if (StartOwnTask(row, saveDir_)) {
    row.entry->state = kDownloading;
  }
}

void CDownOSThread::Run() {
  for (Row& row : rows_) SetUpRow(row);
  int refresh = 0;
  while (SleepOrStop(polling_.interval)) {
    int64_t passSpeed = 0;
    bool downloading = false;
    for (size_t i = 0; i < rows_.size() && !StopRequested(); ++i) {
      downloading = PollRow(i, refresh == 0, passSpeed) || downloading;
    }
    if (StopRequested()) return;
    refresh = (refresh + 1) % polling_.refreshPolls;
    speedSum_ += passSpeed;
    ++samples_;
    if (!downloading) {
      if (controller_.downloadRows != nullptr) controller_.downloadRows->AllDownloadsDone();
      return;
    }
  }
}

void CDownOSThread::ShowProgress(size_t index, const TaskProgress& progress, bool refresh) {
  if (controller_.downloadRows != nullptr) ShowRowProgress(*controller_.downloadRows, index, progress, refresh);
}

bool CDownOSThread::PollRow(size_t index, bool refresh, int64_t& passSpeed) {
  Row& row = rows_[index];
  if (row.ended) return false;
  if (!row.ownTask) return PollWatchedRow(index, refresh, passSpeed);
  if (row.task == nullptr) return false;  // the engine refused it
  TaskProgress progress;
  if (!engine_->QueryProgress(row.task, &progress)) progress = TaskProgress{};
  passSpeed += progress.speed;
  ShowProgress(index, progress, refresh);
  if (progress.state == kEngineComplete) {
    FinishOwnRow(index);
    return !row.ended;
  }
  switch (row.stall.Observe(progress.speed != 0)) {
    case StallCounter::Action::None:
      break;
    case StallCounter::Action::Restart:
      LogStallAction(L"重启任务：", row.entry->url);
      engine_->StopTask(row.task);
      engine_->StartTask(row.task);
      break;
    case StallCounter::Action::Rebuild: {
      LogStallAction(L"长时间没有下载速度，重建任务：", row.entry->url);
      // Deleted, not parked: a parked task would come straight back for the same URL.
      std::wstring folder = row.task->saveDir;
      engine_->DeleteTask(row.task);
      StartOwnTask(row, folder);
      break;
    }
  }
  return true;
}

// The reinstall worker's task: shown while it runs; the reinstall worker completes and
// checks it. When the reinstall drops the image, this worker fetches it itself.
bool CDownOSThread::PollWatchedRow(size_t index, bool refresh, int64_t& passSpeed) {
  Row& row = rows_[index];
  std::lock_guard lock(controller_.downloadLock);
  if (row.entry->state == kComplete) {
    row.ended = true;
    if (controller_.downloadRows != nullptr) controller_.downloadRows->MarkRowComplete(index);
    return false;
  }
  DownloadTask* task = engine_->FindActiveByUrl(row.entry->url);
  if (task == nullptr && row.entry->state != kDownloading) {
    row.ownTask = true;
    row.savedState = row.entry->state;
    if (StartOwnTask(row, saveDir_)) row.entry->state = kDownloading;
    return true;
  }
  TaskProgress progress;
  if (task == nullptr || !engine_->QueryProgress(task, &progress)) progress = TaskProgress{};
  passSpeed += progress.speed;
  ShowProgress(index, progress, refresh);
  return true;
}

void CDownOSThread::FinishOwnRow(size_t index) {
  Row& row = rows_[index];
  if (row.task->stopTime == 0) engine_->StampFinish(row.task);
  const std::wstring path = FinishedFilePath(*engine_, row.task);
  ImageVerdict verdict = VerifyImageFile(*row.entry, path);
  IDownloadRows* rows = controller_.downloadRows;
  std::lock_guard lock(controller_.downloadLock);
  if (verdict.matches) {
    row.entry->localPath = path;
    row.entry->state = kComplete;
    CGlobalParam::Instance()->InsertCompletedImage(row.entry->name);
    row.ended = true;
    if (rows != nullptr) rows->MarkRowComplete(index);
    return;
  }
  std::wstring reason = ChecksumMismatchText(*row.entry, path, verdict);
  LogLine(reason);
  // The damaged file goes with its task, so that the next task starts from zero.
  std::wstring folder = row.task->saveDir;
  engine_->DeleteTask(row.task);
  row.task = nullptr;
  platform::Current().files().RemoveFile(path);
  if (++row.mismatches == 2) {
    row.entry->state = row.savedState;
    row.ended = true;
    if (rows != nullptr) rows->MarkRowFailed(index, reason);
  } else if (!StartOwnTask(row, folder)) {
    row.entry->state = row.savedState;
  }
}
