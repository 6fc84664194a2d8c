// The program's copy of itself: the volume it goes to, the worker's copy of a folder or a
// file with the messages and their 4096-byte units, unreadable files, and a copy stopped
// by deleting its worker, on simulated machines.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"
#include "usbmaker/copy_thread.h"
#include "usbmaker/message_recorder.h"
#include "usbmaker/program_copy.h"
#include "usbmaker/usb_messages.h"

namespace {

using namespace std::chrono_literals;
using testing_support::kGiB;
using testing_support::MinimalMachine;
using testing_support::TempMachine;

struct DataVolume {
  const char* letter;
  int64_t freeBytes;
};

// The program on the system drive C:, and these volumes on disk 1.
Json::Value ProgramOnSystemDrive(const std::vector<DataVolume>& volumes) {
  Json::Value m = MinimalMachine();
  m["program"]["path"] = "C:\\Tarnvik\\Tarnvik.exe";
  m["disks"][0]["partitions"][0]["freeBytes"] = Json::Int64(150 * kGiB);  // more than any data volume
  Json::Value partitions(Json::arrayValue);
  int number = 1;
  for (const DataVolume& v : volumes) {
    Json::Value p;
    p["number"] = number++;
    p["letter"] = v.letter;
    p["fileSystem"] = "NTFS";
    p["sizeBytes"] = Json::Int64(100 * kGiB);
    p["freeBytes"] = Json::Int64(v.freeBytes);
    partitions.append(p);
  }
  m["disks"][1]["partitions"] = partitions;
  return m;
}

std::string Bytes(size_t size, char fill = 'x') { return std::string(size, fill); }

class ProgramCopyTest : public testing::Test {
 protected:
  void Open(const Json::Value& machineJson) {
    machine_.emplace(machineJson);
    CGlobalParam::Instance();
  }
  void TearDown() override {
    copy_.StopCopy();
    CGlobalParam::Release();
    machine_.reset();
  }
  std::string Read(const std::wstring& path) {
    std::ifstream in(machine_->HostPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  bool Exists(const std::wstring& path) { return std::filesystem::exists(machine_->HostPath(path)); }

  std::optional<TempMachine> machine_;
  ProgramCopy copy_;
  MessageRecorder window_;
};

TEST_F(ProgramCopyTest, TheProgramFolderGoesToTheDataVolumeAndItsCopyIsStartedFromThere) {
  Open(ProgramOnSystemDrive({{"D", 40 * kGiB}}));
  machine_->WriteFile(L"C:\\Tarnvik\\Tarnvik.exe", "program");
  machine_->WriteFile(L"C:\\Tarnvik\\tool\\Gdisk.exe", "tool");
  machine_->WriteFile(L"C:\\Tarnvik\\skin\\u\\m\\MsgBoxMake.xml", "<Window/>");
  ASSERT_TRUE(copy_.StartProgramCopy(&window_));
  EXPECT_EQ(copy_.destination(), L"D:\\QX_PRLM\\");
  EXPECT_EQ(copy_.programToStart(), L"D:\\QX_PRLM\\Tarnvik.exe");
  ASSERT_TRUE(window_.WaitFor(kMsgProgramCopyDone));
  EXPECT_EQ(Read(L"D:\\QX_PRLM\\Tarnvik.exe"), "program");
  EXPECT_EQ(Read(L"D:\\QX_PRLM\\tool\\Gdisk.exe"), "tool");
  EXPECT_EQ(Read(L"D:\\QX_PRLM\\skin\\u\\m\\MsgBoxMake.xml"), "<Window/>");
}

struct VolumeChoiceCase {
  const char* name;
  std::vector<DataVolume> volumes;
  const char* withCopyFolder;  // a volume that holds QX_PRLM already, or null
  const wchar_t* destination;
};

void PrintTo(const VolumeChoiceCase& c, std::ostream* os) { *os << c.name; }

class VolumeChoice : public ProgramCopyTest, public testing::WithParamInterface<VolumeChoiceCase> {};

TEST_P(VolumeChoice, SkipsTheSystemVolume) {
  Open(ProgramOnSystemDrive(GetParam().volumes));
  machine_->WriteFile(L"C:\\Tarnvik\\Tarnvik.exe", "program");
  if (const char* letter = GetParam().withCopyFolder) {
    std::filesystem::create_directories(machine_->folder() / "drives" / letter / "QX_PRLM");
  }
  ASSERT_TRUE(copy_.StartProgramCopy(nullptr));
  EXPECT_EQ(copy_.destination(), GetParam().destination);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeChoice,
    testing::Values(VolumeChoiceCase{"MostFreeSpace", {{"D", 10 * kGiB}, {"E", 50 * kGiB}}, nullptr, L"E:\\QX_PRLM\\"},
                    VolumeChoiceCase{"EarlierOnATie", {{"D", 20 * kGiB}, {"E", 20 * kGiB}}, nullptr, L"D:\\QX_PRLM\\"},
                    VolumeChoiceCase{"SmallerWithAnEarlierCopy", {{"D", 50 * kGiB}, {"E", 10 * kGiB}}, "E",
                                     L"E:\\QX_PRLM\\"}),
    [](const testing::TestParamInfo<VolumeChoiceCase>& info) { return std::string(info.param.name); });

TEST_F(ProgramCopyTest, NoCopyWhereTheProgramNeedsNoneOrNoOtherVolumeTakesIt) {
  Open(MinimalMachine());  // the program on D:, neither the system's drive nor a USB disk
  EXPECT_FALSE(copy_.StartProgramCopy(&window_));
  EXPECT_EQ(copy_.worker(), nullptr);
  TearDown();

  Open(ProgramOnSystemDrive({}));
  EXPECT_FALSE(copy_.StartProgramCopy(&window_));
  EXPECT_EQ(copy_.worker(), nullptr);
  EXPECT_TRUE(copy_.programToStart().empty());
}

// Runs a copy worker to its end.
void RunToEnd(CCopyThread& worker) {
  ASSERT_TRUE(worker.Start());
  for (int i = 0; i < 4000 && worker.IsRunning(); ++i) std::this_thread::sleep_for(5ms);
  ASSERT_FALSE(worker.IsRunning());
}

TEST_F(ProgramCopyTest, AFolderWithATrailingBackslashKeepsItsRelativePathsAndReportsIn4096ByteUnits) {
  Open(ProgramOnSystemDrive({{"D", 40 * kGiB}}));
  machine_->WriteFile(L"C:\\src\\a.bin", Bytes(202 * 4096 + 5, 'a'));
  machine_->WriteFile(L"C:\\src\\sub\\deeper\\b.bin", Bytes(3 * 4096, 'b'));
  CCopyThread worker(L"  C:/src/ ", L"D:\\dest\\", &window_);
  EXPECT_EQ(worker.sourcePath, L"C:\\src\\");
  RunToEnd(worker);
  EXPECT_EQ(Read(L"D:\\dest\\a.bin"), Bytes(202 * 4096 + 5, 'a'));
  EXPECT_EQ(Read(L"D:\\dest\\sub\\deeper\\b.bin"), Bytes(3 * 4096, 'b'));
  // 206 chunks in all: progress after the 101st and the 202nd, whichever file comes first.
  EXPECT_EQ(window_.Messages(), (std::vector<RecordedMessage>{{kMsgProgramCopyTotal, 205, 0, true},
                                                              {kMsgProgramCopyProgress, 101, 0, false},
                                                              {kMsgProgramCopyProgress, 202, 0, false},
                                                              {kMsgProgramCopyDone, 0, 0, false}}));
  EXPECT_EQ(worker.copiedBytes, worker.totalBytes);
}

TEST_F(ProgramCopyTest, AFileGoesIntoAFolderUnderItsOwnName) {
  Open(ProgramOnSystemDrive({{"D", 40 * kGiB}}));
  machine_->WriteFile(L"C:\\src\\one.txt", "one");
  std::filesystem::create_directories(machine_->folder() / "drives" / "D" / "dest");
  CCopyThread worker(L"C:\\src\\one.txt", L"D:\\dest\\", &window_);
  RunToEnd(worker);
  EXPECT_EQ(Read(L"D:\\dest\\one.txt"), "one");
  EXPECT_EQ(window_.Messages().back().message, kMsgProgramCopyDone);
}

TEST_F(ProgramCopyTest, AMissingSourceSendsNothing) {
  Open(ProgramOnSystemDrive({{"D", 40 * kGiB}}));
  CCopyThread worker(L"C:\\nothing", L"D:\\dest\\", &window_);
  RunToEnd(worker);
  EXPECT_TRUE(window_.Messages().empty());
}

TEST_F(ProgramCopyTest, AnUnreadableFileIsLeftOutAndTheCopyGoesOn) {
  Json::Value m = ProgramOnSystemDrive({{"D", 40 * kGiB}});
  m["faults"]["unreadableFiles"].append("C:\\src\\locked.db");
  Open(m);
  machine_->WriteFile(L"C:\\src\\locked.db", "held");
  machine_->WriteFile(L"C:\\src\\free.txt", "free");
  CCopyThread worker(L"C:\\src", L"D:\\dest", &window_);
  RunToEnd(worker);
  EXPECT_EQ(Read(L"D:\\dest\\free.txt"), "free");
  EXPECT_FALSE(Exists(L"D:\\dest\\locked.db"));
  EXPECT_EQ(window_.Messages().back().message, kMsgProgramCopyDone);
}

TEST_F(ProgramCopyTest, DeletingTheWorkerStopsTheCopyWithoutTheEndMessage) {
  Open(ProgramOnSystemDrive({{"D", 40 * kGiB}}));
  const size_t size = 8u << 20;
  machine_->WriteFile(L"C:\\src\\big.bin", Bytes(size));
  machine_->WriteFile(L"C:\\src\\zz\\later.txt", "later");
  std::atomic<bool> deleting{false};
  // The worker is held at its first progress report until its deletion has begun.
  window_.onMessage = [&](const RecordedMessage& m) {
    if (m.message != kMsgProgramCopyProgress || m.wParam != 101) return;
    for (int i = 0; i < 2000 && !deleting; ++i) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(200ms);
  };
  auto worker = std::make_unique<CCopyThread>(L"C:\\src", L"D:\\dest", &window_);
  ASSERT_TRUE(worker->Start());
  ASSERT_TRUE(window_.WaitFor(kMsgProgramCopyProgress));
  deleting = true;
  worker.reset();
  for (const RecordedMessage& m : window_.Messages()) EXPECT_NE(m.message, kMsgProgramCopyDone);
  EXPECT_LT(std::filesystem::file_size(machine_->HostPath(L"D:\\dest\\big.bin")), size);
  EXPECT_FALSE(Exists(L"D:\\dest\\zz\\later.txt"));
}

}  // namespace
