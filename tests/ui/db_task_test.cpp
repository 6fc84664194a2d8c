// The download-task panel: speed text, layout, backup section, and updates from workers.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/global_param.h"
#include "app/size_text.h"
#include "skin/skin.h"
#include "support/skin_machine.h"
#include "support/temp_dir.h"
#include "ui/db_task.h"
#include "ui/preview_wnd.h"

namespace {

using namespace DuiLib;

class DbTaskTest : public ::testing::Test {
 protected:
  void TearDown() override { CGlobalParam::Release(); }
  testing_support::SkinMachine machine_;
};

TEST(SpeedText, UnitBoundaries) {
  struct Case {
    int64_t bytesPerSecond;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"0.0K/s"},
      {-2048, L"-2.0K/s"},
      {1048575, L"1024.0K/s"},
      {1048576, L"1.0M/s"},
      {2621440, L"2.5M/s"},
      {(int64_t(1) << 30) - 1, L"1024.0M/s"},
      {int64_t(1) << 30, L"1.0G/s"},
      {int64_t(3) << 30, L"3.0G/s"},
  };
  for (const Case& c : cases) EXPECT_EQ(SpeedText(c.bytesPerSecond), c.text) << c.bytesPerSecond;
}

TEST_F(DbTaskTest, PanelHasItsFixedSizeBorderAndFolder) {
  CDbTaskUI panel;
  EXPECT_STREQ(panel.GetClass(), L"DbTaskUI");
  EXPECT_EQ(panel.GetInterface(L"DbTaskUI"), &panel);
  EXPECT_NE(panel.GetInterface(L"Container"), nullptr);
  EXPECT_EQ(panel.GetFixedWidth(), 640);
  EXPECT_EQ(panel.GetFixedHeight(), 100);
  EXPECT_EQ(panel.FolderButton()->GetText(), L"D:\\Tarnvik\\gho-prlm");
  EXPECT_EQ(panel.FolderButton()->GetName(), L"btnDownFolder");
  EXPECT_EQ(panel.PauseButton()->GetName(), L"btnDownPause");
  EXPECT_EQ(panel.PauseButton()->GetNormalImage(), L"skin\\r\\do\\btnPause-normal.png");
  EXPECT_FALSE(panel.HasBackupSection());
  panel.SetPos(RECT{0, 0, 640, 100});
  EXPECT_EQ(panel.DownloadProgress()->GetPos(), (RECT{20, 50, 620, 60}));
  EXPECT_EQ(panel.SpeedLabel()->GetPos(), (RECT{320, 70, 440, 82}));
  EXPECT_EQ(panel.FolderButton()->GetPos(), (RECT{104, 68, 244, 84}));
  panel.SetSpeedText(1048576);
  EXPECT_EQ(panel.SpeedLabel()->GetText(), L"1.0M/s");
}

TEST_F(DbTaskTest, BackupSectionGrowsThePanelOnce) {
  CDbTaskUI panel;
  int before = panel.GetCount();
  panel.AddBackupSection(L"E:\\beifenshuju");
  EXPECT_TRUE(panel.HasBackupSection());
  EXPECT_EQ(panel.GetFixedHeight(), 200);
  EXPECT_EQ(panel.BackupFolderButton()->GetName(), L"btnBkpFolder");
  EXPECT_EQ(panel.BackupFolderButton()->GetText(), L"E:\\beifenshuju");
  int after = panel.GetCount();
  EXPECT_EQ(after - before, 6);
  panel.AddBackupSection(L"F:\\beifenshuju");
  EXPECT_EQ(panel.GetCount(), after);
  EXPECT_EQ(panel.BackupFolderButton()->GetText(), L"F:\\beifenshuju");
  panel.SetPos(RECT{0, 0, 640, 200});
  EXPECT_EQ(panel.BackupProgress()->GetPos(), (RECT{20, 150, 620, 160}));
  EXPECT_EQ(panel.BackupPercentLabel()->GetPos(), (RECT{550, 168, 620, 189}));
}

// A worker writes progress and speed straight into the panel while the window runs, as
// the download worker does; the window shows the last values and nothing races.
TEST_F(DbTaskTest, AWorkerUpdatesThePanelWhileTheWindowRuns) {
  std::atomic<CDbTaskUI*> panel{nullptr};
  testing_support::UiThread ui([&] {
    CPreviewWnd window;
    window.CreateProgramWindow(nullptr, L"task");
    auto* task = new CDbTaskUI;
    task->DownloadProgress()->SetName(L"pgsDownload");
    task->SpeedLabel()->SetName(L"labSpeed");
    task->AddBackupSection(L"E:\\beifenshuju");
    task->BackupProgress()->SetName(L"pgsBackup");
    window.Body()->Add(task);
    panel = task;
    window.ShowModal();
  });
  const automation::FoundWindow found = automation::WaitForWindowOfClass(L"XMLWnd");
  ASSERT_TRUE(found) << found.failure;
  HWND h = found.hwnd;
  automation::WaitIdle(h);
  std::thread download([&] {
    for (int i = 0; i <= 100; ++i) {
      panel.load()->DownloadProgress()->SetValue(i);
      panel.load()->SetSpeedText(int64_t(i) << 20);
    }
  });
  std::thread backup([&] {
    for (int i = 0; i <= 100; ++i) panel.load()->BackupProgress()->SetValue(100 - i);
  });
  // Meanwhile the UI thread renders the panel it is being changed under.
  testing_support::TempDir dir;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(automation::Capture(h, (dir.path() / "task.png").string()));
  download.join();
  backup.join();
  EXPECT_EQ(automation::Inspect(h, L"pgsDownload")->value, 100);
  EXPECT_EQ(automation::Inspect(h, L"pgsBackup")->value, 0);
  EXPECT_EQ(automation::Text(h, L"labSpeed"), L"100.0M/s");
  PostMessage(h, WM_CLOSE, 0);
  ui.Join();
}

}  // namespace
