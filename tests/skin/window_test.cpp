// Windows: modal runs and their close codes, nesting, timers, messages across threads,
// disabled windows.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/thread_base.h"
#include "skin/skin.h"
#include "support/skin_machine.h"
#include "support/test_window.h"

namespace {

using namespace DuiLib;
using testing_support::TempMachine;
using testing_support::TestWindow;
using testing_support::UiThread;
using testing_support::WindowXml;

const std::string kButtonWindow = WindowXml(
    "<VerticalLayout bkcolor=\"#FFFFFFFF\"><Button name=\"btn\" height=\"40\" text=\"按钮\" /><Control /></VerticalLayout>");

// Runs a TestWindow modally on its own thread; `result` receives the modal result.
struct ModalWindow {
  ModalWindow(TempMachine& machine, std::function<void(TestWindow&)> setUp = {}, std::wstring cls = L"TestWindow")
      : ui([this, &machine, setUp, cls] {
          TestWindow w(machine, cls + L".xml", kButtonWindow, cls);
          if (setUp) setUp(w);
          w.Create(nullptr, L"test", WS_VISIBLE, 0);
          uiThread = std::this_thread::get_id();
          result = static_cast<int>(w.ShowModal());
          notes = w.notes;
          timerIds = w.timerIds;
        }) {
    const automation::FoundWindow found = automation::WaitForWindowOfClass(cls);
    EXPECT_TRUE(found) << found.failure;
    hwnd = found.hwnd;
  }

  std::atomic<int> result{-1};
  std::thread::id uiThread;
  std::vector<std::wstring> notes;
  std::vector<UINT_PTR> timerIds;
  UiThread ui;
  HWND hwnd = nullptr;
};

TEST(Window, ShowModalReturnsTheCodeOfTheClose) {
  struct Case {
    UINT closeCode;
  };
  for (Case c : {Case{0}, Case{1}, Case{7}}) {
    TempMachine machine;
    ModalWindow w(machine);
    ASSERT_NE(w.hwnd, nullptr);
    PostMessage(w.hwnd, WM_CLOSE, c.closeCode, 0);
    w.ui.Join();
    EXPECT_EQ(w.result, static_cast<int>(c.closeCode));
    EXPECT_FALSE(IsWindow(w.hwnd));
  }
}

// A wait that finds no window of its class tells which windows there were instead.
TEST(Window, AWaitThatFindsNoWindowTellsTheWindowsThereWere) {
  TempMachine machine;
  EXPECT_EQ(automation::WaitForWindowOfClass(L"Dialog", 50).failure,
            "no window of class \"Dialog\" within 50 ms; there was no live window");
  ModalWindow first(machine, {}, L"First");
  UiThread ui([&] {
    TestWindow w(machine, L"Second.xml", kButtonWindow, L"Second");
    w.Create(nullptr, L"提示 box", WS_VISIBLE, 0);
    w.ShowModal();
  });
  const automation::FoundWindow second = automation::WaitForWindowOfClass(L"Second");
  ASSERT_TRUE(second) << second.failure;
  const automation::FoundWindow missing = automation::WaitForWindowOfClass(L"Dialog", 50);
  EXPECT_EQ(missing.hwnd, nullptr);
  EXPECT_EQ(missing.failure,
            "no window of class \"Dialog\" within 50 ms; the live windows: \"First\" titled \"test\", "
            "\"Second\" titled \"提示 box\"");
  PostMessage(second.hwnd, WM_CLOSE, 0);
  PostMessage(first.hwnd, WM_CLOSE, 0);
}

TEST(Window, ModalRunsNestAndTheOwnerIsDisabledMeanwhile) {
  TempMachine machine;
  std::atomic<int> inner{-1};
  ModalWindow outer(machine, [&](TestWindow& w) {
    w.onMessage = [&machine, &inner, &w](UINT, WPARAM) -> LRESULT {
      TestWindow dialog(machine, L"Inner.xml", kButtonWindow, L"Inner");
      dialog.Create(w.GetHWND(), L"inner", WS_VISIBLE, 0);
      inner = static_cast<int>(dialog.ShowModal());
      return 0;
    };
  });
  PostMessage(outer.hwnd, 3001);
  const automation::FoundWindow dialogFound = automation::WaitForWindowOfClass(L"Inner");
  ASSERT_TRUE(dialogFound) << dialogFound.failure;
  HWND dialog = dialogFound.hwnd;
  automation::WaitIdle(dialog);
  EXPECT_FALSE(IsWindowEnabled(outer.hwnd));
  EXPECT_EQ(GetWindowOwner(dialog), outer.hwnd);
  PostMessage(dialog, WM_CLOSE, 5);
  automation::WaitIdle(outer.hwnd);
  EXPECT_EQ(inner, 5);
  EXPECT_TRUE(IsWindowEnabled(outer.hwnd));
  EXPECT_TRUE(IsWindow(outer.hwnd));
  PostMessage(outer.hwnd, WM_CLOSE, 9);
  outer.ui.Join();
  EXPECT_EQ(outer.result, 9);
}

// Centred over an owner that reaches past the screen's edge (headless: 1920 x 1080), a
// window is moved back onto the screen; one larger than the screen keeps its top left.
TEST(Window, ACentredWindowIsMovedOntoTheScreen) {
  TempMachine machine;
  RECT nearEdge{}, tooLarge{};
  UiThread ui([&] {
    TestWindow owner(machine, L"owner.xml", WindowXml("<Control />", "300,200"), L"Owner");
    owner.Create(nullptr, L"owner", 0, 0, RECT{1800, 950, 2100, 1150});
    TestWindow child(machine, L"child.xml", WindowXml("<Control />", "200,100"), L"Child");
    child.Create(owner.GetHWND(), L"child", 0, 0);
    child.CenterWindow();
    GetWindowRect(child.GetHWND(), &nearEdge);
    TestWindow large(machine, L"large.xml", WindowXml("<Control />", "2000,1200"), L"Large");
    large.Create(nullptr, L"large", 0, 0);
    large.CenterWindow();
    GetWindowRect(large.GetHWND(), &tooLarge);
  });
  ui.Join();
  EXPECT_EQ(nearEdge, (RECT{1720, 980, 1920, 1080}));
  EXPECT_EQ(tooLarge, (RECT{0, 0, 2000, 1200}));
}

TEST(Window, TimersFireAsWmTimerWhenTheirPeriodHasPassed) {
  ManualClock clock;
  TempMachine machine;
  ModalWindow w(machine);
  ASSERT_TRUE(SetTimer(w.hwnd, 7, 1000));
  clock.Advance(999);
  automation::WaitIdle(w.hwnd);
  clock.Advance(1);
  automation::WaitIdle(w.hwnd);
  clock.Advance(1000);
  automation::WaitIdle(w.hwnd);
  ASSERT_TRUE(KillTimer(w.hwnd, 7));
  clock.Advance(5000);
  automation::WaitIdle(w.hwnd);
  PostMessage(w.hwnd, WM_CLOSE, 0);
  w.ui.Join();
  EXPECT_EQ(w.timerIds, (std::vector<UINT_PTR>{7, 7}));
}

TEST(Window, SendMessageFromAWorkerWaitsUntilTheUiThreadHandledIt) {
  TempMachine machine;
  std::vector<int> handledOn;  // written by the UI thread only
  std::thread::id handler;
  ModalWindow w(machine, [&](TestWindow& win) {
    win.onMessage = [&](UINT msg, WPARAM wParam) -> LRESULT {
      handler = std::this_thread::get_id();
      handledOn.push_back(static_cast<int>(wParam));
      return msg == 3024 ? 77 : 0;
    };
  });
  LRESULT answer = 0;
  std::vector<int> seenByWorker;
  std::thread worker([&] {
    answer = SendMessage(w.hwnd, 3024, 11, 0);
    seenByWorker = handledOn;  // the handler has run: its writes are visible here
  });
  worker.join();
  EXPECT_EQ(answer, 77);
  EXPECT_EQ(seenByWorker, std::vector<int>{11});
  PostMessage(w.hwnd, WM_CLOSE, 0);
  w.ui.Join();
  EXPECT_EQ(handler, w.uiThread);
}

// The UI thread stops a worker that is waiting in a SendMessage to it: the send is given
// up, so the worker can end while the UI thread waits for it.
TEST(Window, ASendOfAWorkerBeingStoppedIsGivenUp) {
  TempMachine machine;
  std::atomic<bool> handled{false};
  ModalWindow w(machine, [&](TestWindow& win) {
    win.onMessage = [&](UINT msg, WPARAM) -> LRESULT {
      if (msg == 3024) handled = true;
      return 1;
    };
  });
  std::atomic<LRESULT> answer{-1};
  RunOnWindowThread(w.hwnd, [&] {
    // On the UI thread, which is busy here and cannot serve the worker's send.
    std::thread worker([&] { answer = SendMessage(w.hwnd, 3024); });
    while (!CancelSendsFrom(worker.get_id())) std::this_thread::yield();  // until the send is queued
    worker.join();
  });
  EXPECT_EQ(answer, 0);
  automation::WaitIdle(w.hwnd);
  EXPECT_FALSE(handled);
  PostMessage(w.hwnd, WM_CLOSE, 0);
  w.ui.Join();
}

// The same through the worker base: deleting a worker that sends to the deleting thread
// returns, because the stop sequence gives the send up while it waits.
class SendingWorker : public CThreadBase {
 public:
  SendingWorker(HWND target, std::atomic<LRESULT>& answer) : target_(target), answer_(answer) {}
  ~SendingWorker() override { StopThread(std::chrono::milliseconds(300)); }
  void Run() override { answer_ = SendMessage(target_, 3024); }

 private:
  HWND target_;
  std::atomic<LRESULT>& answer_;
};

TEST(Window, DeletingAWorkerThatSendsToTheDeletingThreadReturns) {
  TempMachine machine;
  ModalWindow w(machine, [&](TestWindow& win) { win.onMessage = [](UINT, WPARAM) -> LRESULT { return 1; }; });
  std::atomic<LRESULT> answer{-1};
  RunOnWindowThread(w.hwnd, [&] {
    auto worker = std::make_unique<SendingWorker>(w.hwnd, answer);
    worker->Start();
    worker.reset();  // the UI thread is busy here: the worker's send can only be given up
  });
  EXPECT_EQ(answer, 0);
  PostMessage(w.hwnd, WM_CLOSE, 0);
  w.ui.Join();
}

TEST(Window, MessagesToAClosedWindowFailWithoutWaiting) {
  TempMachine machine;
  ModalWindow w(machine);
  HWND gone = w.hwnd;
  PostMessage(gone, WM_CLOSE, 0);
  w.ui.Join();
  EXPECT_FALSE(PostMessage(gone, 3001));
  EXPECT_EQ(SendMessage(gone, 3001), 0);
  EXPECT_FALSE(SetTimer(gone, 1, 100));
}

TEST(Window, ADisabledWindowTakesNoInput) {
  TempMachine machine;
  ModalWindow w(machine);
  EnableWindow(w.hwnd, false);
  EXPECT_FALSE(automation::Click(w.hwnd, L"btn"));
  EnableWindow(w.hwnd, true);
  EXPECT_TRUE(automation::Click(w.hwnd, L"btn"));
  PostMessage(w.hwnd, WM_CLOSE, 0);
  w.ui.Join();
  EXPECT_EQ(w.notes, std::vector<std::wstring>{L"click:btn"});
}

TEST(Window, EscapeClosesAndThePostedCloseCarriesZero) {
  TempMachine machine;
  ModalWindow w(machine);
  automation::WaitIdle(w.hwnd);
  PostMessage(w.hwnd, WM_KEYDOWN, VK_ESCAPE);
  w.ui.Join();
  EXPECT_EQ(w.result, 0);
}

}  // namespace
