// The system check worker, run whole on simulated machines against the local service.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/check_page.h"
#include "catalogue/pe_descriptor.h"
#include "catalogue/sys_check_thread.h"
#include "platform/codepage.h"
#include "program_machine.h"
#include "reinstall/reinstall_controller.h"
#include "services/local_service.h"
#include "support/service_base_override.h"
#include "support/temp_dir.h"

using namespace std::chrono_literals;

namespace {

using testing_support::MinimalMachine;
using testing_support::TempDir;

// Records what the check shows, with the progress value shown at the time.
class RecordingCheckPage : public ICheckPage {
 public:
  void BeginCheck() override { Add("begin"); }
  void ItemChecking(Item item) override {
    static const char* names[] = {"hardware", "software", "network", "memory"};
    Add(std::string("checking ") + names[static_cast<int>(item)]);
  }
  void HardwareResult(const std::wstring& text, bool ok) override {
    Add("hardware " + platform::WideToUtf8(text) + (ok ? " ok" : " failed"));
  }
  void MemoryResult(int64_t bytes) override { Add("memory " + std::to_string(bytes)); }
  void SoftwareResult(const std::wstring& text) override { Add("software " + platform::WideToUtf8(text)); }
  void NetworkResult(bool ok) override { Add(ok ? "network ok" : "network failed"); }
  void Recommendation(const std::wstring& label) override { Add("recommend " + platform::WideToUtf8(label)); }
  void EndCheck() override { Add("end"); }
  void SetProgress(int value) override {
    std::lock_guard lock(mutex_);
    progress_.push_back(value);
  }

  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<int> Progress() {
    std::lock_guard lock(mutex_);
    return progress_;
  }

 private:
  void Add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event + " @" + (progress_.empty() ? "0" : std::to_string(progress_.back())));
  }

  std::mutex mutex_;
  std::vector<std::string> events_;
  std::vector<int> progress_;
};

// Waits (bounded) for the check to end by itself.
bool CheckEnds(ReinstallController& controller) {
  for (int i = 0; i < 3000 && controller.checkWorker->IsRunning(); ++i) std::this_thread::sleep_for(10ms);
  return !controller.checkWorker->IsRunning();
}

// A 64-bit Windows 7 Ultimate on a GPT disk with two 4 GiB modules.
Json::Value Windows7Machine() {
  Json::Value m = MinimalMachine();
  m["windows"]["wow64"] = true;
  auto& version = m["registry"]["HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"];
  version["ProductName"] = "Windows 7 Ultimate";
  version["EditionID"] = "Ultimate";
  Json::Value module;
  module["bankLabel"] = "BANK 0";
  module["capacityBytes"] = Json::Int64(4) << 30;
  m["memory"]["modules"].append(module);
  m["memory"]["modules"].append(module);
  return m;
}

std::string Entry(int i, const char* name, const char* digit, const char* file, const char* time, int size) {
  return "\"" + std::to_string(i) + "\":{\"os_name\":\"" + name + "\",\"digit\":\"" + digit + "\",\"file_name\":\"" +
         file + "\",\"file_time\":\"" + time + "\",\"url\":\"http://127.0.0.1/" + file + "\",\"md5\":\"\",\"size\":\"" +
         std::to_string(size) + "\"}";
}

const std::string kCatalogue = "{\"count\":5," + Entry(0, "Windows XP", "32", "winxp.gho", "2015", 1000) + "," +
                               Entry(1, "Windows 10 64位", "64", "win10_x64.gho", "2018", 4000) + "," +
                               Entry(2, "Windows 7 32位", "32", "win7_x86.gho", "2017", 2000) + "," +
                               Entry(3, "Windows 7 64位 旧", "64", "win7_x64_a.gho", "2016", 3000) + "," +
                               Entry(4, "Windows 7 64位 新", "64", "win7_x64_b.gho", "2018", 3500) +
                               ",\"pe_row\":[{\"pe_name\":\"WEPE_v2.iso\",\"pe_url\":\"u\",\"pe_size\":\"700\"}]}";

class SysCheckTest : public testing::Test {
 protected:
  // Ticks of 1 ms: the schedule is counted in ticks, whatever their length.
  // Built on first use, on the test's machine: the controller reads the machine's volumes.
  ReinstallController& Controller() {
    if (!controller_) {
      controller_ = std::make_unique<ReinstallController>();
      controller_->checkTick = 1ms;
    }
    return *controller_;
  }

  void StartService() {
    std::ofstream(root_.path() / "catalogue.json", std::ios::binary) << kCatalogue;
    service_ = std::make_unique<services::LocalService>(services::ServiceOptions{root_.path(), 0});
    ASSERT_TRUE(service_->Bind());
    service_->Start();
    base_.emplace(service_->port());
  }

  std::vector<std::string> FileStates() {
    std::vector<std::string> out;
    for (const auto& e : Controller().osList) {
      out.push_back(std::to_string(e->state) + " " + platform::WideToUtf8(e->fileName));
    }
    return out;
  }

  TempDir root_;
  std::optional<testing_support::ServiceBaseOverride> base_;
  std::unique_ptr<services::LocalService> service_;
  RecordingCheckPage page_;
  std::unique_ptr<ReinstallController> controller_;
};

TEST_F(SysCheckTest, FullCheckStoresItsResultsAndShowsThemOnSchedule) {
  StartService();
  ProgramMachine machine(Windows7Machine());
  CGlobalParam& params = machine.params();
  auto& files = platform::Current().files();
  files.WriteFile(params.imageDir + L"downloaded_before.gho", std::string(4000, 'g'));
  ASSERT_TRUE(SavePeDescriptor(PeEntry{L"WEPE_v1.iso", 700, L"u", 0}));
  files.WriteFile(params.peDir + L"WEPE_v1.iso", std::string(700, 'p'));

  Controller().checkPage = &page_;
  ASSERT_TRUE(Controller().StartSystemCheck());
  ASSERT_TRUE(CheckEnds(Controller()));

  EXPECT_EQ(page_.Events(), (std::vector<std::string>{
                                "begin @0", "checking hardware @0", "hardware UEFI 启动 ok @21", "checking memory @21",
                                "memory 8589934592 @41", "checking software @41", "software Win7 64位 旗舰版 @61",
                                "checking network @61", "network ok @81", "recommend Win7 64位  @100", "end @100"}));
  std::vector<int> progress;
  for (int p = 1; p <= 21; ++p) progress.push_back(p);
  for (int p = 23; p <= 101; ++p) progress.push_back(std::min(p, 100));  // the boot-mode step counts one
  EXPECT_EQ(page_.Progress(), progress);

  EXPECT_EQ(Controller().bootModeText, L"UEFI");
  EXPECT_EQ(Controller().machineText, L"Win7 64位 旗舰版");
  EXPECT_TRUE(Controller().networkOk);
  EXPECT_EQ(params.bootMode, L"UEFI");
  EXPECT_TRUE(params.isUefi);
  EXPECT_EQ(params.totalMemory, int64_t(8) << 30);
  EXPECT_EQ(params.osName, L"Win7 64位 旗舰版");
  EXPECT_EQ(params.osBits, 64);
  // UEFI: no XP, no 32-bit; Windows 7 first, newest first; the file of a matching size
  // is taken as downloaded.
  EXPECT_EQ(FileStates(), (std::vector<std::string>{"1 win7_x64_b.gho", "0 win7_x64_a.gho", "3 win10_x64.gho"}));
  EXPECT_EQ(Controller().osList[2]->localPath, params.imageDir + L"downloaded_before.gho");
  // The same WinPE component under a new name: the file already downloaded is reused.
  EXPECT_EQ(Controller().peEntry.fileName, L"WEPE_v1.iso");
  EXPECT_EQ(Controller().peEntry.size, 700);
}

TEST_F(SysCheckTest, FailuresShowCrossesAndTheCacheServesTheList) {
  Json::Value m = MinimalMachine();
  m["windows"]["systemDirectory"] = "Q:\\Windows\\system32";  // no such volume: boot mode unknown
  m["network"]["up"] = false;
  m["memory"]["failAt"] = "execQuery";
  ProgramMachine machine(m);
  CGlobalParam& params = machine.params();
  platform::Current().files().WriteFile(params.cacheDir + L"os.json", kCatalogue);
  Controller().osList.push_back(std::make_unique<OsEntry>());  // an earlier check's list goes

  Controller().checkPage = &page_;
  ASSERT_TRUE(Controller().StartSystemCheck());
  ASSERT_TRUE(CheckEnds(Controller()));

  EXPECT_EQ(page_.Events(), (std::vector<std::string>{
                                "begin @0", "checking hardware @0", "hardware 未知启动方式 failed @21",
                                "checking memory @21", "memory 0 @41", "checking software @41",
                                "software 其他系统32位  @61", "checking network @61", "network failed @81",
                                "recommend 32位  @100", "end @100"}));
  EXPECT_EQ(Controller().bootModeText, L"");
  EXPECT_FALSE(params.isUefi);
  EXPECT_EQ(params.totalMemory, -1);
  EXPECT_EQ(params.osBits, 32);
  EXPECT_FALSE(Controller().networkOk);
  // No plan for "其他系统": the cached catalogue in its own order, unfiltered.
  EXPECT_EQ(FileStates(), (std::vector<std::string>{"0 winxp.gho", "0 win10_x64.gho", "0 win7_x86.gho",
                                                    "0 win7_x64_a.gho", "0 win7_x64_b.gho"}));
  EXPECT_EQ(Controller().peEntry.fileName, L"WEPE_v2.iso");
}

TEST_F(SysCheckTest, OneCheckAtATimeAndDeletionStopsIt) {
  StartService();  // the checks ask for the catalogue: from this test's own service
  ProgramMachine machine(Windows7Machine());
  EXPECT_FALSE(Controller().StartSystemCheck());  // no page yet
  Controller().checkPage = &page_;
  ASSERT_TRUE(Controller().StartSystemCheck());
  EXPECT_FALSE(Controller().StartSystemCheck());  // still running: nothing happens
  Controller().checkWorker.reset();               // stops at its next tick
  std::vector<std::string> events = page_.Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "begin @0"), 1);
  EXPECT_EQ(std::find(events.begin(), events.end(), "end @100"), events.end());
  EXPECT_LT(page_.Progress().size(), 100u);

  // After a check has ended, a new one starts from 0 again.
  ASSERT_TRUE(Controller().StartSystemCheck());
  ASSERT_TRUE(CheckEnds(Controller()));
  ASSERT_TRUE(Controller().StartSystemCheck());
  ASSERT_TRUE(CheckEnds(Controller()));
  events = page_.Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "end @100"), 2);
}

}  // namespace
