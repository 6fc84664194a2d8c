// The USB maker's image downloads against the local file service: what the window and the
// make worker are told and in which order, adoption of the reinstall's download, the
// stall rule, cancelling, and the WinPE component.

#include "reinstall/multi_down_thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "app/text_helpers.h"
#include "catalogue/pe_descriptor.h"
#include "download_fixture.h"
#include "usbmaker/image_queue.h"
#include "reinstall/usb_download_window.h"
#include "stats/fixed_points.h"

namespace {

using download_testing::DownloadFixture;
using download_testing::WaitFor;
using testing_support::PatternBytes;

constexpr int64_t kSize = 160 << 10;

services::ServiceOptions Throttled(int64_t bytesPerSecond) {
  services::ServiceOptions options;
  options.throttleBytesPerSecond = bytesPerSecond;
  return options;
}

// What the window and the make worker were told, in order.
class Journal {
 public:
  void Add(const std::wstring& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::wstring> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }
  bool Has(const std::wstring& line) const {
    auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::wstring> lines_;
};

// The make worker: takes images only once it exists, as after StartMake.
class RecordingQueue : public IImageQueue {
 public:
  explicit RecordingQueue(Journal& journal) : journal_(journal) {}
  bool Enqueue(const std::wstring& path) override {
    if (!exists) return false;
    journal_.Add(L"enqueue " + path);
    return true;
  }
  void EnqueueEnd() override { journal_.Add(L"end"); }
  std::atomic<bool> exists{false};

 private:
  Journal& journal_;
};

// The download window: completions, failures and the two notices go to the journal; on
// "the WinPE component is ready" it starts the make, as the real window does.
class RecordingWindow : public IUsbDownloadWindow {
 public:
  RecordingWindow(Journal& journal, RecordingQueue& queue) : journal_(journal), queue_(queue) {}
  void SetRowProgress(size_t row, int64_t value) override {
    std::lock_guard lock(mutex_);
    if (progress_.size() <= row) progress_.resize(row + 1);
    progress_[row] = value;
  }
  void SetRowSpeed(size_t, int64_t) override {}
  void SetRowPercent(size_t, float) override {}
  void MarkRowComplete(size_t row) override { journal_.Add(L"complete " + std::to_wstring(row)); }
  void MarkRowFailed(size_t row, const std::wstring&) override { journal_.Add(L"failed " + std::to_wstring(row)); }
  void AllDownloadsDone() override { journal_.Add(L"3026"); }
  void PeComponentReady() override {
    journal_.Add(L"3027");
    queue_.exists = true;
  }
  int64_t Progress(size_t row) const {
    std::lock_guard lock(mutex_);
    return row < progress_.size() ? progress_[row] : 0;
  }

 private:
  Journal& journal_;
  RecordingQueue& queue_;
  mutable std::mutex mutex_;
  std::vector<int64_t> progress_;
};

// The fixture's machine and server, with the window and make worker the worker reports to.
struct UsbDownloads {
  explicit UsbDownloads(services::ServiceOptions options = {}) : f(options) {}
  ~UsbDownloads() { worker.reset(); }

  void Start(const std::vector<OsEntry*>& entries) {
    worker = std::make_unique<CMultiDownThread>(*f.controller, entries, window, queue);
    ASSERT_TRUE(worker->Start());
  }
  bool WaitDone() {
    return WaitFor([&] { return journal.Has(L"3026"); });
  }
  // The WinPE component as the USB maker puts it into the download list.
  OsEntry* PeListEntry() {
    pe.name = L"PE组件";
    pe.fileName = f.controller->peEntry.fileName;
    pe.size = f.controller->peEntry.size;
    pe.url = f.controller->peEntry.url;
    return &pe;
  }

  DownloadFixture f;
  Journal journal;
  RecordingQueue queue{journal};
  RecordingWindow window{journal, queue};
  OsEntry pe;
  std::unique_ptr<CMultiDownThread> worker;
};

std::wstring Enqueued(const OsEntry& entry) { return L"enqueue " + entry.localPath; }

TEST(MultiDownThread, EverythingInAlreadyIsReadyAtOnceAndQueuedInTheFirstPass) {
  UsbDownloads u;
  const std::string bytes = PatternBytes(kSize, 1);
  u.f.SetPe(PatternBytes(64 << 10, 2), true);
  OsEntry* first = u.f.AddImage("win10.gho", bytes);
  OsEntry* second = u.f.AddImage("win7.gho", bytes);
  u.f.PutImageOnDisk(*first, bytes);
  u.f.PutImageOnDisk(*second, bytes);
  u.Start({first, second});
  ASSERT_TRUE(u.WaitDone());

  EXPECT_EQ(u.journal.Lines(), (std::vector<std::wstring>{L"3027", Enqueued(*first), Enqueued(*second), L"end",
                                                          L"3026"}));
  EXPECT_EQ(u.f.server.BytesSent(), 0);
  EXPECT_EQ(CThunder::Instance()->ActiveCount(), 0u);
  auto completed = CGlobalParam::Instance()->CompletedImages();
  EXPECT_TRUE(completed.count(first->name) && completed.count(second->name));
}

TEST(MultiDownThread, TheWinPeComponentIsFetchedIntoPeDirAndMakesTheComponentReady) {
  UsbDownloads u(Throttled(1 << 20));
  const std::string peBytes = PatternBytes(kSize * 2, 1), image = PatternBytes(kSize / 4, 2);
  u.f.SetPe(peBytes, false);
  OsEntry* entry = u.f.AddImage("win10.gho", image);
  u.Start({u.PeListEntry(), entry});
  ASSERT_TRUE(u.WaitDone());

  // The image is in first, but waits for the make worker that the ready WinPE starts; the
  // WinPE component itself is not copied as an image.
  const std::wstring peFile = std::wstring(DownloadFixture::kPeDir) + L"WEPE64.iso";
  EXPECT_EQ(u.journal.Lines(), (std::vector<std::wstring>{L"complete 1", L"complete 0", L"3027", Enqueued(*entry),
                                                          L"end", L"3026"}));
  EXPECT_EQ(u.pe.state, 3);
  EXPECT_EQ(u.pe.localPath, peFile);
  EXPECT_TRUE(u.f.machine.ReadHostFile(peFile) == peBytes);
  EXPECT_TRUE(u.f.machine.ReadHostFile(entry->localPath) == image);
  PeEntry saved;
  ASSERT_TRUE(LoadPeDescriptor(saved));
  EXPECT_EQ(saved.fileName, L"WEPE64.iso");
  EXPECT_EQ(u.f.controller->peEntry.fileName, L"WEPE64.iso");
  EXPECT_EQ(u.f.points, (std::vector<std::string>{FixedPE().GetName()}));
  EXPECT_TRUE(CGlobalParam::Instance()->CompletedImages().count(L"pe组件"));

  // Both tasks complete: neither is kept.
  u.worker.reset();
  EXPECT_EQ(CThunder::Instance()->ActiveCount(), 0u);
  EXPECT_EQ(CThunder::Instance()->ParkedCount(), 0u);
  EXPECT_GT(CGlobalParam::Instance()->MeanDownloadSpeed(), 0);
}

TEST(MultiDownThread, AdoptsTheReinstallsDownloadResumesItAndLeavesItAlone) {
  UsbDownloads u(Throttled(128 << 10));
  u.f.SetPe(PatternBytes(64 << 10, 1), true);
  const std::string image = PatternBytes(kSize * 2, 2);
  OsEntry* entry = u.f.AddImage("win10.gho", image);
  u.f.controller->selectedOs = entry;
  ASSERT_TRUE(u.f.controller->EnterDownloadStep());
  ASSERT_TRUE(WaitFor([&] { return u.f.StateOf(*entry) == 2 && u.f.server.BytesSent() > 0; }));
  ASSERT_TRUE(u.f.controller->PauseDownload(true));
  std::shared_ptr<CThunder> engine = CThunder::Instance();
  DownloadTask* task = engine->FindActiveByUrl(entry->url);
  ASSERT_NE(task, nullptr);

  // The paused download is resumed, not restarted, and followed without a second task.
  u.Start({entry});
  ASSERT_TRUE(WaitFor([&] { return u.window.Progress(0) > 0; }));
  EXPECT_EQ(u.f.page.Get().paused, (std::vector<bool>{true, false}));
  EXPECT_EQ(engine->ActiveCount(), 1u);
  EXPECT_EQ(engine->FindActiveByUrl(entry->url), task);
  EXPECT_EQ(task->state, kTaskRunning);

  // Closed while the reinstall fetches: its task is neither parked nor stopped.
  u.worker.reset();
  EXPECT_EQ(engine->ParkedCount(), 0u);
  EXPECT_EQ(engine->FindActiveByUrl(entry->url), task);
  EXPECT_EQ(task->state, kTaskRunning);
  EXPECT_EQ(u.f.StateOf(*entry), 2);

  // Open to the end: in when the reinstall has the image.
  u.journal.Clear();
  u.Start({entry});
  ASSERT_TRUE(u.WaitDone());
  EXPECT_EQ(u.journal.Lines(), (std::vector<std::wstring>{L"3027", L"complete 0", Enqueued(*entry), L"end",
                                                          L"3026"}));
  EXPECT_TRUE(u.f.machine.ReadHostFile(entry->localPath) == image);
  // Once, give or take what the pause cut off in flight.
  EXPECT_LT(u.f.server.BytesSent(), kSize * 2 + kSize / 4);
  EXPECT_TRUE(u.f.WaitReady());
}

TEST(MultiDownThread, ASilentDownloadIsRestartedTwiceThenRebuiltInACycle) {
  services::ServiceOptions stall;
  stall.stallAtOffset = 64 << 10;
  stall.stallSeconds = 60;  // until the client lets go
  UsbDownloads u(stall);
  u.f.controller->downloadPolling.stallPolls = 50;
  const std::string image = PatternBytes(kSize, 1);
  OsEntry* entry = u.f.AddImage("win10.gho", image);
  u.Start({entry});

  const std::string file = WideToLocal(entry->fileName);
  const std::string restart = WideToLocal(L"重启任务：") + "\n    " + file + "\n\n";
  const std::string rebuild = WideToLocal(L"长时间没有下载速度，重建任务：") + "\n    " + file + "\n\n";
  auto count = [](const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  };
  // The cycle starts again after the rebuild: a third restart follows it.
  ASSERT_TRUE(WaitFor([&] { return count(u.f.Log(), restart) == 3; }));
  const std::string log = u.f.Log();
  EXPECT_EQ(count(log, rebuild), 1u) << log;
  const size_t rebuiltAt = log.find(rebuild);
  size_t second = log.find(restart, log.find(restart) + 1);
  EXPECT_LT(second, rebuiltAt);
  EXPECT_GT(log.rfind(restart), rebuiltAt);

  u.f.server.Restart({});  // the connection mends
  ASSERT_TRUE(u.WaitDone());
  EXPECT_TRUE(u.f.machine.ReadHostFile(entry->localPath) == image);
}

TEST(MultiDownThread, CancellingDeletesACompleteTaskAndParksAnIncompleteOne) {
  services::ServiceOptions stall;
  stall.stallAtOffset = kSize * 4 / 10;  // 40 % of the large image; the small one is in before
  stall.stallSeconds = 60;
  UsbDownloads u(stall);
  u.f.controller->downloadPolling.stallPolls = 1 << 30;
  OsEntry* small = u.f.AddImage("small.gho", PatternBytes(kSize / 4, 1));
  OsEntry* large = u.f.AddImage("large.gho", PatternBytes(kSize, 2));
  OsEntry* waiting = u.f.AddImage("waiting.gho", PatternBytes(kSize, 3));
  std::shared_ptr<CThunder> engine = CThunder::Instance();
  u.Start({small, large, waiting});
  ASSERT_TRUE(WaitFor([&] {
    return u.journal.Has(L"complete 0") && u.f.server.BytesSent() >= kSize / 4 + 2 * (kSize * 4 / 10);
  }));

  u.worker->CancelEntry(small);  // at 100 %
  ASSERT_TRUE(WaitFor([&] { return engine->FindActiveByUrl(small->url) == nullptr; }));
  EXPECT_EQ(engine->FindParkedByUrl(small->url), nullptr);
  EXPECT_EQ(u.f.StateOf(*small), 3);

  u.worker->CancelEntry(large);  // at 40 %
  ASSERT_TRUE(WaitFor([&] { return engine->FindParkedByUrl(large->url) != nullptr; }));
  EXPECT_EQ(engine->FindActiveByUrl(large->url), nullptr);
  EXPECT_EQ(u.f.StateOf(*large), 0);
  EXPECT_NEAR(engine->FindParkedByUrl(large->url)->fraction, 0.4, 0.01);

  // The rows moved up: the last one is row 0 now, and its cancel ends the run.
  u.worker->CancelEntry(waiting);
  ASSERT_TRUE(u.WaitDone());
  EXPECT_EQ(engine->ActiveCount(), 0u);
  EXPECT_EQ(engine->ParkedCount(), 2u);
  EXPECT_EQ(u.journal.Lines().back(), L"3026");
}

TEST(MultiDownThread, ClosedMidwayItParksItsImageDropsItsWinPeAndRestoresTheStates) {
  services::ServiceOptions stall;
  stall.stallAtOffset = 64 << 10;
  stall.stallSeconds = 60;
  UsbDownloads u(stall);
  u.f.controller->downloadPolling.stallPolls = 1 << 30;
  u.f.SetPe(PatternBytes(kSize, 1), false);
  OsEntry* entry = u.f.AddImage("win10.gho", PatternBytes(kSize, 2));
  entry->state = 1;  // recommended
  std::shared_ptr<CThunder> engine = CThunder::Instance();
  u.Start({u.PeListEntry(), entry});
  ASSERT_TRUE(WaitFor([&] { return u.f.server.BytesSent() >= 2 * (64 << 10); }));
  EXPECT_EQ(u.f.StateOf(*entry), 2);

  u.worker.reset();
  EXPECT_EQ(entry->state, 1);
  EXPECT_EQ(u.pe.state, 0);
  EXPECT_EQ(engine->ActiveCount(), 0u);
  ASSERT_EQ(engine->ParkedCount(), 1u);
  EXPECT_NE(engine->FindParkedByUrl(entry->url), nullptr);
  EXPECT_FALSE(u.journal.Has(L"3027"));
  EXPECT_FALSE(u.journal.Has(L"3026"));
}

TEST(MultiDownThread, ADamagedImageFailsItsRowAndNeverReachesTheDisk) {
  UsbDownloads u;
  OsEntry* damaged = u.f.AddImage("win7.gho", PatternBytes(kSize, 1), download_testing::Md5Of("other bytes"));
  u.Start({damaged});
  ASSERT_TRUE(u.WaitDone());
  EXPECT_EQ(u.journal.Lines(), (std::vector<std::wstring>{L"3027", L"failed 0", L"end", L"3026"}));
  EXPECT_EQ(damaged->state, 0);
  EXPECT_FALSE(u.f.machine.HostFileExists(std::wstring(DownloadFixture::kImageDir) + L"win7.gho"));
  EXPECT_EQ(CThunder::Instance()->ActiveCount(), 0u);
}

}  // namespace
