// The program copy dialog on a machine whose program runs from the system drive: the copy
// to the data volume with its bar and folder, and the dialog closed before the end.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "app/global_param.h"
#include "platform/platform.h"
#include "skin/skin.h"
#include "support/skin_machine.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"
#include "ui/copy_box.h"
#include "ui/run_dialog.h"
#include "usbmaker/program_copy.h"

namespace {

using namespace DuiLib;
using testing_support::UiThread;

// The program (with its skins) in C:\Tarnvik, a data volume D: on disk 1.
class CopyBoxTest : public ::testing::Test {
 protected:
  CopyBoxTest() : machine_(ProgramOnSystemDrive()) {
    std::filesystem::path skin = machine_.HostPath(L"C:\\Tarnvik\\skin");
    std::filesystem::create_directories(skin.parent_path());
    std::filesystem::copy(std::filesystem::path(TARNVIK_SOURCE_DIR) / "skin", skin,
                          std::filesystem::copy_options::recursive);
    machine_.WriteFile(L"C:\\Tarnvik\\Tarnvik.exe", std::string(64 * 1024, 'p'));
    CGlobalParam::Instance();
  }
  ~CopyBoxTest() override { CGlobalParam::Release(); }

  static Json::Value ProgramOnSystemDrive() {
    Json::Value m = testing_support::MinimalMachine();
    m["program"]["path"] = "C:\\Tarnvik\\Tarnvik.exe";
    m["disks"][0]["partitions"][0]["freeBytes"] = Json::Int64(150 * testing_support::kGiB);
    m["disks"][1]["partitions"][0]["freeBytes"] = Json::Int64(50 * testing_support::kGiB);
    return m;
  }

  testing_support::TempMachine machine_;
  ProgramCopy copy_;
};

TEST_F(CopyBoxTest, TheCopyFinishesWithTwoAndLeavesTheProgramOnTheDataVolume) {
  std::atomic<int> result{-1};
  UiThread ui([&] {
    CCopyBox box(copy_);
    result = RunDialog(box, nullptr);
  });
  ui.Join();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(copy_.destination(), L"D:\\QX_PRLM\\");
  EXPECT_TRUE(platform::Current().files().FileExists(L"D:\\QX_PRLM\\Tarnvik.exe"));
  EXPECT_EQ(copy_.worker(), nullptr);
}

TEST_F(CopyBoxTest, ItShowsTheFolderAndClosedEarlyStopsTheCopy) {
  std::atomic<int> result{-1};
  UiThread ui([&] {
    CCopyBox box(copy_);
    box.CreateProgramWindow(nullptr, DialogTitle());
    EXPECT_EQ(box.GetPaintManager().FindControl(L"btnPath")->GetText(), L"D:\\QX_PRLM");
    box.Close(0);  // queued before the worker's first message is handled
    box.ShowModal();
    result = box.result;
  });
  ui.Join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(copy_.worker(), nullptr);
}

}  // namespace
