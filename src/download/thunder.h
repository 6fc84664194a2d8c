#pragma once
// CThunder: the one owner of download tasks. It binds the download library, keeps the
// tasks in use (the active list) and up to three interrupted ones (the parked list), and
// persists the parked list in downlist.json so that an interrupted download resumes from
// its partial data when its URL is asked for again, also after a restart.
//
// Every operation takes one lock: the download workers and the UI thread call it at once.

#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/wait_clock.h"
#include "download/download_task.h"
#include "download/xl_binding.h"
#include "platform/platform.h"

class CThunder {
 public:
  // The singleton, built on first use: binds and initialises the library. Without the
  // library it shows the system message box and ends the process with -1.
  static std::shared_ptr<CThunder> Instance();
  // Drops the singleton's own reference (at exit; tests, to start a fresh engine).
  static void Release();

  CThunder();
  ~CThunder();  // stops and deletes every task in the library, keeping partial data
  CThunder(const CThunder&) = delete;
  CThunder& operator=(const CThunder&) = delete;

  DownloadTask* CreateTask(const std::wstring& fileName, const std::wstring& saveDir, const std::wstring& url);
  bool StartTask(DownloadTask* task);
  bool StopTask(DownloadTask* task);
  bool QueryProgress(DownloadTask* task, TaskProgress* progress);
  std::wstring GetEngineFileName(DownloadTask* task);
  void StampFinish(DownloadTask* task);
  bool DeleteTask(DownloadTask* task);
  // Takes a task out of use: deletes it when complete (true), parks it otherwise (false).
  bool RemoveTask(DownloadTask* task);
  DownloadTask* FindActiveByUrl(const std::wstring& url);
  DownloadTask* FindParkedByUrl(const std::wstring& url);
  size_t ActiveCount() const;
  size_t ParkedCount() const;
  bool IsInitialised() const { return initialised_; }

  // Why the library failed or refused a task, through its own error entry point (the
  // XL_ records cannot carry a reason); no task: the last creation it refused on this
  // thread. Empty when the library gives no reason.
  struct EngineFailure {
    bool permanent = false;  // no retry mends it: an HTTP 4xx answer, a refused scheme or name
    std::wstring reason;
  };
  EngineFailure FailureOf(DownloadTask* task);

  void LoadTaskList();
  void SaveTaskList();

  // A task that has not stopped after this long counts as stopped.
  static constexpr std::chrono::milliseconds kStopWaitLimit{5000};
  // The clock the stop waits run on instead of the steady clock (tests drive it).
  void SetStopWaitClock(WaitClock& clock);

 private:
  using TaskList = std::list<std::unique_ptr<DownloadTask>>;

  TaskList::iterator FindIn(TaskList& list, const DownloadTask* task);
  static bool FindIn(const TaskList& list, const std::wstring& url);
  bool IsKnown(const DownloadTask* task);
  std::optional<XlTaskInfo> Query(const DownloadTask& task);
  // XL_StopTask, then polls until the library reports a stopped state; returns the
  // fraction last seen.
  float StopAndWait(const DownloadTask& task);
  void ParkTask(std::unique_ptr<DownloadTask> task);
  void DropTask(std::unique_ptr<DownloadTask> task, bool deleteTemporaryData);
  std::wstring TaskListPath() const;
  // Held by a process while it reads or rewrites downlist.json.
  std::wstring TaskListLockPath() const;
  int64_t Now() const;

  mutable std::recursive_mutex lock_;
  TaskList active_;  // in the order tasks were added
  TaskList parked_;  // most recently parked first
  // The URLs of downlist.json that this process answers for: those it loaded or parked.
  // The file's other entries were parked by another process and are kept as they are.
  std::set<std::wstring> ownUrls_;
  std::optional<platform::ModuleHandle> library_;
  XlEntryPoints xl_;
  bool initialised_ = false;
  WaitClock* stopWaitClock_ = &SteadyWaitClock();
};
