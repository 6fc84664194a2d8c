// CThunder with a library that lacks entry points or ignores a stop: every operation that
// needs an empty slot fails without calling it, and a stop that never lands is bounded.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "app/global_param.h"
#include "download/thunder.h"
#include "support/download_machine.h"
#include "support/file_server.h"
#include "support/manual_wait_clock.h"

namespace {

using testing_support::DownloadMachine;
using testing_support::FileServer;

// The machine's modules, with some names missing or replaced.
class AlteredModules : public platform::Modules {
 public:
  AlteredModules(platform::Modules& real, std::map<std::string, void*> replaced)
      : real_(real), replaced_(std::move(replaced)) {}
  std::optional<platform::ModuleHandle> LoadLibrary(const std::wstring& name) override {
    return real_.LoadLibrary(name);
  }
  void* GetProcAddress(const platform::ModuleHandle& module, const std::string& name) override {
    auto it = replaced_.find(name);
    return it != replaced_.end() ? it->second : real_.GetProcAddress(module, name);
  }
  void FreeLibrary(const platform::ModuleHandle& module) override { real_.FreeLibrary(module); }

 private:
  platform::Modules& real_;
  std::map<std::string, void*> replaced_;
};

class AlteredPlatform : public sim::SimPlatform {
 public:
  AlteredPlatform(const std::filesystem::path& folder, std::map<std::string, void*> replaced)
      : sim::SimPlatform(folder), modules_(sim::SimPlatform::modules(), std::move(replaced)) {}
  platform::Modules& modules() override { return modules_; }

 private:
  AlteredModules modules_;
};

int32_t IgnoreStop(uint32_t) { return 1; }

TEST(ThunderBinding, OperationsWithoutTheirEntryPointFailWithoutCallingIt) {
  DownloadMachine machine;
  AlteredPlatform altered(machine.folder(), {{"XL_StartTask", nullptr}, {"XL_QueryTaskInfoEx", nullptr}});
  platform::ScopedPlatform installed(altered);
  CGlobalParam::Instance();
  auto engine = CThunder::Instance();
  EXPECT_TRUE(engine->IsInitialised());
  DownloadTask* task = engine->CreateTask(L"a.iso", L"D:\\Tarnvik\\gho-prlm\\", L"http://127.0.0.1:1/files/a.iso");
  ASSERT_NE(task, nullptr);
  EXPECT_FALSE(engine->StartTask(task));
  EXPECT_EQ(task->state, kTaskStopped);
  TaskProgress progress;
  EXPECT_FALSE(engine->QueryProgress(task, &progress));
  EXPECT_EQ(engine->GetEngineFileName(task), L"");
  EXPECT_TRUE(engine->DeleteTask(task));
}

TEST(ThunderBinding, WithoutInitTheLibraryCountsAsNotInitialised) {
  DownloadMachine machine;
  AlteredPlatform altered(machine.folder(), {{"XL_Init", nullptr}});
  platform::ScopedPlatform installed(altered);
  CGlobalParam::Instance();
  EXPECT_FALSE(CThunder::Instance()->IsInitialised());
}

TEST(ThunderBinding, StopThatNeverLandsCountsAsStoppedAfterTheLimitAndIsLogged) {
  testing_support::ManualWaitClock clock;  // outlives the engine, which the machine releases
  DownloadMachine machine;
  machine.WriteFile(L"D:\\Tarnvik\\test_ver.test", "test_console\n");  // shows the log
  AlteredPlatform altered(machine.folder(), {{"XL_StopTask", reinterpret_cast<void*>(&IgnoreStop)}});
  platform::ScopedPlatform installed(altered);
  services::ServiceOptions slow;
  slow.throttleBytesPerSecond = 64 << 10;
  FileServer server(slow);
  server.WriteFile("a.iso", std::string(4 << 20, 'x'));
  CGlobalParam::Instance();
  auto engine = CThunder::Instance();
  engine->SetStopWaitClock(clock);
  const std::string url = server.Url("a.iso");
  DownloadTask* task = engine->CreateTask(L"a.iso", L"D:\\Tarnvik\\gho-prlm\\", std::wstring(url.begin(), url.end()));
  ASSERT_TRUE(engine->StartTask(task));

  ::testing::internal::CaptureStdout();
  std::atomic<bool> stopReturned{false};
  std::thread timePasses([&] { clock.AdvanceUntil([&] { return stopReturned.load(); }, std::chrono::milliseconds(10)); });
  EXPECT_TRUE(engine->StopTask(task));
  stopReturned = true;
  timePasses.join();
  std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_GE(clock.Elapsed(), CThunder::kStopWaitLimit);  // the whole limit, not less
  EXPECT_EQ(task->state, kTaskStopped);
  EXPECT_NE(log.find("下载任务停止超时，按已停止处理：" + url), std::string::npos) << log;
}

}  // namespace
