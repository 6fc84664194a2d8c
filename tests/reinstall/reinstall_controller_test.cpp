// The reinstall controller's own rules: the choice's checks (free space, compatibility
// and their dialogs, the network), the install button and the automatic-install
// countdown, and the install's start with the USB-removal prompt.

#include "reinstall/reinstall_controller.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/global_param.h"
#include "install_machine.h"
#include "download_fixture.h"
#include "recording_pages.h"
#include "reinstall/install_countdown.h"
#include "stats/fixed_points.h"
#include "support/download_machine.h"
#include "support/local_http_server.h"
#include "support/service_base_override.h"
#include "support/state_records.h"
#include "support/usb_machine.h"

namespace {

using reinstall_testing::RecordingChoicePage;
using reinstall_testing::ScriptedUsbPrompt;
using testing_support::DownloadMachine;

using testing_support::kGiB;

// The program's drive D: with `freeBytes` free; `usbStick` adds an attached USB stick.
Json::Value MachineWith(int64_t freeBytes, bool usbStick = false) {
  Json::Value m = testing_support::MinimalMachine();
  m["disks"][1]["partitions"][0]["freeBytes"] = Json::Int64(freeBytes);
  if (usbStick) m["disks"].append(testing_support::UsbDisk(2, "Generic Flash Disk", {{"F", 16 * kGiB, 16 * kGiB}}));
  return m;
}

class ControllerTest : public testing::Test {
 protected:
  explicit ControllerTest(const Json::Value& machine = MachineWith(100 * kGiB)) : machine_(machine) {
    CGlobalParam::Instance();
    auto entry = std::make_unique<OsEntry>();
    entry->name = L"Windows 10 专业版 64位";
    entry->fileName = L"win10.gho";
    entry->size = 4 * kGiB;
    image_ = entry.get();
    controller_.osList.push_back(std::move(entry));
    controller_.peEntry = {L"WEPE64.iso", 300 << 20, L"http://127.0.0.1:1/WEPE64.iso", 0};
    controller_.choicePage = &choice_;
    controller_.downloadPage = &page_;
    controller_.usbRemovalPrompt = &usb_;
    controller_.installFailureNotice = &notices_;
    controller_.restartFailureNotice = &notices_;
    controller_.postPoint = [this](std::unique_ptr<FixedPointBase> p) { points_.push_back(std::move(p)); };
  }

  DownloadMachine machine_;
  ReinstallController controller_;
  OsEntry* image_;
  RecordingChoicePage choice_;
  download_testing::RecordingPage page_;
  ScriptedUsbPrompt usb_;
  install_testing::CountingNotices notices_;
  std::vector<std::unique_ptr<FixedPointBase>> points_;
};

struct SpaceCase {
  const char* what;
  int64_t freeBytes;
  bool includePe;
  bool pePresent;
  int imageState;
  bool passes;
};

class FreeSpaceTest : public testing::WithParamInterface<SpaceCase>, public ControllerTest {
 protected:
  FreeSpaceTest() : ControllerTest(MachineWith(GetParam().freeBytes)) {}
};

// The image is 4 GiB, the WinPE component 300 MiB.
INSTANTIATE_TEST_SUITE_P(
    Needs, FreeSpaceTest,
    testing::Values(SpaceCase{"image and WinPE fit exactly", 4 * kGiB + (300 << 20), true, false, 0, true},
                    SpaceCase{"one byte short of both", 4 * kGiB + (300 << 20) - 1, true, false, 0, false},
                    SpaceCase{"the WinPE present counts nothing", 4 * kGiB, true, true, 0, true},
                    SpaceCase{"the WinPE left out", 4 * kGiB, false, false, 0, true},
                    SpaceCase{"a downloaded image counts nothing", 300 << 20, true, false, 3, true},
                    SpaceCase{"the image alone short", 4 * kGiB - 1, false, true, 1, false},
                    SpaceCase{"beyond 32 bits", 5 * kGiB, true, false, 0, true}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST_P(FreeSpaceTest, CountsWhatTheDownloadStillNeedsOnTheProgramsVolume) {
  const SpaceCase& c = GetParam();
  if (c.pePresent) machine_.WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.iso", std::string(300 << 20, 'p'));
  image_->state = c.imageState;
  controller_.selectedOs = image_;
  controller_.downloadOs = image_;
  controller_.downloadPe = &controller_.peEntry;
  EXPECT_EQ(controller_.CheckFreeSpace(c.includePe), c.passes);
  if (c.passes) {
    EXPECT_TRUE(choice_.messages.empty());
    EXPECT_EQ(controller_.downloadOs, image_);
  } else {
    EXPECT_EQ(choice_.messages, std::vector<std::wstring>{L"磁盘容量不足，请检查磁盘空间"});
    EXPECT_EQ(controller_.downloadOs, nullptr);
    EXPECT_EQ(controller_.downloadPe, nullptr);
  }
}

struct CompatibilityCase {
  const wchar_t* machineOs;
  bool uefi;
  const wchar_t* target;
  int answer;
  const char* asked;  // the dialog shown, or ""
  bool allowed;
};

class CompatibilityTest : public testing::WithParamInterface<CompatibilityCase>, public ControllerTest {};

INSTANTIATE_TEST_SUITE_P(
    Rules, CompatibilityTest,
    testing::Values(CompatibilityCase{L"Linux", false, L"Win7 64位", 0, "", true},
                    CompatibilityCase{L"WinXP", false, L"Win10 64位", 2, "ahci", true},
                    CompatibilityCase{L"WinXP", false, L"Win8 64位", 0, "ahci", false},
                    CompatibilityCase{L"WinXP", true, L"Win7 64位", 0, "", true},
                    CompatibilityCase{L"WinXP", false, L"WinXP SP3", 0, "", true},
                    CompatibilityCase{L"Win7", true, L"Win10 64位", 0, "", true},
                    CompatibilityCase{L"Win10", true, L"Win7 64位", 2, "firmware", true},
                    CompatibilityCase{L"Win10", true, L"Win7 64位", 0, "firmware", false},
                    CompatibilityCase{L"Win8", true, L"Win7 32位", 0, "firmware", false},
                    CompatibilityCase{L"Win10", false, L"Win7 64位", 0, "", true},
                    CompatibilityCase{L"Win10", true, L"Win10 64位", 0, "", true}));

TEST_P(CompatibilityTest, AsksWhereTheRuleNeedsTheUsersWord) {
  const CompatibilityCase& c = GetParam();
  CGlobalParam::Instance()->osName = c.machineOs;
  CGlobalParam::Instance()->isUefi = c.uefi;
  image_->name = c.target;
  controller_.selectedOs = image_;
  choice_.answer = c.answer;
  EXPECT_EQ(controller_.CheckOsCompatibility(), c.allowed);
  std::vector<std::string> expected;
  if (*c.asked) expected.push_back(c.asked);
  EXPECT_EQ(choice_.asked, expected);
}

TEST_F(ControllerTest, TheChoiceWithoutTheCatalogueServiceNeedsADownloadedImageAndWinPe) {
  testing_support::ClosedPort closed;
  testing_support::ServiceBaseOverride base(closed.port());
  EXPECT_FALSE(controller_.ConfirmChoice(nullptr));
  EXPECT_FALSE(controller_.ConfirmChoice(image_));
  image_->state = 3;
  EXPECT_FALSE(controller_.ConfirmChoice(image_));
  EXPECT_EQ(choice_.messages, (std::vector<std::wstring>{L"获取不到镜像列表，请检查网络连接，并重启软件",
                                                          L"请检查网络是否正确连接！",
                                                          L"还需要下载PE组件，请检查网络是否正确连接！"}));
  machine_.WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.iso", std::string(300 << 20, 'p'));
  EXPECT_TRUE(controller_.ConfirmChoice(image_));
  EXPECT_EQ(controller_.selectedOs, image_);
}

TEST_F(ControllerTest, TheChoiceWithTheServiceReachableRunsBothChecks) {
  testing_support::SilentPort listening;
  testing_support::ServiceBaseOverride base(listening.port());
  CGlobalParam::Instance()->osName = L"Win10";
  CGlobalParam::Instance()->isUefi = true;
  image_->name = L"Win7 64位";
  choice_.answer = 0;
  EXPECT_FALSE(controller_.ConfirmChoice(image_));
  EXPECT_EQ(choice_.asked, std::vector<std::string>{"firmware"});
  choice_.answer = 2;
  EXPECT_TRUE(controller_.ConfirmChoice(image_));
}

TEST_F(ControllerTest, TheCountdownTicksSixTimesFromFiveDownAndThenStartsTheInstall) {
  InstallCountdown countdown;
  countdown.Start();
  for (int tick = 0; tick < 5; ++tick) countdown.Tick(controller_);
  EXPECT_EQ(page_.Get().installTexts, (std::vector<std::wstring>{L"立即重装(5)", L"立即重装(4)", L"立即重装(3)",
                                                                  L"立即重装(2)", L"立即重装(1)"}));
  EXPECT_FALSE(controller_.installWorker);
  EXPECT_EQ(page_.Get().countdownStops, 0);

  countdown.Tick(controller_);
  auto shown = page_.Get();
  EXPECT_EQ(shown.installTexts.at(5), L"立即重装(0)");
  EXPECT_GT(shown.countdownStops, 0);
  ASSERT_TRUE(controller_.installWorker);  // started on the sixth tick
  EXPECT_EQ(shown.installTexts.back(), L"等待安装...");
  EXPECT_EQ(shown.installStates, std::vector<bool>{false});
  countdown.Tick(controller_);  // a tick after the end does nothing
  EXPECT_EQ(page_.Get().installTexts.size(), 7u);
  while (controller_.installWorker->IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TEST_F(ControllerTest, UntickingTheOptionStopsTheCountdownOfAReadyInstall) {
  controller_.readyToInstall = true;
  controller_.SetAutoInstall(true);
  controller_.UpdateInstallButton({}, true);
  EXPECT_EQ(page_.Get().countdowns, 1);
  controller_.SetAutoInstall(false);
  EXPECT_EQ(page_.Get().countdownStops, 1);
  EXPECT_EQ(page_.Get().installTexts, std::vector<std::wstring>{L"立即重装"});
  ASSERT_EQ(points_.size(), 2u);
  EXPECT_TRUE(static_cast<FixedDldAuto&>(*points_[0]).autoInstall);
  EXPECT_FALSE(static_cast<FixedDldAuto&>(*points_[1]).autoInstall);
}

TEST_F(ControllerTest, TheInstallButtonWaitsForTheBackupAndTheDownload) {
  controller_.autoInstall = true;
  controller_.UpdateInstallButton([&] { controller_.backupIdle = false; });
  controller_.UpdateInstallButton([&] { controller_.readyToInstall = true; }, true);
  EXPECT_EQ(page_.Get().installStates, (std::vector<bool>{false, false}));
  EXPECT_EQ(page_.Get().countdowns, 0);
  controller_.UpdateInstallButton([&] { controller_.backupIdle = true; }, true);
  EXPECT_TRUE(page_.Get().installEnabled);
  EXPECT_EQ(page_.Get().countdowns, 1);
}

TEST_F(ControllerTest, AfterAnIncompleteBackupTheDownloadsEnableTheButtonWithoutACountdown) {
  controller_.autoInstall = true;
  controller_.UpdateInstallButton([&] { controller_.backupIdle = false; });
  controller_.BackupFinished(false, L"C:\\Users\\A\\Desktop\\a.txt（错误 5）\r\n");
  controller_.DownloadsComplete();
  EXPECT_TRUE(page_.Get().installEnabled);
  EXPECT_EQ(page_.Get().countdowns, 0);
}

TEST_F(ControllerTest, ADownloadAndABackupEndingAtOnceStartOneCountdown) {
  controller_.autoInstall = true;
  for (int round = 0; round < 200; ++round) {
    controller_.readyToInstall = false;
    controller_.backupIdle = false;
    const int before = page_.Get().countdowns;
    std::thread download([&] { controller_.UpdateInstallButton([&] { controller_.readyToInstall = true; }, true); });
    std::thread backup([&] { controller_.UpdateInstallButton([&] { controller_.backupIdle = true; }, true); });
    download.join();
    backup.join();
    ASSERT_EQ(page_.Get().countdowns, before + 1) << "round " << round;
  }
}

TEST_F(ControllerTest, TheDownloadFolderOpensOnTheDownloadedImageOrOnTheImageFolder) {
  struct Case {
    int state;
    const char* parameters;
  };
  const Case cases[] = {{3, "/select, D:\\Tarnvik\\gho-prlm\\win10.gho"}, {1, "D:\\Tarnvik\\gho-prlm\\"}};
  for (const Case& c : cases) {
    image_->state = c.state;
    image_->localPath = c.state == 3 ? L"D:\\Tarnvik\\gho-prlm\\win10.gho" : L"";
    controller_.selectedOs = image_;
    controller_.OpenDownloadFolder();
  }
  const std::vector<Json::Value> starts = testing_support::ReadStateLines(machine_, "processes.jsonl");
  ASSERT_EQ(starts.size(), 2u);
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(starts[i]["program"].asString(), "Explorer.exe");
    EXPECT_EQ(starts[i]["commandLine"].asString(), cases[i].parameters);
    EXPECT_EQ(starts[i]["verb"].asString(), "open");
    EXPECT_EQ(starts[i]["show"].asInt(), platform::kSwShowDefault);
  }
}

class UsbAttachedTest : public ControllerTest {
 protected:
  UsbAttachedTest() : ControllerTest(MachineWith(100 * kGiB, true)) {}
};

TEST_F(UsbAttachedTest, TheInstallAsksUntilTheBoxIsDismissedAndThenDoesNothing) {
  usb_.answers = {1, 1, 0};
  controller_.StartInstall();
  EXPECT_EQ(usb_.asked, 3);
  EXPECT_FALSE(controller_.installWorker);
  EXPECT_TRUE(page_.Get().installTexts.empty());
  EXPECT_EQ(page_.Get().countdownStops, 0);
}

}  // namespace
