// The start-up notice: five seconds of countdown on a clock the test moves.

#include <gtest/gtest.h>

#include <atomic>

#include "skin/skin.h"
#include "support/skin_machine.h"
#include "ui/mask_wnd.h"
#include "ui/tishi_wnd.h"
#include "ui/xml_wnd.h"

namespace {

using namespace DuiLib;

TEST(TishiWnd, CountsDownFiveSecondsBeforeTheButtonTakesAClick) {
  ManualClock clock;
  testing_support::SkinMachine machine;
  std::atomic<int> result{-1};
  std::atomic<bool> confirmed{false};
  testing_support::UiThread ui([&] {
    CTishiWnd notice;
    notice.CreateProgramWindow(nullptr, DialogTitle());
    result = ShowModalMasked(&notice);
    confirmed = notice.confirmed;
  });
  const automation::FoundWindow found = automation::WaitForWindowOfClass(L"XMLWnd");
  ASSERT_TRUE(found) << found.failure;
  HWND h = found.hwnd;

  EXPECT_EQ(automation::Text(h, L"btnIKnow"), L"我知道了(5)");
  const wchar_t* afterEachSecond[] = {L"我知道了(4)", L"我知道了(3)", L"我知道了(2)", L"我知道了(1)"};
  for (const wchar_t* text : afterEachSecond) {
    EXPECT_FALSE(automation::IsEnabled(h, L"btnIKnow"));
    automation::Click(h, L"btnIKnow");
    EXPECT_TRUE(IsWindow(h)) << "clicked before the countdown ended";
    clock.Advance(999);
    automation::WaitIdle(h);
    EXPECT_NE(automation::Text(h, L"btnIKnow"), text);
    clock.Advance(1);
    EXPECT_EQ(automation::Text(h, L"btnIKnow"), text);
  }
  EXPECT_FALSE(automation::IsEnabled(h, L"btnIKnow"));
  clock.Advance(1000);
  EXPECT_EQ(automation::Text(h, L"btnIKnow"), L"我知道了");
  EXPECT_TRUE(automation::IsEnabled(h, L"btnIKnow"));
  clock.Advance(5000);  // the timer is gone: the text stays
  EXPECT_EQ(automation::Text(h, L"btnIKnow"), L"我知道了");

  EXPECT_TRUE(automation::Click(h, L"btnIKnow"));
  ui.Join();
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(confirmed);
}

TEST(TishiWnd, ClosedWithoutTheButtonItIsNotConfirmed) {
  testing_support::SkinMachine machine;
  std::atomic<bool> confirmed{true};
  testing_support::UiThread ui([&] {
    CTishiWnd notice;
    notice.CreateProgramWindow(nullptr, DialogTitle());
    ShowModalMasked(&notice);
    confirmed = notice.confirmed;
  });
  const automation::FoundWindow found = automation::WaitForWindowOfClass(L"XMLWnd");
  ASSERT_TRUE(found) << found.failure;
  HWND h = found.hwnd;
  automation::CloseFromTitleBar(h);
  ui.Join();
  EXPECT_FALSE(confirmed);
}

}  // namespace
