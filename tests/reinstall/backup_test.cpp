// The backup of step 2 on simulated machines: the default folder, what is listed and where
// it lands, the space check, the files that cannot be copied, and the install button.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "platform/codepage.h"
#include "platform/platform.h"
#include "reinstall/backup_dir.h"
#include "reinstall/backup_page.h"
#include "reinstall/backup_thread.h"
#include "reinstall/download_page.h"
#include "reinstall/reinstall_controller.h"
#include "support/temp_machine.h"

namespace {

using namespace std::chrono_literals;
using testing_support::MinimalMachine;
using testing_support::TempMachine;

constexpr int64_t kGiB = int64_t{1} << 30;
constexpr uint32_t kAllItems = 15;

// A volume of a disk of its own, for the machine.json of a test.
Json::Value Disk(int number, const char* letter, const char* bus, int64_t freeBytes) {
  Json::Value disk;
  disk["number"] = number;
  disk["bus"] = bus;
  disk["removableMedia"] = std::string(bus) == "usb";
  disk["sizeBytes"] = Json::Int64(256) * kGiB;
  disk["style"] = "mbr";
  Json::Value volume;
  volume["number"] = 1;
  volume["sizeBytes"] = Json::Int64(200) * kGiB;
  volume["letter"] = letter;
  volume["fileSystem"] = "NTFS";
  volume["freeBytes"] = Json::Int64(freeBytes);
  disk["partitions"].append(volume);
  return disk;
}

// C: (the system's) on disk 0, then the volumes given, one disk each; the program on
// `programDrive`.
Json::Value Machine(std::vector<Json::Value> others, const char* programDrive = "D") {
  Json::Value m = MinimalMachine();
  m["program"]["path"] = std::string(programDrive) + ":\\Tarnvik\\Tarnvik.exe";
  m["disks"] = Json::Value(Json::arrayValue);
  m["disks"].append(Disk(0, "C", "sata", 30 * kGiB));
  for (Json::Value& disk : others) m["disks"].append(disk);
  return m;
}

// What the backup and download pages were asked to show, for the controller and the
// worker's thread alike.
class RecordingPages : public IBackupPage, public IDownloadPage {
 public:
  void ShowBackupDir(const std::wstring&) override {}
  void ShowSpaceShortage(int64_t missingBytes) override { Add(L"shortage " + std::to_wstring(missingBytes)); }
  void ShowBackupRefused(const std::wstring& message) override { Add(L"refused " + message); }

  void SetTaskName(const std::wstring&) override {}
  void SetTaskSize(int64_t) override {}
  void SetPercent(float) override {}
  void SetProgressRange(int64_t) override {}
  void SetProgressValue(int64_t) override {}
  void SetSpeed(int64_t) override {}
  void ShowPaused(bool) override {}
  void AddBackupSection(const std::wstring& backupDir) override { Add(L"section " + backupDir); }
  void SetBackupRange(int64_t files) override { Add(L"range " + std::to_wstring(files)); }
  void SetBackupValue(int64_t files) override {
    std::lock_guard lock(mutex_);
    lastValue_ = files;
    if (files > 0) enabledWhileCopying_ = enabledWhileCopying_ || enabled_;
  }
  void ShowBackupResult(bool complete, const std::wstring& failures) override {
    Add(complete ? L"备份成功!" : L"incomplete\n" + failures);
  }
  void EnableInstall(bool enabled) override {
    std::lock_guard lock(mutex_);
    enabled_ = enabled;
  }
  void SetInstallText(const std::wstring&) override {}
  void StartInstallCountdown() override {
    std::lock_guard lock(mutex_);
    ++countdowns_;
  }
  void StopInstallCountdown() override {}
  OsEntry* ChooseOtherOs(const OsList&) override { return nullptr; }
  void ShowVerifying(const std::wstring&) override {}
  void ShowDownloadFailed(const std::wstring&) override {}

  std::vector<std::wstring> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  // Waits, for a bounded time, for the backup's result.
  bool WaitForResult() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 20s, [&] {
      for (const auto& e : events_) {
        if (e == L"备份成功!" || e.rfind(L"incomplete", 0) == 0) return true;
      }
      return false;
    });
  }
  bool enabled() const { std::lock_guard lock(mutex_); return enabled_; }
  bool enabledWhileCopying() const { std::lock_guard lock(mutex_); return enabledWhileCopying_; }
  int countdowns() const { std::lock_guard lock(mutex_); return countdowns_; }
  int64_t lastValue() const { std::lock_guard lock(mutex_); return lastValue_; }

 private:
  void Add(const std::wstring& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::wstring> events_;
  bool enabled_ = false;
  bool enabledWhileCopying_ = false;
  int countdowns_ = 0;
  int64_t lastValue_ = -1;
};

// A machine with fresh global parameters and a controller on it that talks to the
// recording pages.
class BackupTest : public testing::Test {
 protected:
  void Open(const Json::Value& json) {
    TearDown();  // the machine of an earlier case goes first
    pages_ = std::make_unique<RecordingPages>();
    machine_ = std::make_unique<TempMachine>(json);
    CGlobalParam::Instance();
    controller_ = std::make_unique<ReinstallController>();
    controller_->backupPage = pages_.get();
    controller_->downloadPage = pages_.get();
  }
  void TearDown() override {
    controller_.reset();
    machine_.reset();
    CGlobalParam::Release();
  }
  ReinstallController& c() { return *controller_; }
  std::string Read(const std::wstring& path) {
    auto bytes = platform::Current().files().ReadFile(path);
    return bytes ? *bytes : "(missing)";
  }
  bool StartAndFinish(uint32_t items) {
    if (!c().StartBackup(items)) return false;
    EXPECT_TRUE(pages_->WaitForResult());
    c().backupWorker.reset();
    return true;
  }

  std::unique_ptr<RecordingPages> pages_;
  std::unique_ptr<TempMachine> machine_;
  std::unique_ptr<ReinstallController> controller_;
};

TEST_F(BackupTest, TheDefaultFolderIsOnTheNonSystemVolumeWithTheMostSpace) {
  struct Case {
    const char* what;
    Json::Value machine;
    std::wstring expected;
  };
  Json::Value windowsOnUsb = Machine({Disk(1, "F", "usb", 8 * kGiB)}, "F");
  windowsOnUsb["windows"]["systemDirectory"] = "F:\\Windows\\system32";
  windowsOnUsb["disks"].removeIndex(0, nullptr);
  const Case cases[] = {
      {"two data volumes", Machine({Disk(1, "D", "sata", 20 * kGiB), Disk(2, "E", "sata", 50 * kGiB)}),
       L"E:\\beifenshuju"},
      {"equal space keeps the earlier",
       Machine({Disk(1, "D", "sata", 20 * kGiB), Disk(2, "E", "sata", 20 * kGiB)}), L"D:\\beifenshuju"},
      {"neither the system volume nor, with two others, USB",
       Machine({Disk(1, "D", "nvme", 1 * kGiB), Disk(2, "E", "usb", 50 * kGiB)}), L"D:\\beifenshuju"},
      {"only C and a USB stick", Machine({Disk(1, "F", "usb", 8 * kGiB)}, "C"), L"F:\\beifenshuju"},
      {"only C: no folder", Machine({}, "C"), L""},
      {"only the system's volume, on USB: no folder", windowsOnUsb, L""},
  };
  for (const Case& k : cases) {
    Open(k.machine);
    EXPECT_EQ(ChooseDefaultBackupDir(), k.expected) << k.what;
    EXPECT_EQ(c().GetBackupDir(), k.expected) << k.what;  // the controller chose it when built
  }
}

TEST_F(BackupTest, CopiesEachFolderOnceKeepingItsNameWithHiddenAndSystemFiles) {
  Open(Machine({Disk(1, "D", "sata", 20 * kGiB), Disk(2, "E", "sata", 50 * kGiB)}));
  machine_->WriteFile(L"C:\\Users\\A\\Desktop\\x\\y.txt", "y");
  machine_->WriteFile(L"C:\\Users\\A\\Desktop\\desktop.ini", "ini");
  machine_->WriteFile(L"C:\\Users\\A\\Documents\\Tencent Files\\123\\msg.db", "qq");
  machine_->WriteFile(L"C:\\Users\\A\\Documents\\report.doc", "doc");
  machine_->WriteFile(L"C:\\Users\\A\\Favorites\\site.url", "url");
  platform::Files& files = platform::Current().files();
  files.SetFileAttributes(L"C:\\Users\\A\\Desktop\\desktop.ini", platform::kFileAttributeHidden |
                                                                   platform::kFileAttributeSystem);

  ASSERT_TRUE(StartAndFinish(kAllItems));
  std::vector<std::wstring> folders;
  for (const auto& [folder, list] : c().backupFiles) folders.push_back(folder);
  EXPECT_EQ(folders, (std::vector<std::wstring>{L"C:\\Users\\A\\Desktop", L"C:\\Users\\A\\Documents",
                                                L"C:\\Users\\A\\Favorites"}));
  EXPECT_EQ(Read(L"E:\\beifenshuju\\Desktop\\x\\y.txt"), "y");
  EXPECT_EQ(Read(L"E:\\beifenshuju\\Desktop\\desktop.ini"), "ini");
  EXPECT_EQ(files.GetFileAttributes(L"E:\\beifenshuju\\Desktop\\desktop.ini"),
            platform::kFileAttributeHidden | platform::kFileAttributeSystem);
  EXPECT_EQ(Read(L"E:\\beifenshuju\\Documents\\Tencent Files\\123\\msg.db"), "qq");
  EXPECT_EQ(Read(L"E:\\beifenshuju\\Documents\\report.doc"), "doc");
  EXPECT_EQ(Read(L"E:\\beifenshuju\\Favorites\\site.url"), "url");
  EXPECT_FALSE(files.DirectoryExists(L"E:\\beifenshuju\\Tencent Files"));
  EXPECT_EQ(pages_->Events(), (std::vector<std::wstring>{L"section E:\\beifenshuju", L"range 5", L"备份成功!"}));
  EXPECT_EQ(pages_->lastValue(), 5);

  // The WinPE learns where the backup went.
  const std::wstring bp = platform::Current().profiles().ReadString(L"do", L"BP", L"", L"D:\\Config.ini");
  EXPECT_EQ(DecryptString(WideToLocal(bp), kStatsKey), "E:\\beifenshuju");
}

TEST_F(BackupTest, TheChatFilesAloneGoBelowTheirOwnName) {
  Open(Machine({Disk(1, "D", "sata", 20 * kGiB)}));
  c().SetBackupDir(L"D:\\");  // a drive's root, as the folder picker gives it
  machine_->WriteFile(L"C:\\Users\\A\\Documents\\Tencent Files\\123\\msg.db", "qq");
  machine_->WriteFile(L"C:\\Users\\A\\Documents\\report.doc", "doc");
  ASSERT_TRUE(StartAndFinish(ReinstallController::kBackupQQ));
  EXPECT_EQ(Read(L"D:\\Tencent Files\\123\\msg.db"), "qq");
  EXPECT_EQ(Read(L"D:\\report.doc"), "(missing)");
}

TEST_F(BackupTest, TheSpaceCheckMeasuresTheProgramsVolumeAndCountsTheDownloadsThere) {
  struct Case {
    const char* what;
    const wchar_t* backupDir;
    bool peOnDisk;
    int64_t freeOnD;  // the program's volume
    const wchar_t* shortage;  // nullptr: the backup starts
  };
  // 3000 bytes of files, a 5000-byte image and a 700-byte WinPE component.
  const Case cases[] = {
      {"elsewhere: files only, and they fit", L"E:\\beifenshuju", false, 3000, nullptr},
      {"elsewhere: still the program's volume that is short", L"E:\\beifenshuju", false, 2999, L"shortage 1"},
      {"on the program's drive: image and WinPE too", L"D:\\beifenshuju", false, 8699, L"shortage 1"},
      {"on the program's drive: they fit", L"d:\\bk", false, 8700, nullptr},
      {"on the program's drive: a WinPE already there needs no room", L"D:\\beifenshuju", true, 8000, nullptr},
  };
  for (const Case& k : cases) {
    Open(Machine({Disk(1, "D", "sata", k.freeOnD), Disk(2, "E", "sata", 50 * kGiB)}));
    machine_->WriteFile(L"C:\\Users\\A\\Desktop\\a.bin", std::string(1000, 'a'));
    machine_->WriteFile(L"C:\\Users\\A\\Favorites\\b.bin", std::string(2000, 'b'));
    auto entry = std::make_unique<OsEntry>();
    entry->size = 5000;
    entry->state = 3;  // counted even when downloaded
    c().selectedOs = entry.get();
    c().osList.push_back(std::move(entry));
    c().peEntry.fileName = L"WEPE64.iso";
    c().peEntry.size = 700;
    if (k.peOnDisk) machine_->WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.iso", std::string(700, 'p'));
    c().SetBackupDir(k.backupDir);
    c().readyToInstall = true;

    const bool started = c().StartBackup(kAllItems);
    EXPECT_EQ(started, k.shortage == nullptr) << k.what;
    if (started) {
      EXPECT_TRUE(pages_->WaitForResult()) << k.what;
    } else {
      EXPECT_EQ(pages_->Events(), std::vector<std::wstring>{k.shortage}) << k.what;
      EXPECT_EQ(c().backupWorker, nullptr) << k.what;
      EXPECT_TRUE(c().backupIdle) << k.what;
      EXPECT_TRUE(pages_->enabled()) << k.what;  // the downloads alone decide
    }
    TearDown();
  }
}

TEST_F(BackupTest, FilesThatCannotBeCopiedAreReportedAndTheRestIsCopied) {
  Json::Value json = Machine({Disk(1, "D", "sata", 20 * kGiB)});
  json["faults"]["unreadableFiles"].append("C:\\Users\\A\\Documents\\Tencent Files\\Msg3.0.db");
  json["faults"]["unwritableFiles"].append("D:\\beifenshuju\\Desktop\\denied.txt");
  Open(json);
  machine_->WriteFile(L"C:\\Users\\A\\Documents\\Tencent Files\\Msg3.0.db", "locked");
  machine_->WriteFile(L"C:\\Users\\A\\Desktop\\denied.txt", "d");
  machine_->WriteFile(L"C:\\Users\\A\\Desktop\\fine.txt", "f");
  machine_->WriteFile(L"C:\\Users\\A\\Documents\\notes.txt", "n");
  c().readyToInstall = true;
  c().autoInstall = true;

  ASSERT_TRUE(StartAndFinish(kAllItems));
  EXPECT_EQ(Read(L"D:\\beifenshuju\\Desktop\\fine.txt"), "f");
  EXPECT_EQ(Read(L"D:\\beifenshuju\\Documents\\notes.txt"), "n");
  EXPECT_EQ(pages_->Events().back(),
            L"incomplete\n"
            L"C:\\Users\\A\\Desktop\\denied.txt（错误 5）\r\n"
            L"C:\\Users\\A\\Documents\\Tencent Files\\Msg3.0.db（错误 32）\r\n");
  EXPECT_TRUE(pages_->enabled());
  EXPECT_EQ(pages_->countdowns(), 0);  // the user reads what is missing first
}

TEST_F(BackupTest, TheInstallButtonWaitsForTheBackupAndCountsDownOnlyWhenAutomatic) {
  for (bool automatic : {true, false}) {
    Open(Machine({Disk(1, "D", "sata", 20 * kGiB)}));
    machine_->WriteFile(L"C:\\Users\\A\\Desktop\\big.bin", std::string(1 << 20, 'b'));
    machine_->WriteFile(L"C:\\Users\\A\\Desktop\\small.txt", "s");
    c().readyToInstall = true;  // the downloads are done
    c().autoInstall = automatic;
    c().UpdateInstallButton();
    ASSERT_TRUE(pages_->enabled());

    ASSERT_TRUE(c().StartBackup(ReinstallController::kBackupDesktop));
    ASSERT_TRUE(pages_->WaitForResult());
    c().backupWorker.reset();
    EXPECT_FALSE(pages_->enabledWhileCopying()) << automatic;
    EXPECT_TRUE(pages_->enabled()) << automatic;
    EXPECT_EQ(pages_->countdowns(), automatic ? 1 : 0);
    TearDown();
  }

  // The downloads still running: the backup's end leaves the button to them.
  Open(Machine({Disk(1, "D", "sata", 20 * kGiB)}));
  c().autoInstall = true;
  ASSERT_TRUE(StartAndFinish(ReinstallController::kBackupDesktop));
  EXPECT_TRUE(c().backupIdle);
  EXPECT_FALSE(pages_->enabled());
  EXPECT_EQ(pages_->countdowns(), 0);
}

TEST_F(BackupTest, AFolderThatWouldCopyIntoItselfOrNoFolderIsRefused) {
  struct Case {
    const wchar_t* backupDir;
    const wchar_t* refusal;  // nullptr: the backup starts
  };
  const Case cases[] = {
      {L"C:\\Users\\A\\Desktop\\bk", L"refused 备份路径C:\\Users\\A\\Desktop\\bk与要备份的文件夹C:\\Users\\A\\Desktop重叠，请另选备份路径！"},
      {L"c:\\users\\a\\DESKTOP", L"refused 备份路径c:\\users\\a\\DESKTOP与要备份的文件夹C:\\Users\\A\\Desktop重叠，请另选备份路径！"},
      {L"C:\\Users\\A\\", L"refused 备份路径C:\\Users\\A\\与要备份的文件夹C:\\Users\\A\\Desktop重叠，请另选备份路径！"},
      {L"", L"refused 请先选择备份路径！"},
      {L"C:\\Users\\A\\Desktop2", nullptr},
      {L"C:\\Users\\Backup", nullptr},
  };
  for (const Case& k : cases) {
    Open(Machine({Disk(1, "D", "sata", 20 * kGiB)}));
    machine_->WriteFile(L"C:\\Users\\A\\Desktop\\x.txt", "x");
    c().readyToInstall = true;
    c().SetBackupDir(k.backupDir);
    const bool started = c().StartBackup(ReinstallController::kBackupDesktop);
    const std::string what = platform::WideToUtf8(k.backupDir);
    EXPECT_EQ(started, k.refusal == nullptr) << what;
    if (started) {
      EXPECT_TRUE(pages_->WaitForResult()) << what;
    } else {
      EXPECT_EQ(pages_->Events(), std::vector<std::wstring>{k.refusal}) << what;
      EXPECT_TRUE(c().backupIdle) << what;
      EXPECT_TRUE(pages_->enabled()) << what;
    }
    TearDown();
  }
}

TEST(BackupPaths, TargetsKeepTheSourceFoldersNameAndContainmentIgnoresCase) {
  EXPECT_EQ(BackupTargetOf(L"C:\\Users\\A\\Desktop\\x\\y.txt", L"C:\\Users\\A\\Desktop", L"D:\\beifenshuju"),
            L"D:\\beifenshuju\\Desktop\\x\\y.txt");
  EXPECT_EQ(BackupTargetOf(L"C:\\Users\\A\\Desktop\\y.txt", L"C:\\Users\\A\\Desktop\\", L"D:\\"),
            L"D:\\Desktop\\y.txt");
  EXPECT_TRUE(PathWithin(L"c:\\users\\a\\desktop\\bk", L"C:\\Users\\A\\Desktop"));
  EXPECT_TRUE(PathWithin(L"C:\\Users\\A\\Desktop\\", L"C:\\Users\\A\\Desktop"));
  EXPECT_FALSE(PathWithin(L"C:\\Users\\A\\Desktop2", L"C:\\Users\\A\\Desktop"));
  EXPECT_TRUE(PathWithin(L"C:\\x", L"C:\\"));
}

}  // namespace
