// The USB maker from the controller down to the machine's tools, on a machine laid out as
// make-machine.sh does it, whose Gdisk, fbinst, 7z, bcdedit, ISO writer, bootice, chkdsk,
// label and convert act on a 16 GB stick: the make from each starting layout, the disk
// it leaves, the images copied after it, the stick pulled in the middle, and the restore
// and NTFS jobs.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "platform/codepage.h"
#include "platform/platform.h"
#include "support/state_records.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/make_thread.h"
#include "usbmaker/message_recorder.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_list_page.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::TempMachine;

constexpr int64_t kMiB = int64_t(1) << 20;
constexpr int64_t kStickBytes = 15272 * kMiB;  // what a 16 GB stick holds
constexpr auto kBound = 60s;

// The stick's layout before the make.
enum class Start { Sector2048, Sector34, NoPartitionTable };

Json::Value MachineWithStick(Start start) {
  Json::Value stick = testing_support::UsbDisk(2, "SanDisk Cruzer Blade", {{"E", kStickBytes - kMiB, kStickBytes / 2}});
  stick["sizeBytes"] = Json::Int64(kStickBytes);
  Json::Value& volume = stick["partitions"][0];
  if (start == Start::Sector34) {
    volume["offsetBytes"] = 34 * 512;
  } else if (start == Start::NoPartitionTable) {
    stick["style"] = "raw";
    volume["offsetBytes"] = 0;
    volume["sizeBytes"] = Json::Int64(kStickBytes);
  }
  return testing_support::MachineWith({stick});
}

class UsbMakeEndToEndTest : public testing::Test {
 protected:
  void Open(Start start, UsbMakerHooks hooks = {}) {
    machine_.emplace(MachineWithStick(start), testing_support::MachineLayout::MadeByScript);
    // The WIM lies unpacked in the PE folder, as after an earlier make.
    machine_->WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", std::string(kMiB, 'w'));
    CGlobalParam::Instance();
    toolAbort = false;
    pe_.fileName = L"WEPE64_2.1.iso";
    controller_.emplace(noCatalogue_, pe_, std::move(hooks));
    controller_->page = &page_;
    page_.controller = &*controller_;
    controller_->mainWindow = &main_;
    controller_->makeDialog = &dialog_;
    controller_->formatDialog = &dialog_;
    controller_->SetUpPage();
    ASSERT_NE(controller_->selectedDisk, nullptr);
  }
  ~UsbMakeEndToEndTest() override {
    controller_.reset();
    CGlobalParam::Release();
    toolAbort = false;
  }

  const sim::Disk& Stick() {
    for (const sim::Disk& d : machine_->machine().config().disks) {
      if (d.number == 2) return d;
    }
    throw std::runtime_error("the stick is gone");
  }
  std::vector<uintptr_t> ParametersOf(const MessageRecorder& window, uint32_t message) {
    std::vector<uintptr_t> values;
    for (const RecordedMessage& m : window.Messages()) {
      if (m.message == message) values.push_back(m.wParam);
    }
    return values;
  }
  std::vector<RecordedMessage> Stages() {
    std::vector<RecordedMessage> stages;
    for (const RecordedMessage& m : main_.Messages()) {
      if (m.message >= kMsgOldPartitionsDeleted && m.message <= kMsgBootFilesWritten) stages.push_back(m);
    }
    return stages;
  }
  std::string Started() {
    std::string lines;
    for (const Json::Value& start : testing_support::ReadStateLines(machine_->folder(), "processes.jsonl")) {
      lines += start["commandLine"].asString() + "\n";
    }
    return lines;
  }

  std::optional<TempMachine> machine_;
  std::vector<std::unique_ptr<OsEntry>> noCatalogue_;
  PeEntry pe_;
  UsbListPage page_;
  MessageRecorder main_, dialog_;
  std::optional<UsbMakerController> controller_;
};

class MakeFromLayout : public UsbMakeEndToEndTest, public testing::WithParamInterface<Start> {};

TEST_P(MakeFromLayout, LeavesTheBootDiskWithItsEfiPartitionAtTheEnd) {
  Open(GetParam());
  controller_->makeOnly = true;
  ASSERT_TRUE(controller_->StartMake());
  ASSERT_TRUE(dialog_.WaitFor(kMsgMakeFinished, kBound));
  controller_->EndMake();

  EXPECT_EQ(Stages(), (std::vector<RecordedMessage>{{kMsgOldPartitionsDeleted, 1, 0, false},
                                                    {kMsgPartitioned, 1, 0, false},
                                                    {kMsgBootFilesWritten, 1, 0, false}}));
  EXPECT_EQ(ParametersOf(dialog_, kMsgMakeFinished), std::vector<uintptr_t>{1});
  EXPECT_TRUE(ParametersOf(main_, kMsgCopyTotal).empty()) << "a make without images copies nothing";
  EXPECT_TRUE(controller_->succeeded);

  // A stick that did not start at sector 63 or later went through the ISO writer first.
  const std::vector<Json::Value> writes = testing_support::ReadStateLines(machine_->folder(), "isowriter.jsonl");
  const bool written = std::any_of(writes.begin(), writes.end(),
                                   [](const Json::Value& w) { return w["command"].asString() == "write"; });
  EXPECT_EQ(written, GetParam() != Start::Sector2048);

  const sim::Disk& stick = Stick();
  ASSERT_EQ(stick.partitions.size(), 2u);
  const sim::Partition& data = stick.partitions[0];
  const sim::Partition& efi = stick.partitions[1];
  EXPECT_EQ(data.letter, L'E');
  EXPECT_EQ(data.fileSystem, L"NTFS");
  EXPECT_EQ(data.label, L"Tarnvik");
  EXPECT_EQ(data.offsetBytes, 35 * kMiB) << "35 units stay free for the hidden boot area";
  EXPECT_EQ(data.offsetBytes + data.sizeBytes, efi.offsetBytes);
  EXPECT_EQ(efi.type, "efi");
  EXPECT_EQ(efi.letter, 0);
  EXPECT_EQ(efi.sizeBytes, 35 * kMiB);
  EXPECT_EQ(efi.offsetBytes + efi.sizeBytes, kStickBytes) << "the EFI partition ends the disk";
  ASSERT_TRUE(stick.bootArea);
  EXPECT_TRUE(stick.bootArea->formatted);
  EXPECT_EQ(stick.bootArea->archive, "D:\\Tarnvik\\PE\\data.VQ");
  ASSERT_EQ(stick.bootArea->files.size(), 1u);
  EXPECT_EQ(stick.bootArea->files[0].name, "x64Pe.iso");

  platform::Files& files = platform::Current().files();
  const uint32_t hiddenSystem = platform::kFileAttributeHidden | platform::kFileAttributeSystem;
  EXPECT_EQ(files.GetFileAttributes(L"E:\\boot") & hiddenSystem, hiddenSystem);
  EXPECT_EQ(files.ReadFile(L"E:\\boot\\WEPE64.WIM"), std::string(kMiB, 'w'));
  EXPECT_TRUE(files.FileExists(L"E:\\注意事项.txt"));
  // The EFI partition holds what the boot image holds, its stores pointing at the WIM.
  const fs::path efiFiles = machine_->folder() / "drives" / "Harddisk2Partition2";
  EXPECT_TRUE(fs::exists(efiFiles / "efi" / "boot" / "bootx64.efi"));
  std::ifstream store(efiFiles / "efi" / "microsoft" / "boot" / "BCD");
  const std::string storeText((std::istreambuf_iterator<char>(store)), {});
  EXPECT_NE(storeText.find("ramdisk=[e:]\\\\boot\\\\WEPE64.WIM,{ramdiskoptions}"), std::string::npos) << storeText;
}

INSTANTIATE_TEST_SUITE_P(Sticks, MakeFromLayout,
                         testing::Values(Start::Sector2048, Start::Sector34, Start::NoPartitionTable),
                         [](const testing::TestParamInfo<Start>& info) {
                           switch (info.param) {
                             case Start::Sector2048: return "FirstPartitionAtSector2048";
                             case Start::Sector34: return "FirstPartitionAtSector34";
                             case Start::NoPartitionTable: return "NoPartitionTable";
                           }
                           return "";
                         });

TEST_F(UsbMakeEndToEndTest, QueuedImagesAreCopiedOntoTheDataPartitionAfterTheMake) {
  Open(Start::Sector2048);
  std::mutex filesLock;
  std::vector<std::string> copying;
  main_.onMessage = [&](const RecordedMessage& m) {
    if (m.message != kMsgCopyingFile) return;
    std::lock_guard lock(filesLock);
    copying.push_back(platform::WideToUtf8(reinterpret_cast<const wchar_t*>(m.wParam)));
  };
  machine_->WriteFile(L"D:\\images\\win10.gho", std::string(2 * kMiB, 'a'));
  machine_->WriteFile(L"D:\\images\\win7.gho", std::string(kMiB, 'b'));
  machine_->WriteFile(L"D:\\images\\xp.gho", std::string(kMiB / 2, 'c'));
  controller_->makeOnly = false;
  ASSERT_TRUE(controller_->StartMake());
  IImageQueue& queue = controller_->makeQueue();
  ASSERT_TRUE(queue.Enqueue(L"D:\\images\\win10.gho"));
  ASSERT_TRUE(queue.Enqueue(L"D:\\images\\win7.gho"));
  ASSERT_TRUE(main_.WaitFor(kMsgCopyTotal, kBound));
  ASSERT_TRUE(queue.Enqueue(L"D:\\images\\xp.gho"));  // after the total went out
  queue.EnqueueEnd();
  ASSERT_TRUE(dialog_.WaitFor(kMsgMakeFinished, kBound));
  controller_->EndMake();

  EXPECT_EQ(ParametersOf(dialog_, kMsgMakeFinished), std::vector<uintptr_t>{1});
  EXPECT_EQ(ParametersOf(main_, kMsgCopyTotal), std::vector<uintptr_t>{(3 * kMiB) >> 12});
  {
    std::lock_guard lock(filesLock);
    EXPECT_EQ(copying, (std::vector<std::string>{"E:\\win10.gho", "E:\\win7.gho", "E:\\xp.gho"}));
  }
  const std::vector<uintptr_t> progress = ParametersOf(main_, kMsgCopyProgress);
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), static_cast<uintptr_t>((3 * kMiB + kMiB / 2) >> 12));
  platform::Files& files = platform::Current().files();
  EXPECT_EQ(files.ReadFile(L"E:\\win10.gho"), std::string(2 * kMiB, 'a'));
  EXPECT_EQ(files.ReadFile(L"E:\\win7.gho"), std::string(kMiB, 'b'));
  EXPECT_EQ(files.ReadFile(L"E:\\xp.gho"), std::string(kMiB / 2, 'c'));
}

TEST_F(UsbMakeEndToEndTest, PullingTheStickDuringTheMakeStopsTheToolsAndClearsTheSelection) {
  UsbMakerHooks hooks;
  hooks.onSelectedDiskGone = KillTools;
  Open(Start::Sector2048, std::move(hooks));
  controller_->makeOnly = true;
  ASSERT_TRUE(controller_->StartMake());
  ASSERT_TRUE(main_.WaitFor(kMsgOldPartitionsDeleted, kBound));
  // The stick leaves; the device event makes the page refresh its list.
  ASSERT_TRUE(machine_->machine().DetachDisk(2));
  controller_->RefreshUsbList();
  EXPECT_EQ(controller_->selectedDisk, nullptr);
  EXPECT_TRUE(controller_->disks.empty());
  EXPECT_TRUE(toolAbort);
  ASSERT_TRUE(dialog_.WaitFor(kMsgMakeFinished, kBound));
  controller_->EndMake();

  EXPECT_EQ(ParametersOf(dialog_, kMsgMakeFinished), std::vector<uintptr_t>{0});
  EXPECT_FALSE(controller_->succeeded);
  EXPECT_NE(Started().find("/f /im fbinst.exe"), std::string::npos) << Started();
}

TEST_F(UsbMakeEndToEndTest, RestoreLeavesOnePlainNtfsPartitionAndAnEmptyBootArea) {
  Open(Start::Sector2048);
  machine_->WriteFile(L"E:\\photos\\a.jpg", "jpeg");
  ASSERT_TRUE(controller_->StartFormat(true, false));
  ASSERT_TRUE(dialog_.WaitFor(kMsgFormatResult, kBound));
  controller_->formatThread.reset();

  const std::vector<RecordedMessage> results = dialog_.Messages();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0], (RecordedMessage{kMsgFormatResult, 1, 0, false}));
  const sim::Disk& stick = Stick();
  ASSERT_EQ(stick.partitions.size(), 1u);
  EXPECT_EQ(stick.partitions[0].letter, L'E');
  EXPECT_EQ(stick.partitions[0].fileSystem, L"NTFS");
  EXPECT_EQ(stick.partitions[0].label, L"Tarnvik");
  EXPECT_EQ(stick.partitions[0].offsetBytes, kMiB);
  ASSERT_TRUE(stick.bootArea);
  EXPECT_TRUE(stick.bootArea->formatted);
  EXPECT_TRUE(stick.bootArea->files.empty());
  EXPECT_FALSE(platform::Current().files().FileExists(L"E:\\photos\\a.jpg"));
}

TEST_F(UsbMakeEndToEndTest, NtfsConversionKeepsTheFiles) {
  Open(Start::Sector2048);
  machine_->WriteFile(L"E:\\photos\\a.jpg", "jpeg");
  ASSERT_TRUE(controller_->StartFormat(false, true));
  ASSERT_TRUE(dialog_.WaitFor(kMsgFormatResult, kBound));
  controller_->formatThread.reset();

  const std::vector<RecordedMessage> results = dialog_.Messages();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0], (RecordedMessage{kMsgFormatResult, 1, 0, false}));
  EXPECT_EQ(Stick().partitions[0].fileSystem, L"NTFS");
  EXPECT_EQ(platform::Current().files().ReadFile(L"E:\\photos\\a.jpg"), "jpeg");
  EXPECT_NE(Started().find("/c convert E: /fs:ntfs /x"), std::string::npos) << Started();
}

}  // namespace
