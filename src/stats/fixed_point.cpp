#include "stats/fixed_point.h"

#include <utility>

#include "app/log.h"
#include "app/post_form.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "stats/query_view.h"
#include "stats/stats_url.h"

namespace {

constexpr int kTries = 3;

std::mutex& SingletonLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<CFixedPoint>& Singleton() {
  static std::shared_ptr<CFixedPoint> instance;
  return instance;
}

}  // namespace

std::shared_ptr<CFixedPoint> CFixedPoint::Instance() {
  std::lock_guard lock(SingletonLock());
  auto& instance = Singleton();
  if (!instance) {
    instance = std::make_shared<CFixedPoint>();
    instance->Start();
  }
  return instance;
}

void CFixedPoint::Shutdown(std::chrono::milliseconds wait) {
  std::shared_ptr<CFixedPoint> reporter;
  {
    std::lock_guard lock(SingletonLock());
    reporter = std::move(Singleton());
  }
  if (reporter) reporter->FinishReporting(wait);
}

CFixedPoint::CFixedPoint(std::chrono::milliseconds stopWait) : stopWait_(stopWait) {}

CFixedPoint::~CFixedPoint() {
  PushQuitMarker();
  workEvent.Set();
  StopThread(stopWait_);
}

void CFixedPoint::Push(std::unique_ptr<FixedPointBase> point) {
  // A null point would end the drain early and strand the points behind it.
  if (!point) return;
  std::lock_guard lock(queueLock);
  queue.push_back({std::move(point), false});
}

void CFixedPoint::PushQuitMarker() {
  std::lock_guard lock(queueLock);
  queue.push_back({nullptr, true});
}

void CFixedPoint::Post(std::unique_ptr<FixedPointBase> point) {
  Push(std::move(point));
  workEvent.Set();
}

bool CFixedPoint::FinishReporting(std::chrono::milliseconds wait) {
  PushQuitMarker();
  workEvent.Set();
  return finishedEvent.Wait(wait);
}

std::optional<CFixedPoint::QueueItem> CFixedPoint::TakeHead() {
  std::lock_guard lock(queueLock);
  if (queue.empty()) {
    workEvent.Reset();
    return std::nullopt;
  }
  QueueItem head = std::move(queue.front());
  queue.pop_front();
  return head;
}

void CFixedPoint::Run() {
  for (;;) {
    // Only a stop request ends the wait without the event: the reporter is being deleted.
    if (WaitOrStop(workEvent, std::nullopt) != WaitResult::Set) return;
    bool quitSeen = false;
    while (std::optional<QueueItem> item = TakeHead()) {
      if (StopRequested()) return;
      if (item->quit) {
        quitSeen = true;  // points behind the marker still go out in this drain
        continue;
      }
      Send(*item->point);
    }
    if (quitSeen) {
      finishedEvent.Set();
      return;
    }
  }
}

void CFixedPoint::Send(const FixedPointBase& point) {
  const std::string query = point.BuildQuery();
  LogLine(WideToLocal(L"--------------   打点:") + point.GetName() + "   -------------");

  const std::string url = StatisticsUrl();
  if (!platform::Current().network().CheckConnection(LocalToWide(url))) {
    LogLine(DecryptedView(query));
    LogLine(WideToLocal(L"没有网络，不发送打点数据！！！"));
  } else {
    PostForm poster;
    // Deleting the reporter aborts a transfer instead of waiting out its time limits.
    poster.shouldStop = [this] { return StopRequested(); };
    bool sent = false;
    for (int attempt = 0; attempt < kTries && !sent && !StopRequested(); ++attempt) {
      std::string response;  // ignored: the result code alone tells success
      sent = poster.Post(url, query, response) == 0;
    }
    LogLine(DecryptedView(query));
    if (!sent) LogLine(WideToLocal(L"3次打点失败，放弃这个点！！！"));
  }
  LogLine("--------------------------------------------------");
  LogLine("");
}
