// The install worker from start to end: its tracking points, the statistics hand-off,
// the clean-up, the restart and the two failure notices.

#include "reinstall/install_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "install_machine.h"
#include "reinstall/reinstall_controller.h"
#include "stats/fixed_points.h"
#include "stats/point_identity.h"
#include "stats/query_view.h"

namespace {

using install_testing::ApplyFileCommand;
using install_testing::CountingNotices;
using install_testing::InstallMachineJson;
using install_testing::LayProgramFiles;
using install_testing::PostedPoint;
using install_testing::RecordedMachine;

class InstallThreadTest : public testing::Test {
 protected:
  InstallThreadTest() {
    CGlobalParam::Instance();  // built on the main thread, as the program entry does
    LayProgramFiles(m_.machine());
    m_.machine().WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", "wim");
    m_.machine().WriteFile(L"C:\\Config.ini", "[do]\r\nK=stale\r\n");  // an earlier run's, on another drive
    m_.recorder().driveTypes = {{L"C:", platform::kDriveFixed}, {L"D:", platform::kDriveFixed}};
    m_.recorder().onStart = ApplyFileCommand;
    auto entry = std::make_unique<OsEntry>();
    entry->name = L"Windows 10 专业版 64位";
    entry->localPath = L"D:\\Tarnvik\\gho-prlm\\win10_x64.gho";
    controller_.selectedOs = entry.get();
    controller_.osList.push_back(std::move(entry));
    controller_.peEntry.fileName = L"WEPE64.iso";
    controller_.installFailureNotice = &notices_;
    controller_.restartFailureNotice = &notices_;
  }

  // Runs the worker to its end.
  const CInstallThread& RunWorker() {
    install_testing::RunInstallWorker(controller_, points_);
    return *controller_.installWorker;
  }

  std::string ConfigKey(const wchar_t* key) {
    return WideToLocal(platform::Current().profiles().ReadString(L"do", key, L"(missing)", L"D:\\Config.ini"));
  }

  RecordedMachine m_{InstallMachineJson("gpt")};
  ReinstallController controller_;
  CountingNotices notices_;
  std::vector<PostedPoint> points_;  // written by the worker, read once it has ended
};

TEST_F(InstallThreadTest, AnInstallThatWorksRestartsWithTheShutdownPrivilege) {
  const CInstallThread& worker = RunWorker();
  EXPECT_TRUE(worker.outcome().ok()) << m_.recorder().Log();
  EXPECT_TRUE(worker.restartResult());
  const auto power = m_.recorder().Power();
  EXPECT_EQ(power.tokenAccess, std::vector<uint32_t>{0x28});
  EXPECT_EQ(power.privileges, std::vector<std::wstring>{L"SeShutdownPrivilege"});
  EXPECT_EQ(power.exits, (std::vector<std::pair<uint32_t, uint32_t>>{{0x12, 0}}));
  EXPECT_EQ(notices_.installFailed, 0);
  EXPECT_EQ(notices_.restartFailed, 0);

  ASSERT_EQ(points_.size(), 2u);
  EXPECT_EQ(points_[0].step, 1302);
  EXPECT_NE(points_[0].view.find("\nfinal_os=win10 64"), std::string::npos) << points_[0].view;
  EXPECT_EQ(points_[1].step, 1303);
  EXPECT_NE(points_[1].view.find("\nreset_succed=1"), std::string::npos) << points_[1].view;
  EXPECT_EQ(m_.HostText(L"C:\\ghostPe.In"), "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\win10_x64.gho\r\n");
}

TEST_F(InstallThreadTest, AFailedInstallPostsItsNoticeAndStillHandsOffTheStatistics) {
  // The run's identity, as the start-up point fixed it.
  CurrentPointIdentity() = {EncryptString("", kStatsKey), EncryptString("17000000001234", kStatsKey), true};
  m_.machine().machine().files().RemoveFile(L"D:\\Tarnvik\\PE\\WEPE64.iso");
  const CInstallThread& worker = RunWorker();
  EXPECT_EQ(worker.outcome().failedStep, InstallStep::PeBootFiles);
  EXPECT_NE(m_.recorder().Log().find("not find PeISO.\r\n"), std::string::npos);
  EXPECT_EQ(notices_.installFailed, 1);
  EXPECT_EQ(notices_.restartFailed, 0);
  EXPECT_TRUE(m_.recorder().Power().tokenAccess.empty());  // no restart tried
  EXPECT_TRUE(worker.restartResult());
  ASSERT_EQ(points_.size(), 2u);
  EXPECT_NE(points_[1].view.find("\nreset_succed=1"), std::string::npos) << points_[1].view;

  EXPECT_EQ(ConfigKey(L"K"), kStatsKey);
  // The WinPE reports under the run's identity, the one its points carry.
  const std::string fd = DecryptedView(ConfigKey(L"FD"));
  EXPECT_NE(fd.find("\nstep=1999"), std::string::npos) << fd;
  EXPECT_NE(fd.find("\nsole=17000000001234\n"), std::string::npos) << fd;
  EXPECT_NE(points_[0].view.find("\nsole=17000000001234\n"), std::string::npos) << points_[0].view;
  EXPECT_EQ(m_.HostText(L"C:\\Config.ini"), "(missing)");
}

TEST_F(InstallThreadTest, ARefusedRestartShowsTheRestartNotice) {
  struct Case {
    const char* what;
    bool tokenOpens, restartAccepted;
    size_t exits;
  };
  for (const Case& c : {Case{"token refused", false, true, 0}, Case{"restart refused", true, false, 1}}) {
    m_.recorder().tokenOpens = c.tokenOpens;
    m_.recorder().restartAccepted = c.restartAccepted;
    notices_.restartFailed = 0;
    points_.clear();
    const CInstallThread& worker = RunWorker();
    EXPECT_TRUE(worker.outcome().ok()) << c.what;
    EXPECT_FALSE(worker.restartResult()) << c.what;
    EXPECT_EQ(notices_.restartFailed, 1) << c.what;
    EXPECT_EQ(notices_.installFailed, 0) << c.what;
    EXPECT_EQ(m_.recorder().Power().exits.size(), c.exits) << c.what;
    ASSERT_EQ(points_.size(), 2u);
    EXPECT_NE(points_[1].view.find("\nreset_succed=0"), std::string::npos) << c.what << points_[1].view;
    m_.machine().machine().files().RemoveFile(L"D:\\Config.ini");
  }
}

TEST_F(InstallThreadTest, AnUnreadableVersionSkipsTheRestartAndShowsTheRestartNotice) {
  m_.recorder().version.reset();
  const CInstallThread& worker = RunWorker();
  EXPECT_TRUE(worker.outcome().ok()) << m_.recorder().Log();  // the GPT path needs no version
  EXPECT_FALSE(worker.restartResult());
  EXPECT_TRUE(m_.recorder().Power().tokenAccess.empty());
  EXPECT_EQ(notices_.restartFailed, 1);
  EXPECT_NE(m_.recorder().Log().find("restart not requested: the Windows version cannot be read\n"), std::string::npos);
}

}  // namespace
