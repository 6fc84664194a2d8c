// The statistics reporter against real services on loopback: the local service, a server
// that holds a request, a port that hangs up and one that never answers.

#include "stats/fixed_point.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "services/local_service.h"
#include "stats/device_identity.h"
#include "stats/fixed_points.h"
#include "stats/point_identity.h"
#include "stats/query_view.h"
#include "support/local_http_server.h"
#include "support/service_base_override.h"
#include "support/temp_machine.h"

namespace {

using namespace std::chrono_literals;
using testing_support::MinimalMachine;
using testing_support::ServiceBaseOverride;
using testing_support::TempMachine;

// Generous bound for waits that end at once when the code is right.
constexpr auto kBound = 60s;

// The simulated machine, with the log lines recorded instead of shown.
class LoggedMachine : public platform::Platform {
 public:
  explicit LoggedMachine(bool networkUp) : machine_(MachineJson(networkUp)), installed_(*this) {}

  std::vector<std::string> Lines() {
    std::lock_guard lock(console_.lock);
    return console_.lines;
  }
  // How many log lines are exactly this UTF-8 text.
  int Count(const char* utf8) {
    std::vector<std::string> lines = Lines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), Utf8ToAnsi(utf8)));
  }

  platform::Files& files() override { return machine_.machine().files(); }
  platform::Profiles& profiles() override { return machine_.machine().profiles(); }
  platform::Storage& storage() override { return machine_.machine().storage(); }
  platform::Registry& registry() override { return machine_.machine().registry(); }
  platform::Network& network() override { return machine_.machine().network(); }
  platform::System& system() override { return machine_.machine().system(); }
  platform::Console& console() override { return console_; }
  platform::Modules& modules() override { return machine_.machine().modules(); }
  platform::MessageBoxes& messageBoxes() override { return machine_.machine().messageBoxes(); }
  platform::Processes& processes() override { return machine_.machine().processes(); }
  platform::Power& power() override { return machine_.machine().power(); }
  platform::Windows& windows() override { return machine_.machine().windows(); }

 private:
  struct RecordingConsole : platform::Console {
    bool Open(const std::wstring&) override { return true; }
    void Write(const std::string& narrowText) override { WriteLine(narrowText); }
    void WriteLine(const std::string& narrowText) override {
      std::lock_guard guard(lock);
      lines.push_back(narrowText);
    }
    std::mutex lock;
    std::vector<std::string> lines;
  };

  static Json::Value MachineJson(bool networkUp) {
    Json::Value machine = MinimalMachine();
    machine["network"]["up"] = networkUp;
    Json::Value adapter;
    adapter["name"] = "{A}";
    adapter["mac"] = "1C-69-7A-0E-44-B2";
    machine["network"]["adapters"].append(adapter);
    return machine;
  }

  TempMachine machine_;
  RecordingConsole console_;
  platform::ScopedPlatform installed_;
};

// The steps of the points a server received, in order.
std::vector<std::string> StepsOf(const std::vector<std::string>& bodies) {
  std::vector<std::string> steps;
  for (const std::string& body : bodies) steps.push_back(DecryptString(QueryPairs(body).at(2).second, kStatsKey));
  return steps;
}

// Answers the statistics path, holding the first request until Release().
class HoldingServer {
 public:
  HoldingServer()
      : server_([this](httplib::Server& s) {
          s.Post("/api/indepth", [this](const httplib::Request& request, httplib::Response& response) {
            bool first;
            {
              std::lock_guard lock(lock_);
              first = bodies_.empty();
              bodies_.push_back(request.body);
            }
            if (first) {
              entered.Set();
              release_.Wait(20s);  // under the client's 10 s limit only if the test releases it
            }
            response.set_content("{\"code\":0}", "application/json");
          });
        }) {}
  ~HoldingServer() { release_.Set(); }

  void Release() { release_.Set(); }
  std::vector<std::string> Bodies() {
    std::lock_guard lock(lock_);
    return bodies_;
  }
  int port() const { return server_.port(); }

  Event entered{Event::Mode::ManualReset};

 private:
  Event release_{Event::Mode::ManualReset};
  std::mutex lock_;
  std::vector<std::string> bodies_;
  testing_support::LocalHttpServer server_;  // last: stopped before the rest goes
};

class ReporterTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
  }
  void TearDown() override { ResetProcessState(); }
  static void ResetProcessState() {
    CGlobalParam::Release();
    CurrentPointIdentity() = PointIdentity{};
  }
};

std::vector<Json::Value> LoggedPoints(const std::filesystem::path& root) {
  std::vector<Json::Value> points;
  std::ifstream in(root / "indepth.jsonl");
  for (std::string line; std::getline(in, line);) {
    Json::Value point;
    EXPECT_TRUE(Json::Reader().parse(line, point)) << line;
    points.push_back(point);
  }
  return points;
}

// The local service on a free loopback port, serving a fresh folder, with the program's
// service base pointed at it.
struct RunningStatsService {
  RunningStatsService() : service({root.path(), 0}), bound(service.Bind()), base(service.port()) {
    if (bound) service.Start();
  }
  testing_support::TempDir root;
  services::LocalService service;
  bool bound;
  ServiceBaseOverride base;
};

TEST_F(ReporterTest, SendsQueuedPointsInOrderThenFinishes) {
  LoggedMachine machine(true);
  RunningStatsService stats;
  ASSERT_TRUE(stats.bound);
  {
    CFixedPoint reporter;
    ASSERT_TRUE(reporter.Start());
    // Queued without a wake-up, so that one drain meets them all with the quit marker.
    reporter.Push(std::make_unique<FixedService>());
    reporter.Push(nullptr);  // dropped: it must not end the drain before the rest
    reporter.Push(std::make_unique<FixedClose>(2));
    reporter.Push(std::make_unique<FixedSelModule>(3));
    ASSERT_TRUE(reporter.FinishReporting(kBound));
    EXPECT_TRUE(reporter.finishedEvent.Wait(0ms));
  }

  const std::vector<Json::Value> points = LoggedPoints(stats.root.path());
  ASSERT_EQ(points.size(), 3u);
  const std::string sole = DecryptString(CurrentPointIdentity().soleCipher, kStatsKey);
  EXPECT_EQ(points[0]["mac"].asString(), "1C-69-7A-0E-44-B2");
  EXPECT_EQ(points[0]["sole"].asString(), sole);
  EXPECT_EQ(points[0]["step"].asString(), "2");
  EXPECT_EQ(points[0].size(), 4u);  // time, mac, sole, step
  EXPECT_EQ(points[1]["step"].asString(), "1");
  EXPECT_EQ(points[1]["close"].asString(), "2");
  EXPECT_EQ(points[2]["step"].asString(), "3");
  EXPECT_EQ(points[2]["module"].asString(), "3");

  // Each point: its title, its decrypted view, a rule and an empty line.
  const std::vector<std::string> lines = machine.Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], Utf8ToAnsi("--------------   打点:点击客服   -------------"));
  EXPECT_EQ(lines[1], "mac=1C-69-7A-0E-44-B2\nsole=" + sole + "\nstep=2");
  EXPECT_EQ(lines[2], std::string(50, '-'));
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], Utf8ToAnsi("--------------   打点:关闭程序   -------------"));
  EXPECT_EQ(lines[5], "mac=1C-69-7A-0E-44-B2\nsole=" + sole + "\nstep=1\nclose=2");
}

TEST_F(ReporterTest, PointPushedBehindTheQuitMarkerIsSentInTheSameDrain) {
  LoggedMachine machine(true);
  HoldingServer server;
  ServiceBaseOverride base(server.port());
  CFixedPoint reporter;
  ASSERT_TRUE(reporter.Start());
  reporter.Post(std::make_unique<FixedSelModule>(1));
  ASSERT_TRUE(server.entered.Wait(kBound));  // the drain is busy with the first point

  reporter.PushQuitMarker();
  reporter.Push(std::make_unique<FixedSelModule>(2));
  reporter.workEvent.Set();
  server.Release();

  ASSERT_TRUE(reporter.finishedEvent.Wait(kBound));
  EXPECT_EQ(StepsOf(server.Bodies()), (std::vector<std::string>{"3", "3"}));
  EXPECT_EQ(DecryptString(QueryPairs(server.Bodies().at(0)).at(3).second, kStatsKey), "1");
  EXPECT_EQ(DecryptString(QueryPairs(server.Bodies().at(1)).at(3).second, kStatsKey), "2");
}

TEST_F(ReporterTest, PosterReturnsAtOnceWhileTheReporterIsBlocked) {
  LoggedMachine machine(true);
  HoldingServer server;
  ServiceBaseOverride base(server.port());
  CFixedPoint reporter;
  ASSERT_TRUE(reporter.Start());
  reporter.Post(std::make_unique<FixedService>());
  ASSERT_TRUE(server.entered.Wait(kBound));

  // The server holds the first request until it is released, so these posts can only
  // finish first if posting never waits for the network.
  std::thread poster([&] {
    for (int i = 1; i <= 50; ++i) reporter.Post(std::make_unique<FixedSelModule>(i));
  });
  poster.join();
  EXPECT_EQ(server.Bodies().size(), 1u);
  server.Release();

  ASSERT_TRUE(reporter.FinishReporting(kBound));
  const std::vector<std::string> bodies = server.Bodies();
  ASSERT_EQ(bodies.size(), 51u);
  for (int i = 1; i <= 50; ++i) {
    EXPECT_EQ(DecryptString(QueryPairs(bodies[i]).at(3).second, kStatsKey), std::to_string(i));
  }
}

TEST_F(ReporterTest, ServiceThatHangsUpCostsThreeTriesThenThePointIsAbandoned) {
  LoggedMachine machine(true);
  testing_support::HangUpPort port;
  ServiceBaseOverride base(port.port());
  {
    CFixedPoint reporter;
    ASSERT_TRUE(reporter.Start());
    reporter.Post(std::make_unique<FixedService>());
    reporter.Post(std::make_unique<FixedPE>());
    ASSERT_TRUE(reporter.FinishReporting(kBound));
  }
  EXPECT_EQ(port.RequestsSeen(), 6);
  EXPECT_EQ(machine.Count("3次打点失败，放弃这个点！！！"), 2);
  const std::vector<std::string> lines = machine.Lines();
  ASSERT_EQ(lines.size(), 10u);  // title, view, abandoned, rule, empty line; twice
  EXPECT_TRUE(lines[1].starts_with("mac=")) << lines[1];
  EXPECT_EQ(lines[2], Utf8ToAnsi("3次打点失败，放弃这个点！！！"));
}

TEST_F(ReporterTest, WithoutNetworkNothingIsSent) {
  LoggedMachine machine(false);
  RunningStatsService stats;
  ASSERT_TRUE(stats.bound);
  {
    CFixedPoint reporter;
    ASSERT_TRUE(reporter.Start());
    reporter.Post(std::make_unique<FixedService>());
    reporter.Post(std::make_unique<FixedDldReboot>(true));
    ASSERT_TRUE(reporter.FinishReporting(kBound));
  }
  EXPECT_FALSE(std::filesystem::exists(stats.root.path() / "indepth.jsonl"));
  EXPECT_EQ(machine.Count("没有网络，不发送打点数据！！！"), 2);
  const std::vector<std::string> lines = machine.Lines();
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_TRUE(lines[6].ends_with("\nreset_succed=1")) << lines[6];
  EXPECT_EQ(lines[7], Utf8ToAnsi("没有网络，不发送打点数据！！！"));
}

// With the waits shortened: the exit wait gives up while the point is still being sent,
// and deletion then stops the reporter, aborting that transfer instead of trying again.
TEST_F(ReporterTest, ExitWaitIsBoundedWhenTheServiceNeverAnswers) {
  EXPECT_EQ(CFixedPoint::kExitWait, 10000ms);
  EXPECT_EQ(CFixedPoint::kStopWait, 1000ms);
  LoggedMachine machine(true);
  testing_support::SilentPort port;
  ServiceBaseOverride base(port.port());
  {
    CFixedPoint reporter(50ms);
    ASSERT_TRUE(reporter.Start());
    reporter.Post(std::make_unique<FixedClose>(1));
    EXPECT_FALSE(reporter.FinishReporting(100ms));
    EXPECT_FALSE(reporter.finishedEvent.Wait(0ms));
  }
  const std::vector<std::string> lines = machine.Lines();
  ASSERT_EQ(lines.size(), 6u) << "title, view, abandoned, rule, empty line, and the forced stop";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "worker did not stop within 50 ms; waiting for it to end"), 1);
  EXPECT_EQ(machine.Count("3次打点失败，放弃这个点！！！"), 1);
}

TEST_F(ReporterTest, InstanceIsOneStartedReporterUntilShutdown) {
  LoggedMachine machine(true);
  RunningStatsService stats;
  ASSERT_TRUE(stats.bound);

  std::weak_ptr<CFixedPoint> first = CFixedPoint::Instance();
  EXPECT_EQ(CFixedPoint::Instance(), first.lock());
  EXPECT_TRUE(CFixedPoint::Instance()->IsRunning());
  CFixedPoint::Instance()->Post(std::make_unique<FixedOpen>());
  CFixedPoint::Shutdown();
  EXPECT_TRUE(first.expired());
  ASSERT_EQ(LoggedPoints(stats.root.path()).size(), 1u);
  EXPECT_EQ(LoggedPoints(stats.root.path())[0]["channel"].asString(), "B3");

  CFixedPoint::Shutdown();  // without a reporter: nothing to do
}

}  // namespace
