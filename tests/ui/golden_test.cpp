// The program's windows rendered headless, against committed golden images.

#include <gtest/gtest.h>

#include "app/global_param.h"
#include "skin/skin.h"
#include "support/golden.h"
#include "support/skin_machine.h"
#include "support/temp_dir.h"
#include "ui/db_task.h"
#include "ui/msg_box.h"
#include "ui/os_list.h"
#include "ui/os_list_item1.h"
#include "ui/preview_wnd.h"
#include "ui/tishi_wnd.h"

namespace {

using namespace DuiLib;

class GoldenTest : public ::testing::Test {
 protected:
  void TearDown() override { CGlobalParam::Release(); }

  // Renders the created window and compares it with the golden of that name.
  void ExpectLooksLike(WindowImplBase& window, const std::string& golden) {
    std::string rendered = (dir_.path() / golden).string();
    auto surface = window.RenderNow();
    ASSERT_TRUE(surface && surface->WritePng(rendered));
    EXPECT_EQ(testing_support::CompareWithGolden(rendered, golden), "");
  }

  testing_support::SkinMachine machine_;
  testing_support::TempDir dir_;
};

TEST_F(GoldenTest, MessageBoxWithOneButton) {
  MsgBox::CMsgBox1 box(L"重装失败,请关闭杀毒软件，重新安装！", L"提示", 3, MsgButton{L"确定", 0, true, {}});
  box.CreateProgramWindow(nullptr, DialogTitle());
  ExpectLooksLike(box, "msgbox1.png");
}

TEST_F(GoldenTest, MessageBoxWithTwoButtonsOfTwoStyles) {
  MsgBox::CMsgBox2 box(L"80%以上的新电脑会在BIOS内锁定出厂系统，若要降级安装系统，需进BIOS解锁", L"提示", 0,
                       MsgButton{L"查看教程", 2, false, {}}, MsgButton{L"继续装机", 0, true, {}});
  box.CreateProgramWindow(nullptr, DialogTitle());
  ExpectLooksLike(box, "msgbox2.png");
}

TEST_F(GoldenTest, NoticeWindowWithThreeSecondsLeft) {
  CTishiWnd notice;
  notice.CreateProgramWindow(nullptr, DialogTitle());
  SendMessage(notice.GetHWND(), WM_TIMER, 1, 0);
  SendMessage(notice.GetHWND(), WM_TIMER, 1, 0);
  ExpectLooksLike(notice, "tishi.png");
}

TEST_F(GoldenTest, ImageListAndTaskPanel) {
  CPreviewWnd window;
  window.CreateProgramWindow(nullptr, L"preview");
  auto* list = new COsListUI;
  list->SetFixedHeight(140);
  window.Body()->Add(list);
  list->Add(new COsListItem1(L"Windows 10 专业版 64位", L"2024-05-20", 4832716800LL, L"", 1));
  list->Add(new COsListItem1(L"Windows 11 专业版 64位", L"2024-06-11", 5637144576LL, L"", 3));
  list->SelectItem(1);
  auto* task = new CDbTaskUI;
  window.Body()->Add(task);
  task->NameLabel()->SetText(L"Windows 10 专业版 64位");
  task->SetSpeedText(1536 * 1024);
  task->DownloadProgress()->SetValue(50);
  task->AddBackupSection(L"E:\\beifenshuju");
  task->BackupProgress()->SetValue(20);
  ExpectLooksLike(window, "list_and_task.png");
}

}  // namespace
