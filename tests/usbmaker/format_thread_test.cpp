// The format worker on simulated machines with a USB stick: the restore's and the
// conversion's command lines and trace, what 3025 says, the disks it refuses before any
// tool runs, and the controller refusing a second job while one runs. Gdisk.exe is a
// script of the test's that prints a minimal listing; fbinst, label and convert are not
// on the machine, so that their starts are recorded without anything changing.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "support/logged_platform.h"
#include "support/state_records.h"
#include "support/usb_machine.h"
#include "usbmaker/convert_to_ntfs.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_list_page.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"
#include "usbmaker/message_recorder.h"

namespace {

using namespace std::chrono_literals;
using testing_support::kGiB;
using testing_support::LoggedPlatform;
using testing_support::MachineWith;
using testing_support::ReadStateLines;
using testing_support::UsbDisk;
using testing_support::UsbMachine;

enum class GdiskReply { Deleted, Locked, WaitsForRelease };

std::string GdiskScript(GdiskReply reply) {
  std::string script = "#!/bin/sh\n";
  if (reply == GdiskReply::WaitsForRelease) {
    script += "i=0\nwhile [ ! -e \"$TARNVIK_MACHINE/state/release\" ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n";
  }
  script += "case \"$*\" in\n  *\"/del /all\"*) echo \"";
  script += reply == GdiskReply::Locked ? "Disk 3: Error Locked" : "All partitions deleted";
  script += "\" ;;\n  *) echo \"Partition created\" ;;\nesac\n";
  return script;
}

Json::Value Stick(const char* name = "SanDisk Ultra", const char* fileSystem = "FAT32") {
  Json::Value disk = UsbDisk(2, name, {{"E", 8 * kGiB, 7 * kGiB}});
  disk["partitions"][0]["fileSystem"] = fileSystem;
  return disk;
}

class FormatThreadTest : public testing::Test {
 protected:
  void Open(const Json::Value& machineJson, GdiskReply reply = GdiskReply::Deleted) {
    machine_.emplace(machineJson);
    const std::filesystem::path gdisk = machine_->folder() / "drives" / "D" / "Tarnvik" / "tool" / "Gdisk.exe";
    std::filesystem::create_directories(gdisk.parent_path());
    std::ofstream(gdisk) << GdiskScript(reply);
    std::filesystem::permissions(gdisk, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    logged_.emplace(platform::Current());
    installed_.emplace(*logged_);
    CGlobalParam::Instance();
    toolAbort = false;
    controller_.emplace(catalogue_, pe_, UsbMakerHooks{});
    controller_->page = &page_;
    page_.controller = &*controller_;
    controller_->SetUpPage();
    controller_->formatDialog = &dialog_;
  }
  void TearDown() override {
    controller_.reset();
    installed_.reset();
    logged_.reset();
    CGlobalParam::Release();
    machine_.reset();
    toolAbort = false;
  }

  // Runs a job to its end: the result 3025 it posted.
  std::optional<RecordedMessage> RunJob(bool restore, bool convertNtfs) {
    EXPECT_TRUE(controller_->StartFormat(restore, convertNtfs));
    if (!dialog_.WaitFor(kMsgFormatResult)) return std::nullopt;
    controller_->formatThread.reset();
    EXPECT_EQ(dialog_.Messages().size(), 1u);
    return dialog_.Messages().front();
  }
  static RecordedMessage Result(uintptr_t ok, intptr_t failure) { return {kMsgFormatResult, ok, failure, false}; }

  // What each cmd.exe run was given, with its working folder.
  std::vector<std::string> CmdRuns() {
    std::vector<std::string> runs;
    for (const Json::Value& start : ReadStateLines(machine_->folder(), "processes.jsonl")) {
      if (!start["parent"].isNull()) continue;
      runs.push_back(start["commandLine"].asString() + " @" + start["directory"].asString());
    }
    return runs;
  }
  std::string Log() { return logged_->Log(); }

  std::vector<std::unique_ptr<OsEntry>> catalogue_;
  PeEntry pe_;
  std::optional<UsbMachine> machine_;
  std::optional<LoggedPlatform> logged_;
  std::optional<platform::ScopedPlatform> installed_;
  UsbListPage page_;
  MessageRecorder dialog_;
  std::optional<UsbMakerController> controller_;
};

TEST_F(FormatThreadTest, RestoreWipesRepartitionsFormatsTheBootAreaAndLabels) {
  Open(MachineWith({Stick()}));
  const std::filesystem::path stickFile = machine_->folder() / "drives" / "E" / "old" / "notes.txt";
  std::filesystem::create_directories(stickFile.parent_path());
  std::ofstream(stickFile) << "old";
  EXPECT_EQ(RunJob(true, false), Result(1, 0));
  EXPECT_FALSE(std::filesystem::exists(stickFile.parent_path()));
  EXPECT_EQ(CmdRuns(), (std::vector<std::string>{
                           "/c rd /s /q E:\n @D:\\Tarnvik",
                           "/c Gdisk.exe 3 /del /all >diskA.log @D:\\Tarnvik\\tool",
                           "/c Gdisk.exe 3  /cre /pri /ntfs /q /for >>diskA.log @D:\\Tarnvik\\tool",
                           "/c fbinst.exe (hd2) format @D:\\Tarnvik\\tool",
                           "/c label E: Tarnvik @D:\\Tarnvik",
                       }));
  const std::string log = Log();
  for (const std::string& trace : {std::string("/c rd /s /q E:\n"), std::string("raw\n"),
                                   Utf8ToAnsi("清理了ud区\r\n") + "/c label E: Tarnvik\r\n"}) {
    EXPECT_NE(log.find(trace), std::string::npos) << trace << " in " << log;
  }
}

TEST_F(FormatThreadTest, AFailedRestoreIsReportedAndNothingIsConverted) {
  Open(MachineWith({Stick()}), GdiskReply::Locked);
  EXPECT_EQ(RunJob(true, true), Result(0, 1));
  const std::vector<std::string> runs = CmdRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1], "/c Gdisk.exe 3 /del /all >diskA.log @D:\\Tarnvik\\tool");
  EXPECT_NE(Log().find("disk not locked\n"), std::string::npos);
}

TEST_F(FormatThreadTest, AVolumeThatIsNtfsAlreadyIsConvertedWithoutATool) {
  Open(MachineWith({Stick("SanDisk Ultra", "NTFS")}));
  EXPECT_EQ(RunJob(false, true), Result(1, 0));
  EXPECT_TRUE(CmdRuns().empty());
}

TEST_F(FormatThreadTest, AConversionThatLeavesTheVolumeAsItWasFails) {
  Open(MachineWith({Stick()}));
  EXPECT_EQ(RunJob(false, true), Result(0, 2));
  EXPECT_EQ(CmdRuns(), std::vector<std::string>{"/c convert E: /fs:ntfs /x @D:\\Tarnvik"});
}

TEST_F(FormatThreadTest, TheAbortFlagOfAnEarlierJobDoesNotStopThisOne) {
  Open(MachineWith({Stick()}));
  toolAbort = true;  // a pulled stick, an abandoned make
  EXPECT_EQ(RunJob(false, true), Result(0, 2));
  EXPECT_EQ(CmdRuns().size(), 1u);
}

// The stick is the system's, its letter named in either case by the system directory:
// the worker refuses the disk, and the conversion itself refuses the letter.
class SystemLetter : public FormatThreadTest, public testing::WithParamInterface<const char*> {};

TEST_P(SystemLetter, IsNeverConverted) {
  Json::Value m = MachineWith({Stick()});
  m["windows"]["systemDirectory"] = GetParam();
  Open(m);
  EXPECT_EQ(RunJob(false, true), Result(0, 2));
  EXPECT_FALSE(ConvertToNtfs(L'E'));
  EXPECT_FALSE(ConvertToNtfs(L'e'));
  EXPECT_TRUE(CmdRuns().empty());
}

INSTANTIATE_TEST_SUITE_P(EitherCase, SystemLetter, testing::Values("E:\\Windows\\system32", "e:\\Windows\\system32"));

TEST_F(FormatThreadTest, TheStickThatHoldsTheProgramIsRefusedBeforeAnyTool) {
  Json::Value m = MachineWith({Stick()});
  m["program"]["path"] = "E:\\Tarnvik\\Tarnvik.exe";
  Open(m);
  EXPECT_EQ(RunJob(true, true), Result(0, 1));
  EXPECT_TRUE(CmdRuns().empty());
}

TEST_F(FormatThreadTest, AStickSwappedForAnotherUnderItsLetterIsRefused) {
  Open(MachineWith({Stick()}));
  // The log wraps the machine as the system sees it now: the plugged one.
  installed_.reset();
  logged_.reset();
  machine_->Plug(MachineWith({Stick("Kingston DataTraveler")}));
  logged_.emplace(platform::Current());
  installed_.emplace(*logged_);
  EXPECT_EQ(RunJob(false, true), Result(0, 2));
  EXPECT_TRUE(CmdRuns().empty());
}

TEST_F(FormatThreadTest, WithoutADiskTheJobEndsAtOnce) {
  Open(MachineWith({}));
  EXPECT_EQ(RunJob(true, false), Result(0, 0));
}

TEST_F(FormatThreadTest, NothingIsPostedWithoutAnOpenDialog) {
  Open(MachineWith({Stick("SanDisk Ultra", "NTFS")}));
  controller_->formatDialog = nullptr;
  ASSERT_TRUE(controller_->StartFormat(false, true));
  for (int i = 0; i < 2000 && controller_->formatThread->IsRunning(); ++i) std::this_thread::sleep_for(5ms);
  EXPECT_FALSE(controller_->formatThread->IsRunning());
  EXPECT_TRUE(dialog_.Messages().empty());
}

TEST_F(FormatThreadTest, ASecondJobIsRefusedWhileOneRuns) {
  Open(MachineWith({Stick()}), GdiskReply::WaitsForRelease);
  ASSERT_TRUE(controller_->StartFormat(true, false));
  CFormatThread* first = controller_->formatThread.get();
  EXPECT_FALSE(controller_->StartFormat(false, true));
  EXPECT_EQ(controller_->formatThread.get(), first);
  std::ofstream(machine_->folder() / "state" / "release") << "";
  ASSERT_TRUE(dialog_.WaitFor(kMsgFormatResult));
  for (int i = 0; i < 2000 && first->IsRunning(); ++i) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(controller_->StartFormat(false, true));  // the ended job is replaced
  EXPECT_NE(controller_->formatThread.get(), nullptr);
}

}  // namespace
