#include "download/thunder.h"

#include "app/global_param.h"
#include "app/log.h"
#include "app/text_helpers.h"
#include "download/task_list_file.h"
#include "download/xl_records.h"

namespace {

constexpr size_t kParkedLimit = 3;
constexpr auto kStopPollInterval = std::chrono::milliseconds(10);

std::shared_ptr<CThunder>& Singleton() {
  static std::shared_ptr<CThunder> instance;
  return instance;
}

std::mutex& SingletonLock() {
  static std::mutex lock;
  return lock;
}

bool IsStoppedState(int32_t state) {
  return state == kXlStateFailed || state == kXlStateStopped || state == kXlStateComplete;
}

}  // namespace

std::shared_ptr<CThunder> CThunder::Instance() {
  std::lock_guard guard(SingletonLock());
  auto& instance = Singleton();
  if (!instance) instance = std::make_shared<CThunder>();
  return instance;
}

void CThunder::Release() {
  std::shared_ptr<CThunder> last;
  {
    std::lock_guard guard(SingletonLock());
    last.swap(Singleton());
  }
}

CThunder::CThunder() {
  platform::Platform& os = platform::Current();
  library_ = os.modules().LoadLibrary(L"xldl.dll");
  if (!library_) {
    os.messageBoxes().Show(L"找不到 xldl.dll 下载组件，请重新安装软件！", L"缺少组件",
                           platform::kMbOk | platform::kMbIconError);
    os.system().ExitProcess(-1);
  }
  xl_ = BindEntryPoints(os.modules(), *library_);
  if (xl_.init != nullptr) {
    xl_.init();
    initialised_ = true;
  }
}

CThunder::~CThunder() {
  std::lock_guard guard(lock_);
  for (auto& task : active_) {
    if (task->state == kTaskRunning && xl_.stopTask != nullptr) StopAndWait(*task);
    if (xl_.deleteTask != nullptr) xl_.deleteTask(task->handle);
  }
  for (auto& task : parked_) {
    if (xl_.deleteTask != nullptr) xl_.deleteTask(task->handle);
  }
  active_.clear();
  parked_.clear();
  if (xl_.unInit != nullptr) xl_.unInit();
  platform::Current().modules().FreeLibrary(*library_);
}

bool CThunder::FindIn(const TaskList& list, const std::wstring& url) {
  for (const auto& task : list) {
    if (task->url == url) return true;
  }
  return false;
}

CThunder::TaskList::iterator CThunder::FindIn(TaskList& list, const DownloadTask* task) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->get() == task) return it;
  }
  return list.end();
}

bool CThunder::IsKnown(const DownloadTask* task) {
  return task != nullptr && (FindIn(active_, task) != active_.end() || FindIn(parked_, task) != parked_.end());
}

int64_t CThunder::Now() const { return platform::Current().system().CurrentTime(); }

std::wstring CThunder::TaskListPath() const { return CGlobalParam::Instance()->cacheDir + L"downlist.json"; }

std::wstring CThunder::TaskListLockPath() const { return TaskListPath() + L".lock"; }

std::optional<XlTaskInfo> CThunder::Query(const DownloadTask& task) {
  if (xl_.queryTaskInfoEx == nullptr) return std::nullopt;
  XlTaskInfo info;
  PresetTaskInfo(info);
  if (xl_.queryTaskInfoEx(task.handle, &info) == 0) return std::nullopt;
  return info;
}

float CThunder::StopAndWait(const DownloadTask& task) {
  xl_.stopTask(task.handle);
  auto deadline = stopWaitClock_->Now() + kStopWaitLimit;
  XlTaskInfo info;
  for (;;) {
    PresetTaskInfo(info);  // a query that fills nothing leaves the preset stopped state
    if (xl_.queryTaskInfoEx != nullptr) xl_.queryTaskInfoEx(task.handle, &info);
    if (IsStoppedState(info.state)) break;
    if (stopWaitClock_->Now() >= deadline) {
      LogLine(WideToLocal(L"下载任务停止超时，按已停止处理：" + task.url));
      break;
    }
    stopWaitClock_->Sleep(kStopPollInterval);
  }
  return info.fraction;
}

void CThunder::SetStopWaitClock(WaitClock& clock) {
  std::lock_guard guard(lock_);
  stopWaitClock_ = &clock;
}

DownloadTask* CThunder::CreateTask(const std::wstring& fileName, const std::wstring& saveDir,
                                   const std::wstring& url) {
  std::lock_guard guard(lock_);
  for (auto it = parked_.begin(); it != parked_.end(); ++it) {
    if ((*it)->url == url) {
      // The engine task from before is reused, with its own file name and folder.
      (*it)->elapsed = 0;
      DownloadTask* task = it->get();
      active_.push_back(std::move(*it));
      parked_.erase(it);
      SaveTaskList();
      return task;
    }
  }
  if (xl_.createTask == nullptr) return nullptr;
  auto task = std::make_unique<DownloadTask>();
  task->fileName = fileName;
  task->saveDir = saveDir;
  task->url = url;
  XlTaskParam param;
  if (!FillTaskParam(param, url, fileName, saveDir)) return nullptr;
  task->handle = xl_.createTask(&param);
  if (task->handle == 0) return nullptr;
  active_.push_back(std::move(task));
  return active_.back().get();
}

bool CThunder::StartTask(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (task == nullptr || FindIn(active_, task) == active_.end()) return false;
  if (task->state == kTaskRunning) return true;
  task->startTime = Now();
  task->stopTime = 0;
  if (xl_.startTask == nullptr) return false;
  bool started = xl_.startTask(task->handle) != 0;
  if (started) task->state = kTaskRunning;
  return started;
}

bool CThunder::StopTask(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (task == nullptr || FindIn(active_, task) == active_.end() || task->state == kTaskStopped) return true;
  if (xl_.stopTask == nullptr) return false;
  task->fraction = StopAndWait(*task);
  task->state = kTaskStopped;
  task->elapsed += Now() - task->startTime;
  return true;
}

bool CThunder::QueryProgress(DownloadTask* task, TaskProgress* progress) {
  std::lock_guard guard(lock_);
  if (progress == nullptr || !IsKnown(task)) return false;
  auto info = Query(*task);
  if (!info) return false;
  progress->downloaded = info->downloadedSize;
  progress->total = info->totalSize;
  progress->speed = info->speed;
  progress->state = info->state;
  progress->fraction = info->fraction;
  task->fraction = info->fraction;
  return true;
}

std::wstring CThunder::GetEngineFileName(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (!IsKnown(task)) return {};
  auto info = Query(*task);
  return info ? InfoFileName(*info) : std::wstring();
}

void CThunder::StampFinish(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (!IsKnown(task)) return;
  task->stopTime = Now();
  task->elapsed += task->stopTime - task->startTime;
}

bool CThunder::DeleteTask(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (task == nullptr) return false;
  TaskList* list = &active_;
  auto it = FindIn(active_, task);
  if (it == active_.end()) {
    list = &parked_;
    it = FindIn(parked_, task);
    if (it == parked_.end()) return false;
  }
  if (task->state == kTaskRunning && xl_.stopTask != nullptr) {
    StopAndWait(*task);
    task->state = kTaskStopped;
  }
  if (xl_.deleteTask == nullptr || xl_.deleteTask(task->handle) == 0) return false;
  list->erase(it);
  if (list == &parked_) SaveTaskList();  // the file must not name a task that is gone
  return true;
}

bool CThunder::RemoveTask(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (task == nullptr) return false;
  if (task->fraction == 1.0f) return DeleteTask(task);
  auto it = FindIn(active_, task);
  if (it == active_.end()) return false;
  StopTask(task);
  std::unique_ptr<DownloadTask> owned = std::move(*it);
  active_.erase(it);
  ParkTask(std::move(owned));
  return false;
}

void CThunder::ParkTask(std::unique_ptr<DownloadTask> task) {
  parked_.push_front(std::move(task));
  if (parked_.size() > kParkedLimit) {
    std::unique_ptr<DownloadTask> oldest = std::move(parked_.back());
    parked_.pop_back();
    DropTask(std::move(oldest), true);
  }
  SaveTaskList();
}

void CThunder::DropTask(std::unique_ptr<DownloadTask> task, bool deleteTemporaryData) {
  if (deleteTemporaryData) {
    auto info = Query(*task);
    XlTaskParam param;
    if (info && xl_.delTempFile != nullptr && FillTaskParam(param, L"", InfoFileName(*info), task->saveDir)) {
      xl_.delTempFile(&param);
    }
  }
  if (xl_.deleteTask != nullptr) xl_.deleteTask(task->handle);
}

CThunder::EngineFailure CThunder::FailureOf(DownloadTask* task) {
  std::lock_guard guard(lock_);
  if (task != nullptr && !IsKnown(task)) return {};
  // Looked up when first needed, so that binding at start stays the XL_ names alone.
  auto getError = reinterpret_cast<XldlGetTaskErrorFn>(
      platform::Current().modules().GetProcAddress(*library_, "XLDL_GetTaskError"));
  if (getError == nullptr) return {};
  char16_t text[1024] = {};
  int32_t kind = getError(task != nullptr ? task->handle : 0, text, static_cast<int32_t>(std::size(text)));
  return {kind == kXldlPermanent, FromUtf16(text)};
}

DownloadTask* CThunder::FindActiveByUrl(const std::wstring& url) {
  std::lock_guard guard(lock_);
  for (auto& task : active_) {
    if (task->url == url) return task.get();
  }
  return nullptr;
}

DownloadTask* CThunder::FindParkedByUrl(const std::wstring& url) {
  std::lock_guard guard(lock_);
  for (auto& task : parked_) {
    if (task->url == url) return task.get();
  }
  return nullptr;
}

size_t CThunder::ActiveCount() const {
  std::lock_guard guard(lock_);
  return active_.size();
}

size_t CThunder::ParkedCount() const {
  std::lock_guard guard(lock_);
  return parked_.size();
}

void CThunder::SaveTaskList() {
  std::lock_guard guard(lock_);
  std::vector<ParkedEntry> entries;
  for (const auto& task : parked_) entries.push_back({task->fileName, task->saveDir, task->url, task->fraction});
  // Another process on the machine may have parked tasks since this one last read the
  // file: their entries are kept, after this process's own, and the lock keeps the two
  // from writing at once.
  platform::Files& files = platform::Current().files();
  auto held = files.LockFile(TaskListLockPath());
  if (auto text = files.ReadFile(TaskListPath())) {
    for (ParkedEntry& entry : ReadTaskList(*text)) {
      bool ours = ownUrls_.count(entry.url) != 0 || FindIn(active_, entry.url) || FindIn(parked_, entry.url);
      if (!ours) entries.push_back(std::move(entry));
    }
  }
  for (const auto& task : parked_) ownUrls_.insert(task->url);
  files.WriteFile(TaskListPath(), WriteTaskList(entries));
}

void CThunder::LoadTaskList() {
  std::lock_guard guard(lock_);
  platform::Files& files = platform::Current().files();
  auto held = files.LockFile(TaskListLockPath());  // never half of another process's write
  auto text = files.ReadFile(TaskListPath());
  if (!text) return;
  std::string error;
  std::vector<ParkedEntry> entries = ReadTaskList(*text, &error);
  if (!error.empty()) {
    // The program rewrites this file itself: a bad copy must not block every later start.
    std::wstring aside = TaskListPath() + L".bad";
    files.WriteFile(aside, *text);
    LogLine(WideToLocal(L"下载列表无法读取，按没有暂停的任务处理，原文件另存为 " + aside + L"：") + error);
    return;
  }
  for (const ParkedEntry& entry : entries) ownUrls_.insert(entry.url);
  for (const ParkedEntry& entry : entries) {
    XlTaskParam param;
    if (xl_.createTask == nullptr || !FillTaskParam(param, entry.url, entry.fileName, entry.saveDir)) return;
    uint32_t handle = xl_.createTask(&param);
    if (handle == 0) return;
    auto task = std::make_unique<DownloadTask>();
    task->fileName = entry.fileName;
    task->saveDir = entry.saveDir;
    task->url = entry.url;
    task->fraction = entry.fraction;
    task->handle = handle;
    parked_.push_back(std::move(task));
  }
}
