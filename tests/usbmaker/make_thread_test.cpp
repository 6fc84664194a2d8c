// The make worker on a machine with a USB stick and the scripted tools of the pipeline's
// tests: the messages it sends its windows and their order, the copy phase with files
// queued before and after the make, the make-only path, the tracking points, the disks it
// refuses before the first tool, and its deletion while it waits.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "app/global_param.h"
#include "platform/codepage.h"
#include "support/usb_machine.h"
#include "support/usb_stick_machine.h"
#include "usbmaker/make_thread.h"
#include "usbmaker/make_tool_fakes.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_list_page.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

using namespace std::chrono_literals;
using testing_support::kGiB;
using testing_support::UsbMachine;

constexpr auto kBound = 30s;

struct Message {
  uint32_t number;
  uintptr_t wParam;
  std::string file;  // 3231: the text its address points at
  bool operator==(const Message&) const = default;
};

// A window that keeps every message, from whatever thread, and lets the test wait for one.
class RecordingWindow : public IMessageTarget {
 public:
  void Post(uint32_t message, uintptr_t wParam, intptr_t) override { Keep({message, wParam, ""}); }
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t) override {
    std::string file;
    if (message == kMsgCopyingFile) file = platform::WideToUtf8(reinterpret_cast<const wchar_t*>(wParam));
    Keep({message, wParam, file});
    return 0;
  }
  bool WaitFor(uint32_t message) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kBound, [&] {
      for (const Message& m : messages_) {
        if (m.number == message) return true;
      }
      return false;
    });
  }
  // The messages but the copy progress, whose count depends on the copy's chunks.
  std::vector<Message> Steps() {
    std::lock_guard lock(mutex_);
    std::vector<Message> steps;
    for (const Message& m : messages_) {
      if (m.number != kMsgCopyProgress) steps.push_back(m);
    }
    return steps;
  }
  std::vector<uintptr_t> Progress() {
    std::lock_guard lock(mutex_);
    std::vector<uintptr_t> values;
    for (const Message& m : messages_) {
      if (m.number == kMsgCopyProgress) values.push_back(m.wParam);
    }
    return values;
  }

 private:
  void Keep(Message m) {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back(std::move(m));
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
};

std::string KindsOf(const std::vector<UsbMakePoint>& points) {
  std::string kinds;
  for (const UsbMakePoint& p : points) {
    switch (p.kind) {
      case UsbMakePoint::Kind::MakeStart: kinds += "start "; break;
      case UsbMakePoint::Kind::MakeResult: kinds += p.success ? "made " : "failed "; break;
      case UsbMakePoint::Kind::CopyResult: kinds += p.success ? "copied " : "not-copied "; break;
      default: kinds += "other "; break;
    }
  }
  return kinds;
}

class MakeThreadTest : public testing::Test {
 protected:
  explicit MakeThreadTest(const Json::Value& machine = testing_support::MachineWithUsbStick(),
                          const std::string& programDrive = "D")
      : machine_(machine), tool_(machine_.folder() / "drives" / programDrive / "Tarnvik" / "tool") {
    Write(tool_ / "Gdisk.exe", make_fakes::kGdiskScript);
    Write(tool_ / "7z.exe", "#!/bin/sh\nexit 0\n");
    Write(tool_ / "lba.txt", make_fakes::LbaListing(2048));
    Write(tool_ / "list.txt", make_fakes::PlainListing(8192));
    Write(tool_ / "del.txt", "Disk 3: 2 partitions deleted.\n");
    Write(tool_.parent_path() / "PE" / "WEPE64.WIM", "wim");
    CGlobalParam::Instance();
    toolAbort = false;
    pe_.fileName = L"pe.iso";
    UsbMakerHooks hooks;
    hooks.postPoint = [this](const UsbMakePoint& point) {
      std::lock_guard lock(pointsMutex_);
      points_.push_back(point);
    };
    controller_.emplace(noCatalogue_, pe_, std::move(hooks));
    controller_->page = &page_;
    page_.controller = &*controller_;
    controller_->mainWindow = &main_;
    controller_->makeDialog = &dialog_;
    controller_->RefreshUsbList();
  }
  ~MakeThreadTest() override {
    controller_.reset();
    CGlobalParam::Release();
    toolAbort = false;
  }
  static void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::vector<UsbMakePoint> Points() {
    std::lock_guard lock(pointsMutex_);
    return points_;
  }
  bool WaitForPoints(size_t count) {
    for (auto end = std::chrono::steady_clock::now() + kBound; std::chrono::steady_clock::now() < end;) {
      if (Points().size() >= count) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }
  // An image file of the program's image folder, of `size` bytes.
  std::wstring Image(const char* name, size_t size) {
    Write(machine_.folder() / "drives" / "D" / "Tarnvik" / "gho-prlm" / name, std::string(size, 'x'));
    return L"D:\\Tarnvik\\gho-prlm\\" + platform::Utf8ToWide(name);
  }
  std::filesystem::path OnStick(const char* name) { return machine_.folder() / "drives" / "E" / name; }

  UsbMachine machine_;
  std::filesystem::path tool_;
  std::vector<std::unique_ptr<OsEntry>> noCatalogue_;
  PeEntry pe_;
  UsbListPage page_;
  RecordingWindow main_, dialog_;
  std::mutex pointsMutex_;
  std::vector<UsbMakePoint> points_;
  std::optional<UsbMakerController> controller_;
};

TEST_F(MakeThreadTest, AMakeWithoutImagesReportsItsStagesAndEndsAtOnce) {
  controller_->makeOnly = true;
  controller_->stage = 3;
  controller_->finished = true;
  ASSERT_TRUE(controller_->StartMake());
  EXPECT_EQ(controller_->stage, 0);
  EXPECT_FALSE(controller_->StartMake()) << "one make at a time";
  ASSERT_TRUE(dialog_.WaitFor(kMsgMakeFinished));

  const std::vector<Message> steps = main_.Steps();
  EXPECT_EQ(steps, (std::vector<Message>{{kMsgOldPartitionsDeleted, 1, ""}, {kMsgPartitioned, 1, ""},
                                         {kMsgBootFilesWritten, 1, ""}}));
  EXPECT_EQ(dialog_.Steps(), (std::vector<Message>{{kMsgMakeFinished, 1, ""}}));
  EXPECT_TRUE(controller_->finished);
  EXPECT_TRUE(controller_->succeeded);
  EXPECT_EQ(KindsOf(Points()), "start made ");
  EXPECT_TRUE(std::filesystem::exists(OnStick("boot/WEPE64.WIM")));

  for (const Message& m : steps) controller_->TrackMakeStage(m.number, m.wParam);
  EXPECT_EQ(controller_->stage, 3);
  controller_->TrackMakeStage(kMsgCopyTotal, 7);
  EXPECT_EQ(controller_->stage, 4);
}

TEST_F(MakeThreadTest, QueuedImagesAreCopiedInOrderAndTheTotalIsSentOnceBeforeTheFirst) {
  const std::wstring first = Image("a.gho", 3 * 4096), second = Image("b.iso", 2 * 4096 + 100);
  const std::wstring later = Image("c.gho", 5 * 4096);
  ASSERT_TRUE(controller_->StartMake());
  CUMakeThread& make = *controller_->makeThread;
  EXPECT_TRUE(make.Enqueue(first));
  EXPECT_TRUE(make.Enqueue(L"D:\\Tarnvik\\gho-prlm\\missing.gho"));
  EXPECT_TRUE(make.Enqueue(second));
  ASSERT_TRUE(WaitForPoints(5));  // start, made, and the three copies
  EXPECT_TRUE(make.Enqueue(later));
  ASSERT_TRUE(WaitForPoints(6));
  EXPECT_FALSE(controller_->finished) << "the copy phase waits for the end marker";
  make.EnqueueEnd();
  ASSERT_TRUE(dialog_.WaitFor(kMsgMakeFinished));

  EXPECT_EQ(main_.Steps(), (std::vector<Message>{{kMsgOldPartitionsDeleted, 1, ""},
                                                 {kMsgPartitioned, 1, ""},
                                                 {kMsgBootFilesWritten, 1, ""},
                                                 {kMsgCopyTotal, 5, ""},  // the two files queued before: 20580 bytes
                                                 {kMsgCopyingFile, main_.Steps()[4].wParam, "E:\\a.gho"},
                                                 {kMsgCopyingFile, main_.Steps()[5].wParam, "E:\\missing.gho"},
                                                 {kMsgCopyingFile, main_.Steps()[6].wParam, "E:\\b.iso"},
                                                 {kMsgCopyingFile, main_.Steps()[7].wParam, "E:\\c.gho"}}));
  EXPECT_EQ(dialog_.Steps(), (std::vector<Message>{{kMsgMakeFinished, 1, ""}}));
  EXPECT_EQ(KindsOf(Points()), "start made copied not-copied copied copied ");
  EXPECT_EQ(make.QueuedBytes(), uint64_t(10 * 4096 + 100));
  EXPECT_EQ(make.CopiedSoFar(), uint64_t(10 * 4096 + 100));
  const std::vector<uintptr_t> progress = main_.Progress();
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), uintptr_t(10));
  EXPECT_EQ(std::filesystem::file_size(OnStick("b.iso")), 2u * 4096 + 100);
  EXPECT_EQ(std::filesystem::file_size(OnStick("c.gho")), 5u * 4096);
  EXPECT_FALSE(std::filesystem::exists(OnStick("missing.gho")));
}

TEST_F(MakeThreadTest, DeletingTheWorkerWhileItWaitsForImagesEndsItWithoutAReport) {
  ASSERT_TRUE(controller_->StartMake());
  ASSERT_TRUE(WaitForPoints(2));
  const auto start = std::chrono::steady_clock::now();
  controller_->EndMake();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_FALSE(controller_->finished);
  EXPECT_TRUE(dialog_.Steps().empty());
  EXPECT_EQ(controller_->CopiedSoFar(), 0u);
}

TEST_F(MakeThreadTest, WithoutASelectedDiskTheWorkerDoesNothing) {
  controller_->Select(nullptr);
  ASSERT_TRUE(controller_->StartMake());
  for (auto end = std::chrono::steady_clock::now() + kBound;
       controller_->makeThread->IsRunning() && std::chrono::steady_clock::now() < end;) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_FALSE(controller_->makeThread->IsRunning());
  EXPECT_TRUE(main_.Steps().empty());
  EXPECT_TRUE(dialog_.Steps().empty());
  EXPECT_TRUE(Points().empty());
  EXPECT_FALSE(std::filesystem::exists(machine_.folder() / "state" / "processes.jsonl"));
}

// A refused disk: the make ends as a failed one before any tool has run.
class RefusedDisk : public MakeThreadTest {
 protected:
  using MakeThreadTest::MakeThreadTest;
  void ExpectRefused() {
    controller_->makeOnly = true;
    ASSERT_TRUE(controller_->StartMake());
    ASSERT_TRUE(dialog_.WaitFor(kMsgMakeFinished));
    EXPECT_EQ(dialog_.Steps(), (std::vector<Message>{{kMsgMakeFinished, 0, ""}}));
    EXPECT_TRUE(main_.Steps().empty());
    EXPECT_EQ(KindsOf(Points()), "start failed ");
    EXPECT_TRUE(controller_->finished);
    EXPECT_FALSE(controller_->succeeded);
    EXPECT_FALSE(std::filesystem::exists(machine_.folder() / "state" / "processes.jsonl"));
  }
};

TEST_F(RefusedDisk, AStickSwappedForAnotherUnderTheSameNumber) {
  ASSERT_NE(controller_->selectedDisk, nullptr);
  machine_.Plug(testing_support::MachineWith({testing_support::UsbDisk(2, "Kingston DataTraveler", {{"E", 7 * kGiB, kGiB}})}));
  ExpectRefused();
}

TEST_F(RefusedDisk, AStickPulledBeforeTheMakeBegins) {
  machine_.Pull(2);
  ExpectRefused();
}

class ProgramOnTheStick : public RefusedDisk {
 protected:
  ProgramOnTheStick() : RefusedDisk([] {
    Json::Value m = testing_support::MachineWithUsbStick();
    m["program"]["path"] = "E:\\Tarnvik\\Tarnvik.exe";
    return m;
  }(), "E") {}
};

TEST_F(ProgramOnTheStick, IsNeverMade) {
  ASSERT_NE(controller_->selectedDisk, nullptr);
  ExpectRefused();
}

}  // namespace
