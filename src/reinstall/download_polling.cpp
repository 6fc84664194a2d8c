#include "reinstall/download_polling.h"

#include "app/log.h"
#include "download/download_task.h"
#include "download/thunder.h"

StallCounter::Action StallCounter::Observe(bool flowing) {
  if (flowing) {
    Reset();
    return Action::None;
  }
  if (++ticks_ < polling_.stallPolls) return Action::None;
  ticks_ = 0;
  if (++restarts_ < polling_.restartsBeforeRebuild) return Action::Restart;
  restarts_ = 0;
  return Action::Rebuild;
}

std::wstring FinishedFilePath(CThunder& engine, DownloadTask* task) {
  const std::wstring& folder = task->saveDir;
  const std::wstring name = engine.GetEngineFileName(task);
  if (folder.empty() || folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

void LogStallAction(const std::wstring& heading, const std::wstring& task) {
  LogLine(heading + L"\n    " + task + L"\n");
}

DownloadTask* StartEngineTask(CThunder& engine, const std::wstring& fileName, const std::wstring& folder,
                              const std::wstring& url, std::wstring& why) {
  DownloadTask* task = engine.CreateTask(fileName, folder, url);
  if (task != nullptr && engine.StartTask(task)) return task;
  std::wstring reason = engine.FailureOf(task).reason;
  if (task != nullptr) engine.DeleteTask(task);
  why = L"cannot download " + url + L" into " + folder + L": " +
        (reason.empty() ? std::wstring(L"the download engine gives no reason") : reason);
  LogLine(why);
  return nullptr;
}
