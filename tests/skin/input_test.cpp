// Mouse input through hit-testing: clicks, covered and disabled controls, options and
// their groups, list rows and their selection.

#include <gtest/gtest.h>

#include "skin/skin.h"
#include "support/skin_machine.h"
#include "support/test_window.h"

namespace {

using namespace DuiLib;
using testing_support::TempMachine;
using testing_support::TestWindow;
using testing_support::UiThread;
using testing_support::WindowXml;

const std::string kControls = WindowXml(R"(
  <VerticalLayout bkcolor="#FFFFFFFF">
    <HorizontalLayout height="40">
      <Button name="btnA" width="80" text="A" />
      <Button name="btnOff" width="80" text="Off" enabled="false" />
      <Container width="80">
        <Button name="btnCovered" text="C" />
        <Control name="cover" float="true" pos="0,0,80,40" />
      </Container>
      <Button name="btnHidden" width="60" visible="false" />
    </HorizontalLayout>
    <HorizontalLayout height="30">
      <Option name="opt1" width="60" group="g" selected="true" text="一" />
      <Option name="opt2" width="60" group="g" text="二" />
      <Option name="chk" width="60" text="勾" />
    </HorizontalLayout>
    <List name="list" itemselectedbkcolor="#FFE8F8F0">
      <ListContainerElement name="row0" height="30"><Label name="label0" text="第一行" /></ListContainerElement>
      <ListContainerElement name="row1" height="30"><Label name="label1" text="第二行" mouse="false" /></ListContainerElement>
      <ListContainerElement name="row2" height="30" enabled="false"><Label text="第三行" /></ListContainerElement>
    </List>
  </VerticalLayout>)");

// Runs the window on its own thread for the test's scope; `Finish` closes it and hands
// back the notifications it received.
class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_ = std::make_unique<UiThread>([this] {
      TestWindow w(machine_, L"input.xml", kControls);
      w.Create(nullptr, L"input", WS_VISIBLE, 0);
      w.ShowModal();
      notes_ = w.notes;
    });
    const automation::FoundWindow found = automation::WaitForWindowOfClass(L"TestWindow");
    ASSERT_TRUE(found) << found.failure;
    hwnd_ = found.hwnd;
  }

  std::vector<std::wstring> Finish() {
    PostMessage(hwnd_, WM_CLOSE, 0);
    ui_->Join();
    return notes_;
  }

  TempMachine machine_;
  std::unique_ptr<UiThread> ui_;
  HWND hwnd_ = nullptr;
  std::vector<std::wstring> notes_;
};

TEST_F(InputTest, OnlyAVisibleEnabledUncoveredButtonTakesTheClick) {
  EXPECT_TRUE(automation::Click(hwnd_, L"btnA"));
  EXPECT_FALSE(automation::Click(hwnd_, L"btnCovered"));
  EXPECT_FALSE(automation::Click(hwnd_, L"btnHidden"));
  automation::Click(hwnd_, L"btnOff");
  EXPECT_EQ(Finish(), std::vector<std::wstring>{L"click:btnA"});
}

TEST_F(InputTest, AClickNeedsPressAndReleaseOverTheButton) {
  auto a = automation::Inspect(hwnd_, L"btnA");
  ASSERT_TRUE(a);
  POINT inside{a->pos.left + 5, a->pos.top + 5};
  RunOnWindowThread(hwnd_, [&] {
    DispatchWindowMessage(hwnd_, WM_LBUTTONDOWN, 0, MakePointParam(inside.x, inside.y));
    DispatchWindowMessage(hwnd_, WM_MOUSEMOVE, 0, MakePointParam(250, 150));
    DispatchWindowMessage(hwnd_, WM_LBUTTONUP, 0, MakePointParam(250, 150));
  });
  EXPECT_TRUE(Finish().empty());
}

TEST_F(InputTest, OptionsOfAGroupExcludeEachOtherAndTheNewOneAnnouncesIt) {
  EXPECT_TRUE(automation::Click(hwnd_, L"opt2"));
  EXPECT_FALSE(automation::IsSelected(hwnd_, L"opt1"));
  EXPECT_TRUE(automation::IsSelected(hwnd_, L"opt2"));
  EXPECT_TRUE(automation::Click(hwnd_, L"opt2"));  // stays selected, no change
  EXPECT_TRUE(automation::Click(hwnd_, L"chk"));
  EXPECT_TRUE(automation::Click(hwnd_, L"chk"));  // an option without group toggles
  EXPECT_FALSE(automation::IsSelected(hwnd_, L"chk"));
  EXPECT_EQ(Finish(), (std::vector<std::wstring>{L"click:opt2", L"selectchanged:opt2", L"click:opt2", L"click:chk",
                                                 L"selectchanged:chk", L"click:chk", L"selectchanged:chk"}));
}

TEST_F(InputTest, PressingARowSelectsItThroughItsLabels) {
  EXPECT_TRUE(automation::ClickRow(hwnd_, L"list", 0));  // on the label, which passes the press on
  EXPECT_TRUE(automation::ClickRow(hwnd_, L"list", 1));  // on a label that takes no mouse
  EXPECT_TRUE(automation::ClickRow(hwnd_, L"list", 1));  // already selected: nothing new
  automation::ClickRow(hwnd_, L"list", 2);                // disabled: ignores the press
  EXPECT_FALSE(automation::IsSelected(hwnd_, L"row0"));
  EXPECT_TRUE(automation::IsSelected(hwnd_, L"row1"));
  EXPECT_FALSE(automation::IsSelected(hwnd_, L"row2"));
  EXPECT_EQ(Finish(), (std::vector<std::wstring>{L"itemselect:list:0:-1", L"itemselect:list:1:0"}));
}

}  // namespace
