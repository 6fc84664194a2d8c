// The USB maker page and its dialogs on a machine with a 16 GB stick and the real tool
// fakes, driven as a user does: the make without images through the confirmation, the
// image choice and the make dialog; the restore and NTFS jobs with their results; a
// refused disk; the stick pulled during a make; and the dialogs' looks.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "skin/message_queue.h"
#include "skin/skin.h"
#include "stats/fixed_points.h"
#include "support/golden.h"
#include "support/temp_dir.h"
#include "support/temp_machine.h"
#include "support/test_window.h"
#include "support/skin_machine.h"
#include "support/usb_machine.h"
#include "ui/format_msg_box.h"
#include "ui/make_box.h"
#include "ui/run_dialog.h"
#include "ui/select_box.h"
#include "ui/usb_maker_skin_page.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

using namespace DuiLib;
using namespace std::chrono_literals;
using testing_support::UiThread;

constexpr int64_t kMiB = int64_t(1) << 20;
constexpr int64_t kStickBytes = 15272 * kMiB;
constexpr auto kBound = 30s;
constexpr char kPeIso[] = "iso";  // the component's file; the make uses the unpacked WIM beside it

Json::Value MachineWithStick(const char* systemDirectory, bool networkUp) {
  Json::Value stick = testing_support::UsbDisk(2, "SanDisk Cruzer Blade", {{"E", kStickBytes - kMiB, kStickBytes / 2}});
  stick["sizeBytes"] = Json::Int64(kStickBytes);
  Json::Value machine = testing_support::MachineWith({stick});
  machine["windows"]["systemDirectory"] = systemDirectory;
  machine["network"]["up"] = networkUp;
  return machine;
}

// Waits, boundedly, until `done` holds.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = kBound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

class UsbMakerPageTest : public ::testing::Test {
 protected:
  void Open(const char* systemDirectory = "C:\\Windows\\system32") {
    machine_.emplace(MachineWithStick(systemDirectory, networkUp_), testing_support::MachineLayout::MadeByScript);
    machine_->WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", std::string(kMiB, 'w'));
    machine_->WriteFile(L"D:\\Tarnvik\\PE\\WEPE64_2.1.iso", kPeIso);
    CGlobalParam::Instance();
    toolAbort = false;
    pe_.fileName = L"WEPE64_2.1.iso";
    pe_.size = sizeof(kPeIso) - 1;
    UsbMakerHooks hooks;
    hooks.isPeComponentPresent = [] { return true; };
    hooks.onSelectedDiskGone = KillTools;
    controller_.emplace(noCatalogue_, pe_, std::move(hooks));
  }
  void TearDown() override {
    controller_.reset();
    CGlobalParam::Release();
    toolAbort = false;
  }

  // On a UI thread of its own: the main window with the page's disk list, the page set
  // up on it, then `act` (a click of the page) with the page at hand.
  void RunPage(const std::function<void(CUsbMakerPage&)>& act, const std::function<void()>& drive) {
    std::atomic<bool> ready{false};
    UiThread ui([&] {
      testing_support::TestWindow frame(
          *machine_, L"maker.xml",
          testing_support::WindowXml("<List name=\"listUDisk\" header=\"hidden\" />", "520,300"), L"MainFrame");
      frame.Create(nullptr, L"Tarnvik", WS_VISIBLE, 0);
      frame_ = frame.GetHWND();
      WindowTarget main(frame.GetHWND());
      controller_->mainWindow = &main;
      CUsbMakerPage page(*controller_, frame.GetPaintManager(), frame.GetHWND(), [this](auto point) {
        points_.push_back(std::move(point));
      });
      frame.onMessage = [&](UINT msg, WPARAM wParam) {
        if (msg == kMsgOpenMakeBox) {
          page.ShowMakeBox();
          makeBoxClosed_ = true;
        }
        page.OnMainWindowMessage(msg, wParam, 0);
        return LRESULT(0);
      };
      page.SetUp();
      ready = true;
      act(page);
      controller_->EndMake();
      controller_->mainWindow = nullptr;
      frame_ = nullptr;
    });
    ASSERT_TRUE(WaitUntil([&] { return ready.load(); }));
    drive();
    ui.Join();
  }

  // A dialog other than `other` (the one before it, or the one it opens over).
  HWND DialogOtherThan(HWND other = nullptr) {
    HWND found = WaitForWindow([&](HWND h) { return h != other && GetWindowClass(h) == L"XMLWnd"; });
    EXPECT_NE(found, nullptr) << "no dialog came up";
    return found;
  }
  bool WaitForText(HWND h, const wchar_t* name, const std::wstring& text) {
    return WaitUntil([&] { return automation::Text(h, name) == text; });
  }
  void ExpectLooksLike(HWND h, const std::string& golden) {
    const std::string rendered = (dir_.path() / golden).string();
    ASSERT_TRUE(automation::Capture(h, rendered));
    EXPECT_EQ(testing_support::CompareWithGolden(rendered, golden), "");
  }

  std::optional<testing_support::TempMachine> machine_;
  std::vector<std::unique_ptr<OsEntry>> noCatalogue_;
  PeEntry pe_;
  std::optional<UsbMakerController> controller_;
  std::vector<std::unique_ptr<FixedPointBase>> points_;  // on the UI thread
  std::atomic<HWND> frame_{nullptr};
  bool networkUp_ = true;
  // Posted to the main window by a test: it opens the make dialog then.
  static constexpr UINT kMsgOpenMakeBox = 3999;
  std::atomic<bool> makeBoxClosed_{false};
  testing_support::TempDir dir_;
};

TEST_F(UsbMakerPageTest, TheStickIsListedAndSelectedAndMadeWithoutImagesThroughTheDialogs) {
  Open();
  std::atomic<bool> flowDone{false};
  RunPage(
      [&](CUsbMakerPage& page) {
        EXPECT_NE(controller_->selectedDisk, nullptr);
        flowDone = controller_->StartMakeFlow();
      },
      [&] {
        ASSERT_TRUE(automation::IsSelected(frame_, L"optUsb"));
        EXPECT_EQ(automation::Inspect(frame_, L"listUDisk")->bkImage, L"");

        HWND confirm = DialogOtherThan();
        EXPECT_EQ(GetWindowTitle(confirm), L"Tarnvik弹窗");
        EXPECT_NE(automation::Text(confirm, L"reText").find(L"E:(hd2) SanDisk Cruzer Blade"), std::wstring::npos);
        ExpectLooksLike(confirm, "usb_confirm_make.png");
        ASSERT_TRUE(automation::Click(confirm, L"btn1"));

        HWND choice = DialogOtherThan(confirm);
        ASSERT_TRUE(automation::Click(choice, L"btnMake"));

        HWND make = DialogOtherThan(choice);
        ASSERT_TRUE(WaitForText(make, L"labText1", L"制作完成")) << automation::Text(make, L"labText1");
        EXPECT_EQ(automation::Text(make, L"labTitle"), L"提示");
        for (const wchar_t* mark : {L"gif1", L"gif2", L"gif3"}) {
          EXPECT_EQ(automation::Inspect(make, mark)->bkImage, L"skin\\u\\m\\tick.png") << mark;
        }
        EXPECT_EQ(automation::Inspect(make, L"imgIcon1")->bkImage, L"skin\\u\\m\\icon-tic.png");
        ExpectLooksLike(make, "usb_make_done.png");
        ASSERT_TRUE(automation::Click(make, L"closebtn"));  // the result page closes at once
      });
  EXPECT_TRUE(flowDone);
  EXPECT_TRUE(controller_->succeeded);
  EXPECT_EQ(controller_->stage, 3);
  EXPECT_EQ(controller_->makeThread, nullptr);
  EXPECT_EQ(controller_->makeDialog, nullptr);
  ASSERT_EQ(points_.size(), 1u);
  EXPECT_NE(dynamic_cast<FixedMakeUsb*>(points_[0].get()), nullptr);
}

TEST_F(UsbMakerPageTest, RestoreAndNtfsConversionShowTheirResults) {
  struct Case {
    const wchar_t* button;
    const wchar_t* workingTitle;
    const wchar_t* result;
    const char* golden;
  };
  const Case cases[] = {
      {L"btnInit", L"正在初始化，请稍候", L"初始化成功", "usb_restore_done.png"},
      {L"btnFormat", L"正在格式转化，请稍候", L"NTFS格式转化成功", "usb_ntfs_done.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.golden);
    Open();
    RunPage([&](CUsbMakerPage&) { controller_->OnClick(c.button); },
            [&] {
              HWND box = DialogOtherThan();
              EXPECT_EQ(automation::Text(box, L"labTitle"), L"询问");
              ASSERT_TRUE(automation::Click(box, L"btn1"));
              ASSERT_TRUE(WaitForText(box, L"labText1", c.result)) << automation::Text(box, L"labText1");
              ExpectLooksLike(box, c.golden);
              automation::CloseFromTitleBar(box);
            });
    EXPECT_EQ(controller_->formatThread, nullptr);
    EXPECT_EQ(controller_->formatDialog, nullptr);
    TearDown();
  }
}

TEST_F(UsbMakerPageTest, AFailedNtfsConversionWidensTheResultSpacer) {
  Open();
  RunPage(
      [&](CUsbMakerPage&) {
        CFormatMsgBox box(*controller_, L"您确定要将U盘（E:）转化为NTFS格式吗?", L"询问", [](auto) {});
        box.restore = 0;
        box.convertNtfs = 1;
        box.runsJob = 1;
        EXPECT_EQ(RunDialog(box, frame_), 1);
        EXPECT_EQ(box.finishCode, 2);
      },
      [&] {
        HWND box = DialogOtherThan();
        PostMessage(box, kMsgFormatResult, 0, 2);
        ASSERT_TRUE(WaitForText(box, L"labText1", L"NTFS格式转化失败"));
        EXPECT_EQ(automation::Inspect(box, L"imgIcon1")->bkImage, L"skin\\u\\m\\icon-cro.png");
        const RECT spacer = automation::Inspect(box, L"zw1")->pos;
        EXPECT_EQ(spacer.right - spacer.left, 120);
        ExpectLooksLike(box, "usb_ntfs_failed.png");
        automation::CloseFromTitleBar(box);
      });
}

TEST_F(UsbMakerPageTest, ADiskWithTheRunningSystemIsRefusedWithAMessage) {
  Open("E:\\Windows\\system32");
  RunPage([&](CUsbMakerPage&) { EXPECT_FALSE(controller_->StartMakeFlow()); },
          [&] {
            HWND box = DialogOtherThan();
            EXPECT_NE(automation::Text(box, L"reText").find(L"正在运行的Windows系统"), std::wstring::npos);
            ASSERT_TRUE(automation::Click(box, L"btn1"));
          });
  EXPECT_EQ(controller_->makeThread, nullptr);
}

TEST_F(UsbMakerPageTest, TheStickPulledDuringTheMakeEndsTheDialogWithItsFailure) {
  Open();
  controller_->makeOnly = true;
  RunPage([&](CUsbMakerPage& page) { page.ShowMakeBox(); },
          [&] {
            HWND make = DialogOtherThan();
            // The first step has passed: the tools are at work on the stick.
            ASSERT_TRUE(WaitUntil([&] { return automation::Inspect(make, L"gif1")->bkImage == L"skin\\u\\m\\tick.png"; }));
            RunOnWindowThread(make, [&] {
              machine_->machine().DetachDisk(2);
              controller_->RefreshUsbList();
            });
            ASSERT_TRUE(WaitForText(make, L"labText1", L"制作失败")) << automation::Text(make, L"labText1");
            EXPECT_EQ(automation::Inspect(frame_, L"listUDisk")->bkImage, kNoUsbBackground);
            automation::CloseFromTitleBar(make);
          });
  EXPECT_EQ(controller_->selectedDisk, nullptr);
  EXPECT_FALSE(controller_->succeeded);
  EXPECT_TRUE(toolAbort);
}

TEST_F(UsbMakerPageTest, ClosingDuringTheMakeAsksAndDecliningGoesBackToTheSteps) {
  Open();
  controller_->makeOnly = true;
  RunPage([&](CUsbMakerPage& page) { page.ShowMakeBox(); },
          [&] {
            HWND make = DialogOtherThan();
            // The make takes about half a second: the question comes while it runs, and the
            // result replaces it should the make end first.
            automation::CloseFromTitleBar(make);
            automation::WaitIdle(make);
            EXPECT_TRUE(IsWindow(make));
            EXPECT_EQ(automation::Text(make, L"reText"), L"此时退出可能会损坏U盘，您确定退出？");
            if (automation::Click(make, L"btnCencal")) {
              automation::WaitIdle(make);
              const std::wstring title = automation::Text(make, L"labTitle");
              EXPECT_TRUE(title == L"正在制作中，请稍候" || automation::Text(make, L"labText1") == L"制作完成") << title;
            }
            ASSERT_TRUE(WaitForText(make, L"labText1", L"制作完成"));
            automation::CloseFromTitleBar(make);
          });
  EXPECT_TRUE(controller_->succeeded);
}

TEST_F(UsbMakerPageTest, TheImageChoiceWithNothingSelectedAsksForOneAndStaysOpen) {
  Open();
  noCatalogue_.push_back(std::make_unique<OsEntry>());
  noCatalogue_.back()->name = L"Windows 10 专业版 64位";
  noCatalogue_.back()->size = 4832716800LL;
  noCatalogue_.back()->state = 3;
  noCatalogue_.push_back(std::make_unique<OsEntry>());
  noCatalogue_.back()->name = L"Windows 7 旗舰版 64位";
  noCatalogue_.back()->size = 3865470566LL;
  ImageChoice chosen;
  RunPage([&](CUsbMakerPage& page) { EXPECT_TRUE(page.ChooseImages(chosen)); },
          [&] {
            HWND choice = DialogOtherThan();
            ASSERT_TRUE(automation::IsSelected(choice, L"optUsb"));
            ExpectLooksLike(choice, "usb_select_images.png");
            ASSERT_TRUE(automation::Click(choice, L"optUsb"));  // unselects the only row
            // The click returns once the message box it opens has closed.
            std::thread click([&] { EXPECT_TRUE(automation::Click(choice, L"btnSelAndMake")); });
            HWND message = DialogOtherThan(choice);
            EXPECT_EQ(automation::Text(message, L"reText"), L"请最少选中一个操作系统！");
            ASSERT_TRUE(automation::Click(message, L"btn1"));
            click.join();
            EXPECT_FALSE(IsWindow(message));
            EXPECT_TRUE(IsWindow(choice));
            ASSERT_TRUE(automation::Click(choice, L"optUsb"));
            ASSERT_TRUE(automation::Click(choice, L"btnSelAndMake"));
          });
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], noCatalogue_[0].get());
}

TEST_F(UsbMakerPageTest, OpenedLateTheMakeDialogTicksThePassedStepsAndEndsTheMakeWhenLeft) {
  Open();
  controller_->makeOnly = false;  // after its third step the worker waits for images
  RunPage(
      [&](CUsbMakerPage&) {
        ASSERT_TRUE(controller_->StartMake());
        const HWND frame = frame_;
        ThreadQueue::ForCurrentThread()->RunUntil([&] { return makeBoxClosed_ || !IsWindow(frame); });
      },
      [&] {
        // The main window's hook keeps the stage while no dialog is open.
        ASSERT_TRUE(WaitUntil([&] { return controller_->stage == 3; }));
        PostMessage(frame_, kMsgOpenMakeBox);
        HWND make = DialogOtherThan();
        automation::WaitIdle(make);
        EXPECT_EQ(automation::Text(make, L"labTitle"), L"正在制作中，请稍候");
        for (const wchar_t* mark : {L"gif1", L"gif2", L"gif3"}) {
          EXPECT_EQ(automation::Inspect(make, mark)->bkImage, L"skin\\u\\m\\tick.png") << mark;
          EXPECT_TRUE(automation::IsVisible(make, mark)) << mark;
        }
        ExpectLooksLike(make, "usb_make_steps.png");
        automation::CloseFromTitleBar(make);
        automation::WaitIdle(make);
        EXPECT_EQ(automation::Text(make, L"reText"), L"此时退出可能会损坏U盘，您确定退出？");
        ExpectLooksLike(make, "usb_make_exit_question.png");
        ASSERT_TRUE(automation::Click(make, L"btnOk"));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(make); }));
      });
  EXPECT_TRUE(makeBoxClosed_);
  EXPECT_EQ(controller_->makeThread, nullptr);
  EXPECT_FALSE(controller_->finished);
  EXPECT_TRUE(toolAbort);
}

TEST_F(UsbMakerPageTest, OpenedAfterAFinishedMakeTheDialogShowsItsResultAndStartsNone) {
  Open();
  RunPage(
      [&](CUsbMakerPage& page) {
        controller_->finished = true;
        controller_->succeeded = true;
        controller_->stage = 4;  // it had copied images
        EXPECT_EQ(page.ShowMakeBox(), 1);
      },
      [&] {
        HWND make = DialogOtherThan();
        automation::WaitIdle(make);
        EXPECT_EQ(automation::Text(make, L"labText1"), L"制作完成");
        EXPECT_TRUE(automation::IsVisible(make, L"labText1"));
        EXPECT_EQ(controller_->makeThread, nullptr);
        automation::CloseFromTitleBar(make);
      });
}

TEST_F(UsbMakerPageTest, WithoutTheNetworkAnImageNotYetDownloadedIsNotTakenAndTheChoiceStaysOpen) {
  networkUp_ = false;
  Open();
  noCatalogue_.push_back(std::make_unique<OsEntry>());
  noCatalogue_.back()->name = L"Windows 7 旗舰版 64位";
  ImageChoice chosen;
  RunPage([&](CUsbMakerPage& page) { EXPECT_FALSE(page.ChooseImages(chosen)); },
          [&] {
            HWND choice = DialogOtherThan();
            // The click returns once the message box it opens has closed.
            std::thread click([&] { EXPECT_TRUE(automation::Click(choice, L"btnSelAndMake")); });
            HWND message = DialogOtherThan(choice);
            EXPECT_EQ(automation::Text(message, L"reText"), L"请检查网络是否正确连接！");
            ASSERT_TRUE(automation::Click(message, L"btn1"));
            click.join();
            EXPECT_TRUE(IsWindow(choice));
            automation::CloseFromTitleBar(choice);
          });
}

}  // namespace
