// The download windows: the rows the workers write to from their threads, the USB maker's
// window starting the make and closing when the downloads are done, row cancels, the
// questions before a close, and the reinstall's window with its real download-only worker
// against the local file service.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>

#include "app/global_param.h"
#include "reinstall/download_fixture.h"
#include "reinstall/reinstall_controller.h"
#include "skin/skin.h"
#include "support/skin_machine.h"
#include "ui/download_box.h"
#include "ui/download_box1.h"
#include "ui/mask_wnd.h"
#include "usbmaker/make_thread.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_maker_controller.h"

namespace {

using namespace DuiLib;
using download_testing::DownloadFixture;
using download_testing::WaitFor;

constexpr int64_t kGiB = int64_t(1) << 30;

// Waits for the idle worker to be stopped; records that it was deleted.
class IdleWorker : public CThreadBase {
 public:
  explicit IdleWorker(std::atomic<int>& deleted) : deleted_(deleted) {}
  ~IdleWorker() override {
    RequestStop();
    StopThread(std::chrono::seconds(5));
    ++deleted_;
  }
  void Run() override {
    while (!StopRequested()) SleepOrStop(std::chrono::milliseconds(5));
  }

 private:
  std::atomic<int>& deleted_;
};

// The question a window asks before it closes, once it is up.
HWND WaitForQuestion(HWND owner) {
  return WaitForWindow([owner](HWND w) { return GetWindowOwner(w) == owner && GetWindowClass(w) == L"XMLWnd"; },
                       10000);
}

// The row texts, read on the window's thread.
struct RowTexts {
  std::wstring name, speed, size, status;
  int value = 0, maximum = 0;
};

RowTexts ReadRow(HWND window, CDownloadListWnd& box, size_t row) {
  RowTexts texts;
  RunOnWindowThread(window, [&] {
    CDlListItem* item = box.Row(row);
    if (item == nullptr) return;
    texts = {item->NameLabel()->GetText(), item->SpeedLabel()->GetText(), item->SizeLabel()->GetText(),
             item->StatusLabel()->GetText(),  item->Progress()->GetValue(),  item->Progress()->GetMaxValue()};
  });
  return texts;
}

int RowCount(HWND window, CDownloadListWnd& box) {
  int count = 0;
  RunOnWindowThread(window, [&] {
    while (box.Row(static_cast<size_t>(count)) != nullptr) ++count;
  });
  return count;
}

class DownloadBoxTest : public ::testing::Test {
 protected:
  DownloadBoxTest() {
    CGlobalParam::Instance()->imageDir = L"D:\\Tarnvik\\gho-prlm\\";
    waiting.name = L"Windows 10 64位";
    waiting.size = 4 * kGiB + kGiB / 2;
    done.name = L"Windows 7 64位";
    done.size = 3 * kGiB;
    done.state = 3;
    toolAbort = false;
  }
  ~DownloadBoxTest() override {
    usbMaker.reset();
    reinstall.reset();
    CGlobalParam::Release();
    toolAbort = false;
  }

  // Runs the window on a UI thread of its own, with an idle worker in place of the downloads.
  void Open(std::vector<OsEntry*> entries) {
    ui.emplace([this, entries] {
      CDownloadBox box(*reinstall, *usbMaker, entries);
      box.makeWorker = [this](const std::vector<OsEntry*>&, IUsbDownloadWindow& window, IImageQueue&) {
        face = &window;
        return CDownloadBox::Worker{std::make_unique<IdleWorker>(deleted),
                                    [this](const OsEntry* entry) { cancelled.push_back(entry); }};
      };
      box.CreateProgramWindow(nullptr, DialogTitle());
      this->box = &box;
      result = ShowModalMasked(&box);
      makeStarted = box.makeStarted;
      this->box = nullptr;
    });
    const automation::FoundWindow found = automation::WaitForWindowOfClass(L"XMLWnd");
    ASSERT_TRUE(found) << found.failure;
    hwnd = found.hwnd;
    automation::WaitIdle(hwnd);
  }

  testing_support::SkinMachine machine;
  std::vector<std::unique_ptr<OsEntry>> catalogue;
  PeEntry pe{L"WePE64.iso", 300 << 20, L"http://127.0.0.1/pe/WePE64.iso", 0};
  std::unique_ptr<ReinstallController> reinstall = std::make_unique<ReinstallController>();
  std::unique_ptr<UsbMakerController> usbMaker = std::make_unique<UsbMakerController>(catalogue, pe, UsbMakerHooks{});
  OsEntry waiting, done;
  std::atomic<IUsbDownloadWindow*> face{nullptr};
  std::atomic<CDownloadBox*> box{nullptr};
  std::atomic<int> deleted{0};
  std::atomic<int> result{-1};
  std::atomic<bool> makeStarted{false};
  std::vector<const OsEntry*> cancelled;  // UI thread, read after it ended
  HWND hwnd = nullptr;
  std::optional<testing_support::UiThread> ui;
};

TEST_F(DownloadBoxTest, RowsStartAsTheirEntriesAndShowWhatTheWorkerReports) {
  Open({&waiting, &done});
  ASSERT_NE(face.load(), nullptr);
  EXPECT_EQ(automation::Text(hwnd, L"btnFolder"), L"D:\\Tarnvik\\gho-prlm");
  EXPECT_EQ(automation::Text(hwnd, L"btnDelTask"), L"取消");

  RowTexts first = ReadRow(hwnd, *box, 0);
  EXPECT_EQ(first.name, L"Windows 10 64位");
  EXPECT_EQ(first.size, L"4.5G");
  EXPECT_EQ(first.status, L"等待");
  EXPECT_EQ(first.speed, L"0.0K/s");
  EXPECT_EQ(first.maximum, static_cast<int>(waiting.size >> 12));
  RowTexts second = ReadRow(hwnd, *box, 1);
  EXPECT_EQ(second.status, L"已下载：100%");
  EXPECT_EQ(second.value, 100);
  EXPECT_EQ(second.size, L"3.0G");

  // From this thread, as the worker calls them from its own.
  struct Percent {
    float percent;
    const wchar_t* text;
  };
  for (const Percent& c : {Percent{42.9f, L"已下载：42%"}, Percent{-1, L"等待"}, Percent{0, L"已下载：0%"}}) {
    face.load()->SetRowPercent(0, c.percent);
    EXPECT_EQ(ReadRow(hwnd, *box, 0).status, c.text) << c.percent;
  }
  struct Speed {
    int64_t bytes;
    const wchar_t* text;
  };
  for (const Speed& c : {Speed{512, L"0.5K/s"}, Speed{-2048, L"-2.0K/s"}, Speed{(1 << 20) - 1, L"1024.0K/s"},
                         Speed{3 << 20, L"3.0M/s"}, Speed{5 * kGiB, L"5.0G/s"}}) {
    face.load()->SetRowSpeed(0, c.bytes);
    EXPECT_EQ(ReadRow(hwnd, *box, 0).speed, c.text) << c.bytes;
  }
  face.load()->SetRowProgress(0, 1000);
  EXPECT_EQ(ReadRow(hwnd, *box, 0).value, 1000);
  face.load()->SetRowProgress(7, 1000);  // no such row: nothing happens
  face.load()->MarkRowFailed(0, L"Windows 10 64位: refused");
  EXPECT_EQ(ReadRow(hwnd, *box, 0).status, L"下载失败");
  face.load()->MarkRowComplete(0);
  first = ReadRow(hwnd, *box, 0);
  EXPECT_EQ(first.status, L"已下载：100%");
  EXPECT_EQ(first.speed, L"0.0K/s");
  EXPECT_EQ(first.value, first.maximum);  // a full bar, not 100 of the image's units

  // Closing with downloads pending asks; refused, everything goes on.
  automation::CloseFromTitleBar(hwnd);
  HWND question = WaitForQuestion(hwnd);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(automation::Text(question, L"reText"), L"尚有任务未下载完成，确定要退出？");
  automation::Click(question, L"btn2");
  automation::WaitIdle(hwnd);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(deleted, 0);

  automation::CloseFromTitleBar(hwnd);
  question = WaitForQuestion(hwnd);
  ASSERT_NE(question, nullptr);
  automation::Click(question, L"btn1");
  ui->Join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(deleted, 1);
  EXPECT_FALSE(makeStarted);
}

TEST_F(DownloadBoxTest, TheWinPeComponentStartsTheMakeOnceAndTheLastDownloadClosesTheWindow) {
  Open({&waiting});
  face.load()->PeComponentReady();
  automation::WaitIdle(hwnd);
  CUMakeThread* make = usbMaker->makeThread.get();
  ASSERT_NE(make, nullptr);
  face.load()->PeComponentReady();
  automation::WaitIdle(hwnd);
  EXPECT_EQ(usbMaker->makeThread.get(), make);

  face.load()->AllDownloadsDone();
  ui->Join();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(deleted, 1);
  EXPECT_TRUE(makeStarted);
  EXPECT_EQ(usbMaker->makeThread.get(), make);  // the make goes on without the window
  EXPECT_FALSE(toolAbort);
}

TEST_F(DownloadBoxTest, ACancelledRowGoesAndTheCancelButtonAlsoAbortsTheMake) {
  Open({&waiting, &done});
  EXPECT_TRUE(automation::Click(hwnd, L"btnDelTask"));  // the first row's
  automation::WaitIdle(hwnd);
  ASSERT_EQ(RowCount(hwnd, *box), 1);
  EXPECT_EQ(ReadRow(hwnd, *box, 0).name, L"Windows 7 64位");

  face.load()->PeComponentReady();
  automation::WaitIdle(hwnd);
  ASSERT_NE(usbMaker->makeThread, nullptr);
  automation::Click(hwnd, L"btnCancelDownload");
  HWND question = WaitForQuestion(hwnd);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(automation::Text(question, L"reText"), L"已经开始制作，退出可能损坏U盘，确定要退出？");
  automation::Click(question, L"btn1");
  ui->Join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(usbMaker->makeThread, nullptr);
  EXPECT_TRUE(toolAbort);
  EXPECT_EQ(cancelled, std::vector<const OsEntry*>{&waiting});
}

// The last download ends while the user is asked: the question stays until answered, and
// then the window closes, as there is nothing left to lose, with the downloads' code.
TEST_F(DownloadBoxTest, DownloadsEndingDuringTheQuestionLeaveItToTheAnswer) {
  Open({&waiting});
  automation::CloseFromTitleBar(hwnd);
  HWND question = WaitForQuestion(hwnd);
  ASSERT_NE(question, nullptr);
  face.load()->AllDownloadsDone();
  automation::WaitIdle(hwnd);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_TRUE(IsWindow(question));
  automation::Click(question, L"btn2");
  ui->Join();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(deleted, 1);
}

TEST_F(DownloadBoxTest, WithOnlyTheWinPeComponentTheFolderIsNotShown) {
  OsEntry peRow;
  peRow.name = L"PE组件";
  peRow.size = 300 << 20;
  Open({&peRow});
  EXPECT_EQ(automation::Text(hwnd, L"lab1"), L"");
  EXPECT_EQ(automation::Text(hwnd, L"btnFolder"), L"");
  EXPECT_FALSE(automation::IsEnabled(hwnd, L"btnFolder"));
  face.load()->AllDownloadsDone();
  ui->Join();
  EXPECT_EQ(result, 2);
}

// The reinstall's window on the real download-only worker.
class DownloadBox1Test : public ::testing::Test {
 protected:
  explicit DownloadBox1Test(services::ServiceOptions options = {}) : f(options) {
    std::filesystem::path skin = f.machine.HostPath(L"D:\\Tarnvik\\skin");
    std::filesystem::create_directories(skin.parent_path());
    std::filesystem::copy(std::filesystem::path(TARNVIK_SOURCE_DIR) / "skin", skin,
                          std::filesystem::copy_options::recursive);
    f.controller->downloadRows = nullptr;
  }

  void Open(std::vector<OsEntry*> entries) {
    ui.emplace([this, entries] {
      CDownloadBox1 box(*f.controller, entries, DownloadFixture::kImageDir);
      box.CreateProgramWindow(nullptr, DialogTitle());
      this->box = &box;
      result = ShowModalMasked(&box);
      this->box = nullptr;
    });
    const automation::FoundWindow found = automation::WaitForWindowOfClass(L"XMLWnd");
    ASSERT_TRUE(found) << found.failure;
    hwnd = found.hwnd;
    automation::WaitIdle(hwnd);
  }

  DownloadFixture f;
  std::atomic<CDownloadBox1*> box{nullptr};
  std::atomic<int> result{-1};
  HWND hwnd = nullptr;
  std::optional<testing_support::UiThread> ui;
};

TEST_F(DownloadBox1Test, DownloadsEveryImageThenReadsDoneAndClosesWithoutAsking) {
  const std::string bytes = testing_support::PatternBytes(160 << 10, 1);
  OsEntry* fetched = f.AddImage("win10.gho", bytes);
  OsEntry* present = f.AddImage("win7.gho", bytes);
  f.PutImageOnDisk(*present, bytes);
  Open({fetched, present});
  EXPECT_EQ(automation::Inspect(hwnd, L"btnDelTask"), std::nullopt);  // no cancel buttons here
  ASSERT_TRUE(WaitFor([&] { return automation::Text(hwnd, L"btnCancelDownload") == L"完成"; }));
  for (size_t row : {0u, 1u}) {
    EXPECT_EQ(ReadRow(hwnd, *box, row).status, L"已下载：100%") << row;
  }
  EXPECT_EQ(fetched->state, 3);
  automation::CloseFromTitleBar(hwnd);
  ui->Join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(f.controller->downOsWorker, nullptr);
  EXPECT_EQ(f.controller->downloadRows, nullptr);
}

TEST_F(DownloadBox1Test, WithEveryImageDownloadedItIsDoneAtOnceWithoutAWorker) {
  const std::string bytes = testing_support::PatternBytes(64 << 10, 2);
  OsEntry* present = f.AddImage("win7.gho", bytes);
  f.PutImageOnDisk(*present, bytes);
  Open({present});
  EXPECT_EQ(automation::Text(hwnd, L"btnCancelDownload"), L"完成");
  EXPECT_EQ(ReadRow(hwnd, *box, 0).status, L"已下载：100%");
  EXPECT_EQ(ReadRow(hwnd, *box, 0).value, 100);
  EXPECT_EQ(f.controller->downOsWorker, nullptr);
  automation::Click(hwnd, L"btnCancelDownload");
  ui->Join();
  EXPECT_EQ(result, 1);
}

class SlowDownloadBox1Test : public DownloadBox1Test {
 protected:
  static services::ServiceOptions Slow() {
    services::ServiceOptions slow;
    slow.throttleBytesPerSecond = 64 << 10;
    return slow;
  }
  SlowDownloadBox1Test() : DownloadBox1Test(Slow()) {}
};

TEST_F(SlowDownloadBox1Test, ClosingWhileItDownloadsAsksAndStopsTheWorker) {
  OsEntry* entry = f.AddImage("win10.gho", testing_support::PatternBytes(4 << 20, 3));
  Open({entry});
  ASSERT_TRUE(WaitFor([&] { return ReadRow(hwnd, *box, 0).value > 0; }));
  automation::Click(hwnd, L"btnCancelDownload");
  HWND question = WaitForQuestion(hwnd);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(automation::Text(question, L"reText"), L"尚有任务未下载完成，确定要退出？");
  automation::Click(question, L"btn1");
  ui->Join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(f.controller->downOsWorker, nullptr);
  EXPECT_EQ(f.controller->downloadRows, nullptr);
  EXPECT_NE(f.StateOf(*entry), 3);
}

}  // namespace
