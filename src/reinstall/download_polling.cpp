#include "reinstall/download_polling.h"

#include "app/log.h"
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

void LogStallAction(const std::wstring& heading, const std::wstring& url) {
  LogLine(heading + L"\n    " + url + L"\n");
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
