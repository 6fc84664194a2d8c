// The message boxes: results, callbacks, the mask over the owner, looks and the spacer.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "skin/image.h"
#include "skin/skin.h"
#include "support/ink.h"
#include "support/skin_machine.h"
#include "support/temp_dir.h"
#include "support/test_window.h"
#include "ui/mask_wnd.h"
#include "ui/msg_box.h"
#include "ui/spacer_rule.h"

namespace {

using namespace DuiLib;
using testing_support::SkinMachine;
using testing_support::UiThread;

// Runs `show` on a UI thread of its own, finds the box it opens and lets `drive` act on
// it; returns what `show` returned.
int RunBox(const std::function<int()>& show, const std::function<void(HWND)>& drive) {
  std::atomic<int> result{-1};
  UiThread ui([&] { result = show(); });
  const automation::FoundWindow box = automation::WaitForWindowOfClass(L"XMLWnd");
  EXPECT_TRUE(box) << box.failure;
  if (box) drive(box.hwnd);
  ui.Join();
  return result;
}

TEST(MsgBox, OneButtonBoxAnswersOneForItsButtonAndZeroOtherwise) {
  SkinMachine machine;
  auto show = [] { return ShowMsgBox1(nullptr, L"请检查网络是否正确连接！", L"提示", 0, L"确定"); };
  struct Case {
    const char* how;
    std::function<void(HWND)> close;
    int expected;
  };
  const Case cases[] = {
      {"button", [](HWND h) { EXPECT_TRUE(automation::Click(h, L"btn1")); }, 1},
      {"title bar", [](HWND h) { automation::CloseFromTitleBar(h); }, 0},
      {"close button", [](HWND h) { EXPECT_TRUE(automation::Click(h, L"closebtn")); }, 0},
      {"escape", [](HWND h) { PostMessage(h, WM_KEYDOWN, VK_ESCAPE); }, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RunBox(show, c.close), c.expected) << c.how;
}

TEST(MsgBox, TwoButtonBoxShowsItsTextsAndAnswersWithTheButtonNumber) {
  SkinMachine machine;
  auto show = [] { return ShowMsgBox2(nullptr, L"程序正在运行，确定要退出？", L"提示", 0, L"确定", L"取消"); };
  EXPECT_EQ(RunBox(show,
                   [](HWND h) {
                     EXPECT_EQ(GetWindowTitle(h), L"Tarnvik弹窗");
                     EXPECT_EQ(automation::Text(h, L"labTitle"), L"提示");
                     EXPECT_EQ(automation::Text(h, L"reText"), L"程序正在运行，确定要退出？");
                     EXPECT_EQ(automation::Text(h, L"btn1"), L"确定");
                     EXPECT_EQ(automation::Text(h, L"btn2"), L"取消");
                     EXPECT_EQ(automation::Inspect(h, L"imgIcon")->bkImage, L"skin\\u\\m\\icon-que.png");
                     automation::Click(h, L"btn1");
                   }),
            1);
  EXPECT_EQ(RunBox(show, [](HWND h) { automation::Click(h, L"btn2"); }), 2);
  EXPECT_EQ(RunBox(show, [](HWND h) { automation::CloseFromTitleBar(h); }), 0);
}

TEST(MsgBox, AButtonThatDoesNotCloseRunsItsCallbackAndKeepsTheBoxOpen) {
  SkinMachine machine;
  std::atomic<int> tutorials{0}, unlocked{0};
  MsgButton tutorial{L"解锁教程", 0, false, [&] { ++tutorials; }};
  MsgButton done{L"我已解锁", 0, true, [&] { ++unlocked; }};
  auto show = [&] { return ShowMsgBox2Ex(nullptr, L"需进BIOS解锁", L"提示", 0, tutorial, done); };

  EXPECT_EQ(RunBox(show,
                   [&](HWND h) {
                     EXPECT_TRUE(automation::Click(h, L"btn1"));
                     EXPECT_TRUE(automation::Click(h, L"btn1"));
                     EXPECT_TRUE(IsWindow(h));
                     EXPECT_EQ(automation::Inspect(h, L"imgIcon")->bkImage, L"skin\\u\\m\\icon-exc.png");
                     automation::Click(h, L"btn2");
                   }),
            2);
  EXPECT_EQ(tutorials, 2);
  EXPECT_EQ(unlocked, 1);

  // The result keeps the number of the last button pressed; closing runs no callback.
  EXPECT_EQ(RunBox(show,
                   [](HWND h) {
                     automation::Click(h, L"btn1");
                     automation::CloseFromTitleBar(h);
                   }),
            1);
  EXPECT_EQ(RunBox(show, [](HWND h) { automation::CloseFromTitleBar(h); }), 0);
  EXPECT_EQ(tutorials, 3);
  EXPECT_EQ(unlocked, 1);
}

// Also over an owner the user moved partly off the screen (headless: 1920 x 1080).
TEST(MsgBox, WithAnOwnerADisabledMaskCoversItWhileTheBoxRuns) {
  for (POINT at : {POINT{100, 50}, POINT{1500, 700}}) {
    SkinMachine machine;
    std::atomic<int> result{-1};
    std::atomic<HWND> owner{nullptr};
    UiThread ui([&] {
      testing_support::TestWindow frame(machine, L"frame.xml",
                                        testing_support::WindowXml("<Control bkcolor=\"#FFFFFFFF\" />", "800,600"));
      frame.Create(nullptr, L"Tarnvik", WS_VISIBLE, 0, at.x, at.y, CW_USEDEFAULT, CW_USEDEFAULT);
      owner = frame.GetHWND();
      result = ShowMsgBox1(frame.GetHWND(), L"磁盘容量不足，请检查磁盘空间", L"提示", 0, L"确定");
    });
    const automation::FoundWindow maskFound = automation::WaitForWindowOfClass(L"MaskWnd");
    ASSERT_TRUE(maskFound) << maskFound.failure;
    HWND mask = maskFound.hwnd;
    const automation::FoundWindow boxFound = automation::WaitForWindowOfClass(L"XMLWnd");
    ASSERT_TRUE(boxFound) << boxFound.failure;
    HWND box = boxFound.hwnd;
    automation::WaitIdle(box);
    RECT ownerRect, maskRect;
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(mask, &maskRect);
    EXPECT_EQ(maskRect, ownerRect) << at.x;
    EXPECT_EQ(GetWindowTitle(mask), L"_*_mask_*_");
    EXPECT_EQ(GetWindowOwner(mask), owner.load());
    EXPECT_FALSE(IsWindowEnabled(mask));
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(GetWindowOwner(box), owner.load());
    // The veil darkens the white owner beneath it.
    testing_support::TempDir dir;
    std::string shot = (dir.path() / "mask.png").string();
    ASSERT_TRUE(automation::Capture(mask, shot));
    std::ifstream file(shot, std::ios::binary);
    auto picture = DecodePng(std::string(std::istreambuf_iterator<char>(file), {}));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixels[10 * picture->width + 10], 0xFF999999u);
    automation::Click(box, L"btn1");
    ui.Join();
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(IsWindow(mask));
  }
}

// The install worker shows its restart-failure notice from its own thread, owned by the
// main window of the UI thread; both threads keep running their own windows.
TEST(MsgBox, AWorkerThreadShowsABoxOwnedByTheMainWindow) {
  SkinMachine machine;
  std::atomic<HWND> frame{nullptr};
  UiThread ui([&] {
    testing_support::TestWindow main(machine, L"main.xml", testing_support::WindowXml("<Control />", "800,600"), L"Main");
    main.Create(nullptr, L"Tarnvik", WS_VISIBLE, 0);
    frame = main.GetHWND();
    main.ShowModal();
  });
  const automation::FoundWindow ownerFound = automation::WaitForWindowOfClass(L"Main");
  ASSERT_TRUE(ownerFound) << ownerFound.failure;
  HWND owner = ownerFound.hwnd;
  std::atomic<int> result{-1};
  std::thread installWorker([&] { result = ShowMsgBox1(owner, L"重启失败，请手动重启电脑", L"提示", 0, L"确定"); });
  const automation::FoundWindow boxFound = automation::WaitForWindowOfClass(L"XMLWnd");
  ASSERT_TRUE(boxFound) << boxFound.failure;
  HWND box = boxFound.hwnd;
  EXPECT_EQ(automation::Text(box, L"reText"), L"重启失败，请手动重启电脑");
  EXPECT_FALSE(IsWindowEnabled(owner));
  automation::WaitIdle(owner);  // the main window's thread still runs its loop
  EXPECT_TRUE(automation::Click(box, L"btn1"));
  installWorker.join();
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(IsWindowEnabled(owner));
  PostMessage(owner, WM_CLOSE, 0);
  ui.Join();
}

TEST(MsgBox, WithoutAnOwnerNoMaskIsShown) {
  SkinMachine machine;
  EXPECT_EQ(RunBox([] { return ShowMsgBox1(nullptr, L"提示", L"提示", 2, L"确定"); },
                   [](HWND h) {
                     automation::WaitIdle(h);
                     for (HWND w : LiveWindows()) EXPECT_NE(GetWindowClass(w), L"MaskWnd");
                     automation::Click(h, L"btn1");
                   }),
            1);
}

TEST(MsgBox, ButtonStylesSetImagesAndTextColours) {
  SkinMachine machine;
  struct Case {
    int style;
    const wchar_t* normal;
    DWORD text;
    DWORD hot;
  };
  const Case cases[] = {
      {0, L"skin\\u\\m\\btn-fgreen-normal.png", 0xffffff, 0},
      {1, L"skin\\u\\m\\btn-e-normal.png", 0x283036, 0xffffff},
      {2, L"skin\\u\\m\\btn-fgray-normal.png", 0xffffff, 0},
      {7, L"skin\\u\\m\\btn-fgreen-normal.png", 0xFFFFFFFF, 0},  // the skin's own look
  };
  for (const Case& c : cases) {
    MsgBox::CMsgBox2 box(L"文本", L"标题", 1, MsgButton{L"甲", c.style, true, {}}, MsgButton{L"乙", c.style, true, {}});
    box.CreateProgramWindow(nullptr, L"box");
    auto* btn1 = static_cast<CButtonUI*>(box.GetPaintManager().FindControl(L"btn1"));
    ASSERT_TRUE(btn1);
    EXPECT_EQ(btn1->GetText(), L"甲") << c.style;
    EXPECT_EQ(btn1->GetNormalImage(), c.normal) << c.style;
    EXPECT_EQ(btn1->GetTextColor(), c.text) << c.style;
    EXPECT_EQ(btn1->GetHotTextColor(), c.hot) << c.style;
    EXPECT_EQ(btn1->GetPushedTextColor(), c.hot) << c.style;
  }
}

// A message longer than the box holds ends, on its last shown line, with an ellipsis; a
// short one is shown whole.
TEST(MsgBox, AMessageTooLongForTheBoxShowsThatItIsCut) {
  SkinMachine machine;
  const std::wstring shortText = L"重启失败，请手动重启电脑";
  std::wstring longText;
  for (int i = 0; i < 6; ++i) longText += L"下载镜像失败，请检查网络是否正确连接，或者更换下载目录后重试。";
  for (const std::wstring& text : {shortText, longText}) {
    MsgBox::CMsgBox1 box1(text, L"提示", 0, MsgButton{L"确定", 0, true, {}});
    MsgBox::CMsgBox2 box2(text, L"提示", 0, MsgButton{L"确定", 0, true, {}}, MsgButton{L"取消", 1, true, {}});
    for (MsgBox::CMsgBoxBase* box : {static_cast<MsgBox::CMsgBoxBase*>(&box1), static_cast<MsgBox::CMsgBoxBase*>(&box2)}) {
      box->CreateProgramWindow(nullptr, L"box");
      Bitmap shown = box->RenderNow()->ToBitmap();
      RECT message = box->GetPaintManager().FindControl(L"reText")->GetPos();
      EXPECT_EQ(testing_support::EndsWithEllipsis(shown, message), text == longText) << text.size();
    }
  }
}

TEST(SpacerRule, CentresShortMessagesInTheBand) {
  struct Case {
    int width, height, perLine, expected;
  };
  const Case cases[] = {
      {229, 18, 230, 32},    // one line narrower than a box line: (65 - 0) / 2
      {230, 18, 230, 23},    // one full line counts as one: (65 - 18) / 2
      {700, 18, 345, 14},    // two: (65 - 36) / 2
      {690, 21, 230, 6},     // (65 - 63) / 2 is 1, which becomes 6
      {1150, 18, 230, -12},  // five: (65 - 90) / 2 truncates toward zero
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessageSpacerHeight(c.width, c.height, c.perLine), c.expected) << c.width << "x" << c.height;
  }
}

TEST(SpacerRule, TheBoxesMeasureTheirMessageAndSizeTheSpacer) {
  SkinMachine machine;
  const std::wstring shortText = L"重启失败，请手动重启电脑";
  const std::wstring longText(60, L'长');
  for (const std::wstring& text : {shortText, longText}) {
    MsgBox::CMsgBox1 box(text, L"提示", 0, MsgButton{L"确定", 0, true, {}});
    box.CreateProgramWindow(nullptr, L"box");
    CPaintManagerUI& pm = box.GetPaintManager();
    SIZE extent = pm.MeasureText(text);
    int expected = MessageSpacerHeight(extent.cx, extent.cy, 230);
    CControlUI* spacer = pm.FindControl(L"ctrlSetHeight");
    ASSERT_TRUE(spacer);
    // Negative heights are no height: the skin's stays.
    EXPECT_EQ(spacer->GetFixedHeight(), expected >= 0 ? expected : 32);
    EXPECT_EQ(pm.FindControl(L"reText")->GetText(), text);
  }
}

}  // namespace
