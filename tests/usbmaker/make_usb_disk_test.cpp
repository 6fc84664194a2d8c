// The make pipeline on a machine with a USB stick whose Gdisk.exe and 7z.exe are scripts
// of the test (the other tools are missing, so their starts are recorded as failed): the
// order and the exact command lines of its steps, the ISO writer's branch for a disk
// whose first partition starts too low, the size edge, a locked disk, and an abandoned
// make.

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <utility>

#include "app/global_param.h"
#include "app/pe_component.h"
#include "platform/forwarding_platform.h"
#include "support/logged_platform.h"
#include "support/usb_stick_machine.h"
#include "usbmaker/bcd_store_command.h"
#include "usbmaker/make_tool_fakes.h"
#include "usbmaker/make_usb_disk.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_driver_timing.h"
#include "usbmaker/usb_messages.h"

namespace {

using namespace std::chrono_literals;
using make_fakes::TopLevelStarts;
using testing_support::LoggedPlatform;
using testing_support::MachineWithUsbStick;
using testing_support::TempMachine;
using Messages = std::vector<std::pair<uint32_t, uintptr_t>>;

class RecordingTarget : public IMessageTarget {
 public:
  void Post(uint32_t message, uintptr_t wParam, intptr_t) override { messages.emplace_back(message, wParam); }
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t) override {
    messages.emplace_back(message, wParam);
    return 0;
  }
  Messages messages;
};

const std::string kTool = "(D:\\Tarnvik\\tool) ";
const std::string kOwnFolder = "(D:\\Tarnvik) ";  // no working folder: the program's own

class MakeUsbDiskTest : public testing::Test {
 protected:
  MakeUsbDiskTest() : logged_(machine_.machine()) {
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\Gdisk.exe", make_fakes::kGdiskScript);
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\7z.exe", "#!/bin/sh\nexit 0\n");
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\注意事项.txt", "notes");
    machine_.WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", "wim");
    Listing(L"lba.txt", make_fakes::LbaListing(2048));
    Listing(L"list.txt", make_fakes::PlainListing(8192));
    Listing(L"del.txt", "Disk 3: 2 partitions deleted.\n");
    CGlobalParam::Instance();
    SetPeComponentPaths(L"D:\\Tarnvik\\PE\\pe.iso");
    toolAbort = false;
    toolDriverTiming = ToolDriverTiming{2ms, 20s, 1ms, 1ms, 5ms, 5ms};
  }
  ~MakeUsbDiskTest() override {
    toolAbort = false;
    toolDriverTiming = ToolDriverTiming{};
    SetPeComponentPaths(L"");
    CGlobalParam::Release();
  }
  void Listing(const wchar_t* name, const std::string& text) { machine_.WriteFile(std::wstring(L"D:\\Tarnvik\\tool\\") + name, text); }
  std::vector<std::string> Starts() { return TopLevelStarts(machine_.folder(), true); }

  TempMachine machine_{MachineWithUsbStick()};
  LoggedPlatform logged_;
  platform::ScopedPlatform installed_{logged_};
  RecordingTarget window_;
};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kPartitioning = {
    kTool + "cmd /c Gdisk.exe 3 >disk.log",
    kTool + "cmd /c Gdisk.exe 3 /del /all >diskA.log",
    kTool + "cmd /c Gdisk.exe 3  /cre /pri /end /sz:35 /q /for /v:efi >>diskA.log",
    kTool + "cmd /c Gdisk.exe 3  /cre /pri /end /sz:8122  /q /for  /ntfs /Y >>diskA.log",
    kTool + "cmd /c fbinst.exe (hd2) format",
};

std::vector<std::string> BootFilesUpToTheWim() {
  std::string storeEdit;
  for (wchar_t c : BuildBcdStoreCommand(L'e')) storeEdit += static_cast<char>(c);  // ASCII
  return {
      kTool + "cmd /c Gdisk.exe 3 >disk.log",
      kTool + "cmd /c D:\\Tarnvik\\tool\\7z.exe x Udata.bak -y -aos -okqd",
      kTool + "cmd " + storeEdit,
      kTool + "cmd /c copy Uiso.bak Uiso.iso /y && iso.dll -silent -in Uiso.iso -f kqd\\*",
      kTool + "cmd /c fbinst.exe (hd2) format",
      kTool + "cmd /c fbinst.exe (hd2) format --archive D:\\Tarnvik\\PE\\data.VQ",
      kTool + "cmd /c fbinst.exe (hd2) add x64Pe.iso Uiso.iso",
      kOwnFolder + "cmd /c chkdsk e: /f /y",
  };
}

const std::vector<std::string> kBootFilesAfterTheWim = {
    kTool + "cmd /c Gdisk.exe 3 >disk.log",
    kOwnFolder + "cmd /c rd /s /q f:",
    kOwnFolder + "7z.exe x D:\\Tarnvik\\tool\\Uiso.iso -y -aos -of:\\",
    kTool + "cmd /c Gdisk.exe 3 >disk.log",
    kOwnFolder + "cmd /c label e: Tarnvik",
};

TEST_F(MakeUsbDiskTest, AWholeMakeRunsEveryStepInOrderWithItsCommandLine) {
  EXPECT_EQ(MakeUsbDisk(L'E', &window_), 1);
  EXPECT_EQ(Starts(), Concat(Concat(Concat({kTool + "cmd /c Gdisk.exe 3 /lba >diskOff.log"}, kPartitioning),
                                    BootFilesUpToTheWim()),
                             kBootFilesAfterTheWim));
  EXPECT_EQ(window_.messages, (Messages{{kMsgOldPartitionsDeleted, 1}, {kMsgPartitioned, 1}, {kMsgBootFilesWritten, 1}}));

  platform::Files& files = platform::Current().files();
  EXPECT_EQ(files.ReadFile(L"E:\\boot\\WEPE64.WIM"), "wim");
  EXPECT_EQ(files.GetFileAttributes(L"E:\\boot") & (platform::kFileAttributeHidden | platform::kFileAttributeSystem),
            platform::kFileAttributeHidden | platform::kFileAttributeSystem);
  EXPECT_EQ(files.ReadFile(L"E:\\注意事项.txt"), "notes");
  const std::string log = logged_.Log();
  for (const char* trace : {"find head:2048\n", "allSize:8192\n", "make ud and efi\n", "write to ud--\r\n",
                            "write to data--\r\n", "write to efi--\r\n"}) {
    EXPECT_NE(log.find(trace), std::string::npos) << trace;
  }
}

TEST_F(MakeUsbDiskTest, TheIsoWriterRunsOnlyWhenTheFirstPartitionStartsBelowSector63) {
  struct Case {
    const char* what;
    std::string listing;
    bool writerRuns;
  };
  const Case cases[] = {
      {"2048", make_fakes::LbaListing(2048), false},
      {"63", make_fakes::LbaListing(63), false},
      {"62", make_fakes::LbaListing(62), true},
      {"no partition table", make_fakes::kLbaWithoutTable, true},
  };
  Listing(L"del.txt", "Disk 3: Locked by another program; nothing deleted.\n");  // stops each make early
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Listing(L"lba.txt", c.listing);
    window_.messages.clear();
    const size_t before = Starts().size();
    // iso.dll is missing: the writer builds its boot image, writes nothing, and the layout
    // stays unusable.
    EXPECT_EQ(MakeUsbDisk(L'E', &window_), c.writerRuns ? 0 : -1);
    std::vector<std::string> starts = Starts();
    starts.erase(starts.begin(), starts.begin() + static_cast<std::ptrdiff_t>(before));
    if (c.writerRuns) {
      EXPECT_EQ(starts, (std::vector<std::string>{
                            kTool + "cmd /c Gdisk.exe 3 /lba >diskOff.log",
                            kTool + "cmd /c D:\\Tarnvik\\tool\\7z.exe x Udata.bak -y -aos -okqd",
                            kTool + "cmd /c copy Uiso.bak Uiso.iso /y && iso.dll -silent -in Uiso.iso -f kqd\\*",
                            kTool + "cmd /c Gdisk.exe 3 /lba >diskOff.log"}));
      EXPECT_TRUE(window_.messages.empty());
    } else {
      EXPECT_EQ(starts[1], kTool + "cmd /c Gdisk.exe 3 >disk.log");
    }
  }
}

TEST_F(MakeUsbDiskTest, AfterTheIsoWriterHasWrittenTheLayoutIsReadAgainAndTheMakeGoesOn) {
  testing_support::PutWindowTools(machine_);
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\Uiso.iso", "image");
  Listing(L"lba.txt", make_fakes::kLbaWithoutTable);
  Listing(L"lba-after-writer.txt", make_fakes::LbaListing(2048));
  EXPECT_EQ(MakeUsbDisk(L'E', &window_), 1);
  const std::vector<std::string> starts = Starts();
  ASSERT_GE(starts.size(), 4u);
  EXPECT_EQ(starts[0], kTool + "cmd /c Gdisk.exe 3 /lba >diskOff.log");
  EXPECT_EQ(starts[1], kTool + "cmd /c iso.dll -ini Uiso.iso -writeusb");
  EXPECT_EQ(starts[2], kTool + "cmd /c Gdisk.exe 3 /lba >diskOff.log");
  EXPECT_EQ(starts[3], kPartitioning[0]);
}

TEST_F(MakeUsbDiskTest, ADiskBelow100UnitsFailsBeforeAnythingIsDeleted) {
  Listing(L"list.txt", make_fakes::PlainListing(99));
  EXPECT_FALSE(PartitionUsbDisk(L'E', &window_));
  EXPECT_EQ(Starts(), std::vector<std::string>{kTool + "cmd /c Gdisk.exe 3 >disk.log"});
  EXPECT_TRUE(window_.messages.empty());

  Listing(L"list.txt", make_fakes::PlainListing(100));
  EXPECT_TRUE(PartitionUsbDisk(L'E', &window_));
  const std::vector<std::string> starts = Starts();
  ASSERT_EQ(starts.size(), 6u);
  EXPECT_EQ(starts[3], kTool + "cmd /c Gdisk.exe 3  /cre /pri /end /sz:35 /q /for /v:efi >>diskA.log");
  EXPECT_EQ(starts[4], kTool + "cmd /c Gdisk.exe 3  /cre /pri /end /sz:30  /q /for  /ntfs /Y >>diskA.log");
  EXPECT_EQ(window_.messages, (Messages{{kMsgOldPartitionsDeleted, 1}}));
}

TEST_F(MakeUsbDiskTest, ALockedDiskFailsThePartitioningWithNothingCreated) {
  Listing(L"del.txt", "Disk 3: Locked by another program; nothing deleted.\n");
  EXPECT_EQ(MakeUsbDisk(L'E', &window_), -1);
  EXPECT_EQ(Starts().size(), 3u);  // the layout, the size, the delete
  EXPECT_EQ(window_.messages, (Messages{{kMsgOldPartitionsDeleted, 0}, {kMsgPartitioned, 0}}));
}

TEST_F(MakeUsbDiskTest, ALetterOfNoUsbDiskRunsNothing) {
  EXPECT_EQ(MakeUsbDisk(L'D', &window_), 0);
  EXPECT_TRUE(Starts().empty());
  EXPECT_TRUE(window_.messages.empty());
}

// Files that pass everything on and raise toolAbort while the WIM is copied to the disk,
// as the page does when the user abandons the make at that moment.
class AbortDuringWimCopy : public platform::Files {
 public:
  explicit AbortDuringWimCopy(platform::Files& inner) : inner_(inner) {}
  bool DirectoryExists(const std::wstring& p) override { return inner_.DirectoryExists(p); }
  bool CreateDirectory(const std::wstring& p) override { return inner_.CreateDirectory(p); }
  std::optional<std::string> ReadFile(const std::wstring& p) override { return inner_.ReadFile(p); }
  bool ReadFileInChunks(const std::wstring& p, size_t n, const std::function<void(const char*, size_t)>& f) override {
    return inner_.ReadFileInChunks(p, n, f);
  }
  std::unique_ptr<platform::OpenFile> OpenFileForReading(const std::wstring& p) override {
    return inner_.OpenFileForReading(p);
  }
  std::unique_ptr<platform::OpenFile> CreateFileForWriting(const std::wstring& p) override {
    return inner_.CreateFileForWriting(p);
  }
  bool FileExists(const std::wstring& p) override { return inner_.FileExists(p); }
  bool WriteFile(const std::wstring& p, const std::string& b) override { return inner_.WriteFile(p, b); }
  bool RemoveFile(const std::wstring& p) override { return inner_.RemoveFile(p); }
  uint32_t GetFileAttributes(const std::wstring& p) override { return inner_.GetFileAttributes(p); }
  bool SetFileAttributes(const std::wstring& p, uint32_t a) override { return inner_.SetFileAttributes(p, a); }
  bool CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
    const bool copied = inner_.CopyFile(from, to, failIfExists);
    if (to.ends_with(L"\\boot\\WEPE64.WIM")) toolAbort = true;
    return copied;
  }
  uint32_t CopyFileEx(const std::wstring& from, const std::wstring& to, const platform::CopyProgress& p) override {
    return inner_.CopyFileEx(from, to, p);
  }
  std::shared_ptr<void> LockFile(const std::wstring& p) override { return inner_.LockFile(p); }
  std::optional<std::vector<platform::DirectoryEntry>> ListDirectory(const std::wstring& p) override {
    return inner_.ListDirectory(p);
  }
  std::optional<platform::DiskFreeSpace> QueryDiskFreeSpace(const std::wstring& p) override {
    return inner_.QueryDiskFreeSpace(p);
  }
  std::optional<platform::VolumeInformation> QueryVolumeInformation(const std::wstring& r, uint32_t l,
                                                                    uint32_t f) override {
    return inner_.QueryVolumeInformation(r, l, f);
  }

 private:
  platform::Files& inner_;
};

class AbortingPlatform : public platform::ForwardingPlatform {
 public:
  explicit AbortingPlatform(platform::Platform& inner) : ForwardingPlatform(inner), files_(inner.files()) {}
  platform::Files& files() override { return files_; }

 private:
  AbortDuringWimCopy files_;
};

TEST_F(MakeUsbDiskTest, ToolAbortDuringTheWimCopyStopsBeforeTheEfiSteps) {
  AbortingPlatform aborting(logged_);
  platform::ScopedPlatform installed(aborting);
  EXPECT_EQ(MakeUsbDisk(L'E', &window_), -2);
  EXPECT_EQ(Starts(), Concat(Concat({kTool + "cmd /c Gdisk.exe 3 /lba >diskOff.log"}, kPartitioning),
                             BootFilesUpToTheWim()));
  EXPECT_EQ(window_.messages, (Messages{{kMsgOldPartitionsDeleted, 1}, {kMsgPartitioned, 1}, {kMsgBootFilesWritten, 0}}));
}

TEST_F(MakeUsbDiskTest, WithoutTheWimTheBootFilesFailAfterTryingToExtractIt) {
  ASSERT_TRUE(platform::Current().files().RemoveFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM"));
  EXPECT_FALSE(WriteBootFiles(L'E'));
  const std::vector<std::string> starts = Starts();
  EXPECT_EQ(starts.back(), kOwnFolder + "7z.exe e D:\\Tarnvik\\PE\\pe.iso -oD:\\Tarnvik\\PE WEPE\\WEPE64.WIM -y");
  EXPECT_NE(logged_.Log().find("not find e:\\boot\\WEPE64.WIM\r\n"), std::string::npos);
}

}  // namespace
