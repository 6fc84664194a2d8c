#include "reinstall/multi_down_thread.h"

#include <algorithm>

#include "app/global_param.h"
#include "app/log.h"
#include "catalogue/image_verification.h"
#include "catalogue/pe_descriptor.h"
#include "download/thunder.h"
#include "platform/platform.h"
#include "usbmaker/image_queue.h"
#include "reinstall/reinstall_controller.h"
#include "reinstall/usb_download_window.h"
#include "stats/fixed_points.h"

namespace {

constexpr std::chrono::milliseconds kStopWait{300};
constexpr int32_t kDownloading = 2;
constexpr int32_t kComplete = 3;
constexpr int32_t kEngineComplete = 4;
constexpr wchar_t kPeEntryPrefix[] = L"PE组件";
constexpr wchar_t kPeImageName[] = L"pe组件";  // the WinPE component in the image-name sets

bool IsPeComponent(const OsEntry& entry) { return entry.name.rfind(kPeEntryPrefix, 0) == 0; }

}  // namespace

CMultiDownThread::Item::Item(OsEntry* entry, const DownloadPolling& polling)
    : entry(entry), stall(polling), isPe(IsPeComponent(*entry)) {}

CMultiDownThread::CMultiDownThread(ReinstallController& controller, const std::vector<OsEntry*>& entries,
                                   IUsbDownloadWindow& window, IImageQueue& makeQueue)
    : controller_(controller), window_(window), makeQueue_(makeQueue), polling_(controller.downloadPolling),
      engine_(CThunder::Instance()) {
  for (OsEntry* entry : entries) items_.push_back(std::make_unique<Item>(entry, polling_));
}

CMultiDownThread::~CMultiDownThread() {
  RequestStop();
  StopThread(kStopWait);
  {
    std::lock_guard lock(controller_.downloadLock);
    for (auto& item : items_) {
      if (!item->own || item->task == nullptr) continue;
      if (item->entry->state == kDownloading) item->entry->state = item->savedStatus;
      // A WinPE component is never resumed; an image is, from the parked list.
      if (item->isPe) {
        engine_->DeleteTask(item->task);
      } else {
        engine_->RemoveTask(item->task);
      }
      item->task = nullptr;
    }
  }
  const uint64_t average = speedSum_ / static_cast<uint64_t>(std::max(speedSamples_, 1));
  if (average != 0) CGlobalParam::Instance()->AppendDownloadSpeed(static_cast<int64_t>(average));
}

void CMultiDownThread::CancelEntry(const OsEntry* entry) {
  std::lock_guard lock(cancelLock_);
  cancelList_.push_back(entry);
  cancelPending_ = true;
}

bool CMultiDownThread::StartOwnTask(size_t index, const std::wstring& folder) {
  Item& item = *items_[index];
  std::wstring why;
  item.task = StartEngineTask(*engine_, item.entry->fileName, folder, item.entry->url, why);
  if (item.task != nullptr) return true;
  item.finished = true;
  window_.MarkRowFailed(index, item.entry->name + L": " + why);
  return false;
}

bool CMultiDownThread::SetUp(size_t index) {
  Item& item = *items_[index];
  std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
  std::lock_guard lock(controller_.downloadLock);
  OsEntry& entry = *item.entry;
  item.savedStatus = entry.state;
  if (item.isPe) {
    if (engine_->FindActiveByUrl(entry.url) != nullptr) {
      item.own = false;
      return true;
    }
    param->InsertSelectedImage(kPeImageName);
    if (StartOwnTask(index, param->peDir)) entry.state = kDownloading;
    return false;
  }
  param->InsertSelectedImage(entry.name);
  if (entry.state == kDownloading) {
    item.own = false;
    return true;
  }
  if (entry.state == kComplete) {
    param->InsertCompletedImage(entry.name);
    item.finished = true;
  } else if (StartOwnTask(index, param->imageDir)) {
    entry.state = kDownloading;
  }
  return false;
}

void CMultiDownThread::Run() {
  if (items_.empty() || !items_.front()->isPe) window_.PeComponentReady();
  speedSum_ = 0;
  speedSamples_ = 0;
  bool adopted = false;
  for (size_t i = 0; i < items_.size(); ++i) adopted = SetUp(i) || adopted;
  // The reinstall's download must run for an adopted row to move.
  if (adopted) controller_.PauseDownload(false);

  int pass = 0;
  while (SleepOrStop(polling_.interval)) {
    if (cancelPending_) ApplyCancels();
    int64_t passSpeed = 0;
    bool downloading = false;
    const bool refreshTexts = pass == polling_.refreshPolls - 1;
    for (size_t i = 0; i < items_.size() && !StopRequested(); ++i) {
      downloading = PollItem(i, refreshTexts, passSpeed) || downloading;
    }
    QueueFinishedImages();
    speedSum_ += static_cast<uint64_t>(std::max<int64_t>(passSpeed, 0));
    ++speedSamples_;
    pass = (pass + 1) % polling_.refreshPolls;
    if (StopRequested()) return;
    if (!downloading) {
      makeQueue_.EnqueueEnd();
      window_.AllDownloadsDone();
      return;
    }
  }
}

void CMultiDownThread::ApplyCancels() {
  std::vector<const OsEntry*> cancelled;
  {
    std::lock_guard lock(cancelLock_);
    cancelled.swap(cancelList_);
    cancelPending_ = false;
  }
  for (const OsEntry* entry : cancelled) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return item->entry == entry; });
    if (it == items_.end()) continue;
    Item& item = **it;
    if (item.own && item.task != nullptr) {
      std::lock_guard lock(controller_.downloadLock);
      // A completed download stays complete: its file is there.
      if (item.entry->state == kDownloading) item.entry->state = item.savedStatus;
      engine_->RemoveTask(item.task);  // deleted when complete, parked otherwise
    }
    items_.erase(it);
  }
}

bool CMultiDownThread::PollItem(size_t index, bool refreshTexts, int64_t& passSpeed) {
  Item& item = *items_[index];
  if (item.finished) return false;
  if (!item.own) return PollAdopted(index, refreshTexts, passSpeed);
  if (item.task == nullptr) return false;
  TaskProgress progress;
  if (!engine_->QueryProgress(item.task, &progress)) progress = TaskProgress{};  // counts as silent
  passSpeed += progress.speed;
  ShowRowProgress(window_, index, progress, refreshTexts);
  if (progress.state == kEngineComplete) {
    FinishOwn(index);
    return false;
  }
  switch (item.stall.Observe(progress.speed != 0)) {
    case StallCounter::Action::None:
      break;
    case StallCounter::Action::Restart:
      LogStallAction(L"重启任务：", item.entry->fileName);
      engine_->StopTask(item.task);
      engine_->StartTask(item.task);
      break;
    case StallCounter::Action::Rebuild: {
      LogStallAction(L"长时间没有下载速度，重建任务：", item.entry->fileName);
      // Deleted, not parked: a parked task would come straight back for the same URL.
      const std::wstring folder = item.task->saveDir;
      engine_->DeleteTask(item.task);
      item.task = nullptr;
      return StartOwnTask(index, folder);
    }
  }
  return true;
}

bool CMultiDownThread::PollAdopted(size_t index, bool refreshTexts, int64_t& passSpeed) {
  Item& item = *items_[index];
  OsEntry& entry = *item.entry;
  bool peReady = false;
  {
    std::lock_guard lock(controller_.downloadLock);
    // The reinstall completes (and checks) what it fetches: its entry says when it is in.
    const bool complete = item.isPe ? controller_.peEntry.state == kComplete : entry.state == kComplete;
    if (complete) {
      const std::wstring path = item.isPe ? CGlobalParam::Instance()->peDir + controller_.peEntry.fileName
                                          : entry.localPath;
      MarkComplete(index, path);
      peReady = item.isPe;
    } else if (DownloadTask* task = engine_->FindActiveByUrl(entry.url)) {
      TaskProgress progress;
      if (!engine_->QueryProgress(task, &progress)) progress = TaskProgress{};
      passSpeed += progress.speed;
      ShowRowProgress(window_, index, progress, refreshTexts);
    } else {
      // The reinstall let it go unfinished (another image, the step left): fetched here.
      item.own = true;
      item.savedStatus = entry.state;
      std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
      if (item.isPe) param->InsertSelectedImage(kPeImageName);
      if (StartOwnTask(index, item.isPe ? param->peDir : param->imageDir)) entry.state = kDownloading;
    }
  }
  if (peReady) window_.PeComponentReady();
  return !item.finished;
}

void CMultiDownThread::FinishOwn(size_t index) {
  Item& item = *items_[index];
  if (item.task->stopTime == 0) engine_->StampFinish(item.task);
  const std::wstring path = FinishedFilePath(*engine_, item.task);
  std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
  if (item.isPe) {
    {
      std::lock_guard lock(controller_.downloadLock);
      controller_.peEntry.fileName = engine_->GetEngineFileName(item.task);
      SavePeDescriptor(controller_.peEntry);
      MarkComplete(index, path);
    }
    controller_.postPoint(std::make_unique<FixedPE>());
    param->InsertCompletedImage(kPeImageName);
    window_.PeComponentReady();
    return;
  }
  // A damaged image must not reach the disk; its file and task go, so that a later
  // download starts from zero.
  ImageVerdict verdict = VerifyImageFile(*item.entry, path);
  std::lock_guard lock(controller_.downloadLock);
  if (verdict.matches) {
    param->InsertCompletedImage(item.entry->name);
    MarkComplete(index, path);
    return;
  }
  const std::wstring reason = ChecksumMismatchText(*item.entry, path, verdict);
  LogLine(reason);
  engine_->DeleteTask(item.task);
  item.task = nullptr;
  platform::Current().files().RemoveFile(path);
  item.entry->state = item.savedStatus;
  item.finished = true;
  window_.MarkRowFailed(index, reason);
}

void CMultiDownThread::MarkComplete(size_t index, const std::wstring& path) {
  Item& item = *items_[index];
  item.entry->state = kComplete;
  item.entry->localPath = path;
  item.finished = true;
  window_.MarkRowComplete(index);
}

void CMultiDownThread::QueueFinishedImages() {
  for (auto& item : items_) {
    // The make puts the WinPE component on the disk itself; only images are copied.
    if (item->isPe || item->queued) continue;
    bool complete = false;
    std::wstring path;
    {
      std::lock_guard lock(controller_.downloadLock);
      complete = item->entry->state == kComplete;
      path = item->entry->localPath;
    }
    if (complete) item->queued = makeQueue_.Enqueue(path);
  }
}
