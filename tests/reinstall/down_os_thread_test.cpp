// The download manager's images-only worker: its own rows held to their checksums, and a
// row that watches the image the reinstall worker fetches without a second task.

#include "reinstall/down_os_thread.h"

#include <gtest/gtest.h>

#include "download_fixture.h"

namespace {

using download_testing::DownloadFixture;
using download_testing::Md5Of;
using download_testing::WaitFor;
using testing_support::PatternBytes;

constexpr int64_t kSize = 160 << 10;

TEST(DownOSThread, FetchesEachRowAndFailsARowWhoseImageIsDamagedTwice) {
  DownloadFixture f;
  const std::string good = PatternBytes(kSize, 1), bad = PatternBytes(kSize, 2);
  OsEntry* right = f.AddImage("win10.gho", good);
  OsEntry* damaged = f.AddImage("win7.gho", bad, Md5Of("other bytes"));
  OsEntry* present = f.AddImage("xp.gho", good);
  f.PutImageOnDisk(*present, good);
  const std::wstring folder = L"D:\\Images";  // no trailing backslash
  ASSERT_TRUE(platform::Current().files().CreateDirectory(folder));
  ASSERT_TRUE(f.controller->StartImageOnlyDownload({right, damaged, present}, folder));
  EXPECT_FALSE(f.controller->StartImageOnlyDownload({right}, folder));  // one at a time
  ASSERT_TRUE(WaitFor([&] { return f.rows.Done(); }));

  auto rows = f.rows.Get();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_TRUE(rows[0].complete);
  EXPECT_EQ(right->state, 3);
  EXPECT_EQ(right->localPath, L"D:\\Images\\win10.gho");
  EXPECT_TRUE(f.machine.ReadHostFile(right->localPath) == good);
  EXPECT_FALSE(rows[1].complete);
  EXPECT_NE(rows[1].failure.find(L"D:\\Images\\win7.gho"), std::wstring::npos) << rows[1].failure;
  EXPECT_EQ(damaged->state, 0);
  EXPECT_FALSE(f.machine.HostFileExists(L"D:\\Images\\win7.gho"));
  EXPECT_EQ(f.server.BytesSent(), 3 * kSize);  // the right one once, the damaged one twice
  EXPECT_EQ(present->state, 3);
  f.controller->downOsWorker.reset();
  EXPECT_EQ(CThunder::Instance()->ActiveCount(), 0u);
  EXPECT_EQ(CThunder::Instance()->ParkedCount(), 0u);
}

TEST(DownOSThread, WatchesTheReinstallsTaskWithoutASecondOneAndLeavesItRunning) {
  services::ServiceOptions slow;
  slow.throttleBytesPerSecond = 256 << 10;
  DownloadFixture f(slow);
  f.SetPe(PatternBytes(64 << 10, 1), true);
  const std::string image = PatternBytes(kSize * 2, 2);
  OsEntry* entry = f.AddImage("win10.gho", image);
  f.controller->selectedOs = entry;
  ASSERT_TRUE(f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return f.StateOf(*entry) == 2 && f.server.BytesSent() > 0; }));
  std::shared_ptr<CThunder> engine = CThunder::Instance();

  // Closed while the reinstall fetches: its task is neither parked nor stopped.
  ASSERT_TRUE(f.controller->StartImageOnlyDownload({entry}, DownloadFixture::kImageDir));
  ASSERT_TRUE(WaitFor([&] { return !f.rows.Get().empty() && f.rows.Get()[0].progress > 0; }));
  EXPECT_EQ(engine->ActiveCount(), 1u);
  f.controller->downOsWorker.reset();
  EXPECT_EQ(engine->ParkedCount(), 0u);
  ASSERT_NE(engine->FindActiveByUrl(entry->url), nullptr);
  EXPECT_EQ(engine->FindActiveByUrl(entry->url)->state, kTaskRunning);

  // Open to the end: the row completes when the reinstall's image is in and checked.
  ASSERT_TRUE(f.controller->StartImageOnlyDownload({entry}, DownloadFixture::kImageDir));
  ASSERT_TRUE(WaitFor([&] { return f.rows.Done(); }));
  EXPECT_TRUE(f.controller->readyToInstall);
  EXPECT_TRUE(f.rows.Get()[0].complete);
  EXPECT_EQ(engine->ActiveCount(), 1u);
  EXPECT_EQ(f.server.BytesSent(), kSize * 2);  // fetched once
}

}  // namespace
