// The reinstall's download step on a simulated machine against the local file service:
// the four starting cases, the progress over both parts, stall restarts and rebuilds,
// pausing, re-selection, parking at close, and the images held to their checksums.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/text_helpers.h"
#include "download_fixture.h"
#include "reinstall/download_thread.h"
#include "stats/fixed_points.h"

namespace {

using download_testing::DownloadFixture;
using download_testing::WaitFor;
using testing_support::PatternBytes;

constexpr int64_t kPeSize = 96 << 10;
constexpr int64_t kImageSize = 160 << 10;

services::ServiceOptions Throttled(int64_t bytesPerSecond) {
  services::ServiceOptions o;
  o.throttleBytesPerSecond = bytesPerSecond;
  return o;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(EnterDownloadStep, FetchesWhatIsMissingAndEnablesTheInstallOnceBothPartsAreIn) {
  struct Case {
    const char* what;
    bool peOnDisk, imageOnDisk;
    int64_t range;  // of the progress bar, in 4096-byte units
    std::wstring name;
  };
  const Case cases[] = {
      {"both present", true, true, 100, L""},
      {"image missing", true, false, kImageSize / 4096, L"Windows win10.gho"},
      {"WinPE missing", false, true, kPeSize / 4096, L"Windows win10.gho(PE组件)"},
      {"both missing", false, false, (kPeSize + kImageSize) / 4096, L"Windows win10.gho"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DownloadFixture f;
    const std::string pe = PatternBytes(kPeSize, 1), image = PatternBytes(kImageSize, 2);
    f.SetPe(pe, c.peOnDisk);
    OsEntry* entry = f.AddImage("win10.gho", image);
    if (c.imageOnDisk) f.PutImageOnDisk(*entry, image);
    f.controller->selectedOs = entry;

    ASSERT_TRUE(f.controller->EnterDownloadStep());
    EXPECT_EQ(f.controller->downloadWorker != nullptr, !(c.peOnDisk && c.imageOnDisk));
    ASSERT_TRUE(f.WaitReady());
    auto shown = f.page.Get();
    EXPECT_EQ(shown.ranges.front(), c.range);
    if (!c.name.empty()) {
      EXPECT_EQ(shown.names.front(), c.name);
    }
    EXPECT_EQ(shown.percents.back(), 100.0f);
    EXPECT_TRUE(shown.installEnabled);
    EXPECT_EQ(entry->state, 3);
    EXPECT_EQ(f.controller->peEntry.state, 3);
    EXPECT_TRUE(f.machine.ReadHostFile(entry->localPath) == image);
    EXPECT_TRUE(f.machine.ReadHostFile(std::wstring(DownloadFixture::kPeDir) + L"WEPE64.iso") == pe);
    // Only a fetched image is checked, and only a fetched WinPE is reported.
    EXPECT_EQ(shown.verifying.size(), c.imageOnDisk ? 0u : 1u);
    EXPECT_EQ(std::count(f.points.begin(), f.points.end(), FixedPE().GetName()), c.peOnDisk ? 0 : 1);
    EXPECT_TRUE(shown.failures.empty());
    if (f.controller->downloadWorker) {
      while (f.controller->downloadWorker->IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      EXPECT_NE(f.Log().find(WideToLocal(L"平均速度：")), std::string::npos);
      EXPECT_EQ(f.controller->downloadWorker->Percent(), 100.0f);
    }
  }
}

TEST(DownloadThread, TheProgressRunsOverBothPartsWithTheWinPeFirst) {
  DownloadFixture f(Throttled(1 << 20));
  const std::string pe = PatternBytes(kPeSize, 1), image = PatternBytes(kImageSize, 2);
  f.SetPe(pe, false);
  f.controller->selectedOs = f.AddImage("win10.gho", image);
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(f.WaitReady());
  auto shown = f.page.Get();
  // The image part carries on from the WinPE's size: the bar never goes back.
  std::vector<int64_t> values(shown.values.begin() + 1, shown.values.end() - 1);  // between the step's 0 and the end's 100
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  EXPECT_EQ(values.back(), (kPeSize + kImageSize) / 4096);
  EXPECT_TRUE(std::count(values.begin(), values.end(), kPeSize / 4096) > 0);
  EXPECT_TRUE(std::is_sorted(shown.percents.begin(), shown.percents.end()));
  EXPECT_GT(shown.percents.size(), 3u);
}

TEST(DownloadThread, ASilentTaskIsRestartedTwiceAndRebuiltTheThirdTime) {
  services::ServiceOptions stall;
  stall.stallAtOffset = 64 << 10;
  stall.stallSeconds = 4;
  DownloadFixture f(stall);
  f.SetPe(PatternBytes(kPeSize, 1), true);
  const std::string image = PatternBytes(kImageSize, 2);
  OsEntry* entry = f.AddImage("win10.gho", image);
  f.controller->selectedOs = entry;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  const std::string url(entry->url.begin(), entry->url.end());
  const std::string rebuild = WideToLocal(L"长时间没有下载速度，重建任务：") + "\n    " + url + "\n\n";
  ASSERT_TRUE(WaitFor([&] { return f.Log().find(rebuild) != std::string::npos; }));
  const std::string log = f.Log();
  const std::string restart = WideToLocal(L"重启下载任务：") + "\n    " + url + "\n\n";
  EXPECT_EQ(Count(log, restart), 2u) << log;
  EXPECT_LT(log.rfind(restart), log.find(rebuild));

  f.server.Restart({});  // the connection mends: the rebuilt task completes
  ASSERT_TRUE(f.WaitReady());
  EXPECT_TRUE(f.machine.ReadHostFile(entry->localPath) == image);
}

TEST(DownloadThread, PausingFreezesTheStallCountAndResumingStartsTheImage) {
  services::ServiceOptions stall;
  stall.stallAtOffset = 64 << 10;
  stall.stallSeconds = 3;
  DownloadFixture f(stall);
  f.SetPe(PatternBytes(kPeSize, 1), true);
  OsEntry* entry = f.AddImage("win10.gho", PatternBytes(kImageSize, 2));
  f.controller->selectedOs = entry;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return f.server.BytesSent() >= 64 << 10; }));
  ASSERT_TRUE(f.controller->PauseDownload(true));
  EXPECT_EQ(f.controller->osTask->state, kTaskStopped);
  // Far longer than 200 polls of 2 ms and the speed's one-second memory.
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  EXPECT_EQ(f.Log().find(WideToLocal(L"重启下载任务")), std::string::npos) << f.Log();

  ASSERT_TRUE(f.controller->PauseDownload(false));
  EXPECT_EQ(f.controller->osTask->state, kTaskRunning);
  EXPECT_EQ(f.page.Get().paused, (std::vector<bool>{true, false}));
  EXPECT_TRUE(WaitFor([&] { return f.Log().find(WideToLocal(L"重启下载任务")) != std::string::npos; }));
}

TEST(ReselectOs, DuringTheWinPeTheNewImageIsFetchedAfterIt) {
  DownloadFixture f(Throttled(256 << 10));
  f.SetPe(PatternBytes(kPeSize, 1), false);
  OsEntry* first = f.AddImage("win7.gho", PatternBytes(kImageSize, 2));
  OsEntry* second = f.AddImage("win10.gho", PatternBytes(kImageSize / 2, 3));
  f.controller->selectedOs = first;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return f.PeState() == 2; }));
  f.page.chosen = second;
  f.controller->ReselectOs();
  EXPECT_EQ(f.controller->downloadWorker->TotalBytes(), kPeSize + kImageSize / 2);
  ASSERT_TRUE(f.WaitReady());
  EXPECT_EQ(second->state, 3);
  EXPECT_EQ(first->state, 0);
  EXPECT_FALSE(f.machine.HostFileExists(std::wstring(DownloadFixture::kImageDir) + L"win7.gho"));
  EXPECT_EQ(f.page.Get().names.back(), L"Windows win10.gho");
}

TEST(ReselectOs, DuringTheImageTheOldTaskIsParkedAndTheNewOneStartsFromZero) {
  DownloadFixture f(Throttled(256 << 10));
  f.SetPe(PatternBytes(kPeSize, 1), true);
  OsEntry* first = f.AddImage("win7.gho", PatternBytes(kImageSize * 4, 2));
  const std::string image = PatternBytes(kImageSize / 2, 3);
  OsEntry* second = f.AddImage("win10.gho", image);
  first->recommended = true;
  f.controller->selectedOs = first;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return f.server.BytesSent() > 64 << 10; }));
  f.page.chosen = second;
  f.controller->ReselectOs();
  EXPECT_EQ(first->state, 1);  // back to recommended
  EXPECT_EQ(f.controller->downloadWorker->TotalBytes(), kImageSize / 2);
  EXPECT_EQ(f.controller->downloadWorker->DoneBytes(), 0);
  std::shared_ptr<CThunder> engine = CThunder::Instance();
  EXPECT_NE(engine->FindParkedByUrl(first->url), nullptr);
  EXPECT_EQ(engine->FindActiveByUrl(first->url), nullptr);
  ASSERT_TRUE(f.WaitReady());
  EXPECT_TRUE(f.machine.ReadHostFile(second->localPath) == image);
  auto shown = f.page.Get();
  EXPECT_EQ(shown.ranges[shown.ranges.size() - 2], kImageSize / 2 / 4096);  // the last is the end's 100
  EXPECT_EQ(shown.percents.back(), 100.0f);
}

TEST(ReselectOs, AfterCompletionTheStepStartsAgainForTheNewImage) {
  DownloadFixture f;
  f.SetPe(PatternBytes(kPeSize, 1), false);
  OsEntry* first = f.AddImage("win7.gho", PatternBytes(kImageSize, 2));
  const std::string image = PatternBytes(kImageSize, 3);
  OsEntry* second = f.AddImage("win10.gho", image);
  f.controller->selectedOs = first;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(f.WaitReady());
  f.page.chosen = second;
  f.controller->ReselectOs();
  EXPECT_FALSE(f.controller->readyToInstall);
  ASSERT_TRUE(f.WaitReady());
  EXPECT_EQ(first->state, 3);
  EXPECT_EQ(second->state, 3);
  EXPECT_TRUE(f.machine.ReadHostFile(second->localPath) == image);
  EXPECT_EQ(CThunder::Instance()->ActiveCount(), 1u);  // the new image's, deleted at the worker's end
  f.controller->downloadWorker.reset();
  EXPECT_EQ(CThunder::Instance()->ActiveCount(), 0u);
  EXPECT_EQ(CThunder::Instance()->ParkedCount(), 0u);
}

TEST(DownloadThread, ClosingDuringTheImageParksItsTaskAndTheNextRunResumesIt) {
  constexpr int64_t kSize = 1 << 20;
  DownloadFixture f(Throttled(512 << 10));
  f.SetPe(PatternBytes(kPeSize, 1), false);
  const std::string image = PatternBytes(kSize, 2);
  OsEntry* entry = f.AddImage("win10.gho", image);
  f.controller->selectedOs = entry;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return f.server.BytesSent() > kPeSize + kSize / 4; }));
  f.controller->downloadWorker.reset();  // the program closes
  std::shared_ptr<CThunder> engine = CThunder::Instance();
  EXPECT_NE(engine->FindParkedByUrl(entry->url), nullptr);
  EXPECT_EQ(engine->ActiveCount(), 0u);  // the WinPE task is not kept
  engine.reset();
  CThunder::Release();

  f.server.Restart({});
  CThunder::Instance()->LoadTaskList();  // the next run
  entry->state = 0;
  f.controller->EnterDownloadStep();
  ASSERT_TRUE(f.WaitReady());
  EXPECT_TRUE(f.machine.ReadHostFile(entry->localPath) == image);
  EXPECT_LT(f.server.BytesSent(), kSize * 3 / 4);  // resumed, not fetched again
}

TEST(ImageVerification, AnImageServedWithOtherBytesThanItsChecksumIsFetchedTwiceThenFails) {
  DownloadFixture f;
  f.SetPe(PatternBytes(kPeSize, 1), true);
  const std::string served = PatternBytes(kImageSize, 2);
  OsEntry* entry = f.AddImage("win10.gho", served, download_testing::Md5Of("other bytes"));
  entry->recommended = true;
  f.controller->selectedOs = entry;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return !f.page.Get().failures.empty(); }));
  while (f.controller->downloadWorker->IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  auto shown = f.page.Get();
  ASSERT_EQ(shown.failures.size(), 1u);
  const std::wstring& reason = shown.failures[0];
  EXPECT_NE(reason.find(L"D:\\Tarnvik\\gho-prlm\\win10.gho"), std::wstring::npos) << reason;
  EXPECT_NE(reason.find(download_testing::Wide(entry->md5)), std::wstring::npos);
  EXPECT_NE(reason.find(download_testing::Wide(download_testing::Md5Of(served))), std::wstring::npos);
  EXPECT_EQ(shown.verifying.size(), 2u);
  EXPECT_EQ(f.server.BytesSent(), 2 * kImageSize);  // the second fetch started from zero
  EXPECT_EQ(Count(f.Log(), WideToLocal(L"镜像校验失败")), 2u);
  EXPECT_FALSE(f.controller->readyToInstall);
  EXPECT_FALSE(shown.installEnabled);
  EXPECT_EQ(entry->state, 1);
  EXPECT_FALSE(f.machine.HostFileExists(L"D:\\Tarnvik\\gho-prlm\\win10.gho"));
}

TEST(DownloadThread, APartTheEngineRefusesIsShownWithTheEnginesReasonAndTheInstallStaysOff) {
  struct Case {
    const char* what;
    bool peRefused;
    const wchar_t* named;  // what the failure names
  };
  const Case cases[] = {{"the image", false, L"Windows win10.gho: cannot download"},
                        {"the WinPE component", true, L"the WinPE component: cannot download"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DownloadFixture f;
    f.SetPe(PatternBytes(kPeSize, 1), false);
    OsEntry* entry = f.AddImage("win10.gho", PatternBytes(kImageSize, 2));
    // Names Windows reserves never become files: the library refuses the task.
    (c.peRefused ? f.controller->peEntry.fileName : entry->fileName) = L"NUL";
    f.controller->selectedOs = entry;
    ASSERT_TRUE(f.controller->EnterDownloadStep());
    ASSERT_TRUE(WaitFor([&] { return !f.controller->downloadWorker->IsRunning(); }));
    auto shown = f.page.Get();
    ASSERT_EQ(shown.failures.size(), 1u);
    EXPECT_NE(shown.failures[0].find(c.named), std::wstring::npos) << WideToLocal(shown.failures[0]);
    EXPECT_NE(shown.failures[0].find(L"NUL"), std::wstring::npos) << WideToLocal(shown.failures[0]);
    EXPECT_FALSE(f.controller->readyToInstall);
    EXPECT_FALSE(shown.installEnabled);
  }
}

TEST(RevalidateImage, AnImageDamagedOrGoneAfterItsDownloadIsFetchedAgain) {
  struct Case {
    const char* what;
    bool remove;  // else the file is damaged
    bool recommended;
  };
  for (const Case& c : {Case{"damaged", false, true}, Case{"vanished", true, false}}) {
    SCOPED_TRACE(c.what);
    DownloadFixture f;
    f.SetPe(PatternBytes(kPeSize, 1), true);
    const std::string image = PatternBytes(kImageSize, 2);
    OsEntry* entry = f.AddImage("win10.gho", image);
    entry->recommended = c.recommended;
    f.PutImageOnDisk(*entry, image);
    EXPECT_FALSE(f.controller->RevalidateImage(*entry));  // intact: nothing changes
    EXPECT_EQ(entry->state, 3);
    const std::wstring path = entry->localPath;
    if (c.remove) {
      platform::Current().files().RemoveFile(path);
    } else {
      std::string damaged = image;
      damaged[1000] ^= 1;
      f.machine.WriteFile(path, damaged);
    }
    EXPECT_TRUE(f.controller->RevalidateImage(*entry));
    EXPECT_EQ(entry->state, c.recommended ? 1 : 0);
    EXPECT_EQ(entry->localPath, L"");

    entry->state = 3;  // as the list still shows it
    entry->localPath = path;
    if (!c.remove) f.machine.WriteFile(path, image.substr(0, 10));
    f.controller->selectedOs = entry;
    ASSERT_TRUE(f.controller->EnterDownloadStep());
    EXPECT_NE(f.controller->downloadWorker, nullptr);
    ASSERT_TRUE(f.WaitReady());
    EXPECT_TRUE(f.machine.ReadHostFile(path) == image);
  }
}

}  // namespace
