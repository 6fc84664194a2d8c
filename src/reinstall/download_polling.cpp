#include "reinstall/download_polling.h"

#include "app/log.h"

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
