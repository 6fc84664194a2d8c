// The program's windows rendered headless, against committed golden images.

#include <gtest/gtest.h>

#include "app/global_param.h"
#include "skin/skin.h"
#include "support/golden.h"
#include "support/skin_machine.h"
#include "support/temp_dir.h"
#include "reinstall/reinstall_controller.h"
#include "ui/db_task.h"
#include "ui/download_box.h"
#include "ui/download_box1.h"
#include "ui/msg_box.h"
#include "ui/os_list.h"
#include "ui/os_list_item1.h"
#include "ui/os_list_item2.h"
#include "ui/preview_wnd.h"
#include "ui/tishi_wnd.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

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

  // The preview window, created, with an image list of `height` as its first control.
  static COsListUI* AddList(CPreviewWnd& window, int height) {
    window.CreateProgramWindow(nullptr, L"preview");
    auto* list = new COsListUI;
    list->SetFixedHeight(height);
    window.Body()->Add(list);
    return list;
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

TEST_F(GoldenTest, MessageBoxWithMoreTextThanItHolds) {
  std::wstring text;
  for (int i = 0; i < 4; ++i) text += L"下载镜像失败，请检查网络是否正确连接，或者更换下载目录后重试。";
  MsgBox::CMsgBox1 box(text, L"提示", 3, MsgButton{L"确定", 0, true, {}});
  box.CreateProgramWindow(nullptr, DialogTitle());
  ExpectLooksLike(box, "msgbox_long.png");
}

TEST_F(GoldenTest, ReselectionRowsWithALongName) {
  CPreviewWnd window;
  COsListUI* list = AddList(window, 150);
  list->Add(new COsListItem2(L"Windows 10 专业版 64位 纯净版 带全部驱动 2024年5月更新", 4832716800LL, 2));
  list->Add(new COsListItem2(L"Windows 11 专业版 64位", 5637144576LL, 3));
  list->Add(new COsListItem2(L"Windows 7 旗舰版 64位", 3865470566LL, 0));
  static_cast<COsListItem2*>(list->GetItemAt(0))->ShowProgress(42);
  static_cast<COsListItem2*>(list->GetItemAt(0))->Option()->Selected(true, false);
  ExpectLooksLike(window, "reselect_rows.png");
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
  COsListUI* list = AddList(window, 140);
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

TEST_F(GoldenTest, DownloadBoxWithARowDownloadingOneFailedOneDoneAndOneWaiting) {
  CGlobalParam::Instance()->imageDir = L"D:\\Tarnvik\\gho-prlm\\";
  OsEntry downloading, failed, done, waiting;
  downloading.name = L"Windows 10 专业版 64位 纯净版 带全部驱动 2024年5月更新";
  downloading.size = 4832716800LL;
  failed.name = L"Windows 7 旗舰版 32位";
  failed.size = 3328599654LL;
  done.name = L"Windows 11 专业版 64位";
  done.size = 5637144576LL;
  done.state = 3;
  waiting.name = L"Windows 7 旗舰版 64位";
  waiting.size = 3865470566LL;
  ReinstallController reinstall;
  std::vector<std::unique_ptr<OsEntry>> catalogue;
  PeEntry pe;
  UsbMakerController usbMaker(catalogue, pe, {});
  CDownloadBox box(reinstall, usbMaker, {&downloading, &failed, &done, &waiting});
  box.makeWorker = nullptr;
  box.CreateProgramWindow(nullptr, DialogTitle());
  box.SetRowProgress(0, (downloading.size >> 12) / 2);
  box.SetRowPercent(0, 50.9f);
  box.SetRowSpeed(0, 1536 * 1024);
  box.MarkRowFailed(1, L"Windows 7 旗舰版 32位: refused");
  ExpectLooksLike(box, "download_box.png");
}

TEST_F(GoldenTest, DownloadOnlyBoxDone) {
  CGlobalParam::Instance()->imageDir = L"E:\\images\\";
  OsEntry done;
  done.name = L"Windows 11 专业版 64位";
  done.size = 5637144576LL;
  done.state = 3;
  ReinstallController reinstall;
  CDownloadBox1 box(reinstall, {&done}, L"E:\\images\\");
  box.CreateProgramWindow(nullptr, DialogTitle());
  SendMessage(box.GetHWND(), kMsgAllDownloadsDone);
  ExpectLooksLike(box, "download_box1.png");
}

}  // namespace
