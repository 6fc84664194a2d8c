// The download library through its entry points, against the local file service: what
// ends complete is byte for byte the file on the server, and what cannot be trusted never
// ends complete.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "download/xl_binding.h"
#include "download/xl_records.h"
#include "platform/platform.h"
#include "support/download_machine.h"
#include "support/file_server.h"
#include "support/local_http_server.h"
#include "xldl/transfer_task.h"

namespace {

using testing_support::DownloadMachine;
using testing_support::FileServer;
using testing_support::PatternBytes;

constexpr size_t kFileSize = 3 << 20;
constexpr int64_t kCut = 1 << 20;
const std::wstring kDir = L"D:\\Tarnvik\\gho-prlm\\";

// A loopback port that answers nothing and only counts who connected: a URL of a refused
// scheme must be failed before it reaches the network, so a port where nothing listens
// would let such a case pass either way.
class CountingListener {
 public:
  CountingListener() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             listen(fd_, 16) == 0 && getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    port_ = ntohs(address.sin_port);
  }
  ~CountingListener() {
    if (fd_ >= 0) close(fd_);
  }
  bool bound() const { return bound_; }
  std::string Url(const std::string& scheme, const std::string& path) const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + "/" + path;
  }
  // The connections made so far (the kernel completes them without an accept).
  int Connections() {
    for (int client; (client = accept(fd_, nullptr, nullptr)) >= 0;) {
      close(client);
      ++connections_;
    }
    return connections_;
  }

 private:
  int fd_;
  bool bound_ = false;
  int port_ = 0;
  int connections_ = 0;
};

class XldlLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& modules = platform::Current().modules();
    auto module = modules.LoadLibrary(L"xldl.dll");
    ASSERT_TRUE(module);
    module_ = *module;
    xl_ = BindEntryPoints(modules, module_);
    ASSERT_TRUE(xl_.init && xl_.unInit && xl_.createTask && xl_.startTask && xl_.stopTask &&
                xl_.queryTaskInfoEx && xl_.deleteTask && xl_.delTempFile);
    xl_.init();
  }
  void TearDown() override {
    if (xl_.unInit) xl_.unInit();
    platform::Current().modules().FreeLibrary(module_);
  }

  uint32_t Create(const std::string& url, const std::wstring& name = L"image.iso") {
    XlTaskParam param;
    if (!FillTaskParam(param, std::wstring(url.begin(), url.end()), name, kDir)) return 0;
    return xl_.createTask(&param);
  }

  XlTaskInfo Info(uint32_t task) {
    XlTaskInfo info;
    PresetTaskInfo(info);
    EXPECT_NE(xl_.queryTaskInfoEx(task, &info), 0);
    return info;
  }

  // Polls every 10 ms until `done` holds, for at most `limit`.
  bool WaitFor(uint32_t task, const std::function<bool(const XlTaskInfo&)>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (done(Info(task))) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool WaitState(uint32_t task, int32_t state) {
    return WaitFor(task, [&](const XlTaskInfo& i) { return i.state == state; });
  }

  // Starts a task on a server that stalls at kCut, and stops it there, once the stall
  // has brought the speed to 0.
  void DownloadUpToCut(uint32_t task) {
    ASSERT_NE(xl_.startTask(task), 0);
    ASSERT_TRUE(WaitFor(task, [](const XlTaskInfo& i) { return i.downloadedSize == kCut && i.speed == 0; }));
    XlTaskInfo stalled = Info(task);
    EXPECT_EQ(stalled.state, kXlStateRunning);
    EXPECT_EQ(stalled.totalSize, static_cast<int64_t>(kFileSize));
    EXPECT_FLOAT_EQ(stalled.fraction, static_cast<float>(kCut) / kFileSize);
    xl_.stopTask(task);
    ASSERT_TRUE(WaitState(task, kXlStateStopped));
    ASSERT_EQ(std::filesystem::file_size(machine_.HostPath(kDir + L"image.iso.xltd")), static_cast<uintmax_t>(kCut));
    EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso"));
  }

  // The library's reason for the task's last failure, and its kind.
  std::pair<int32_t, std::string> Failure(uint32_t task) {
    auto getError = reinterpret_cast<XldlGetTaskErrorFn>(
        platform::Current().modules().GetProcAddress(module_, "XLDL_GetTaskError"));
    if (getError == nullptr) return {-1, "XLDL_GetTaskError is not exported"};
    char16_t text[512] = {};
    int32_t kind = getError(task, text, 512);
    std::string narrow;
    for (char16_t* c = text; *c != 0; ++c) narrow += *c < 0x80 ? static_cast<char>(*c) : '?';
    return {kind, narrow};
  }

  static services::ServiceOptions StallAtCut() {
    services::ServiceOptions o;
    o.stallAtOffset = kCut;
    o.stallSeconds = 3;
    return o;
  }

  DownloadMachine machine_;
  platform::ModuleHandle module_;
  XlEntryPoints xl_;
};

TEST_F(XldlLibraryTest, DownloadEndsByteIdenticalAndReportsItsProgress) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server;
  const std::string bytes = PatternBytes(kFileSize);
  server.WriteFile("image.iso", bytes);
  uint32_t task = Create(server.Url("image.iso"));
  ASSERT_NE(task, 0u);
  EXPECT_EQ(Info(task).state, kXlStateStopped);  // created, not started
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateComplete));

  XlTaskInfo info = Info(task);
  EXPECT_EQ(info.totalSize, static_cast<int64_t>(kFileSize));
  EXPECT_EQ(info.downloadedSize, static_cast<int64_t>(kFileSize));
  EXPECT_EQ(info.fraction, 1.0f);
  EXPECT_EQ(info.speed, 0);
  EXPECT_EQ(InfoFileName(info), L"image.iso");
  EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso.xltd"));
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso.xltd.info"));
  EXPECT_NE(xl_.stopTask(task), 0);  // stopping a complete task leaves it complete
  EXPECT_EQ(Info(task).state, kXlStateComplete);
}

TEST_F(XldlLibraryTest, StoppedTaskResumesWhereItStopped) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server(StallAtCut());
  const std::string bytes = PatternBytes(kFileSize);
  server.WriteFile("image.iso", bytes);
  uint32_t task = Create(server.Url("image.iso"));
  DownloadUpToCut(task);

  server.Restart({});
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateComplete));
  EXPECT_EQ(server.BytesSent(), static_cast<int64_t>(kFileSize) - kCut + xldl::kResumeOverlap);
  EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
}

// Whatever the server does to a resume, the result is its current file or no file.
TEST_F(XldlLibraryTest, ResumeThatTheServerDoesNotContinueStartsOverFromZero) {
  struct Case {
    const char* name;
    bool ignoreRanges;
    bool changeFile;
  };
  for (const Case& c : {Case{"server ignores ranges", true, false}, Case{"file changed on the server", false, true}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(machine_.HostPath(kDir));
    std::filesystem::create_directories(machine_.HostPath(kDir));
    FileServer server(StallAtCut());
    std::string bytes = PatternBytes(kFileSize, 1);
    server.WriteFile("image.iso", bytes);
    uint32_t task = Create(server.Url("image.iso"));
    DownloadUpToCut(task);

    services::ServiceOptions options;
    options.ignoreRanges = c.ignoreRanges;
    server.Restart(options);
    if (c.changeFile) {
      bytes = PatternBytes(kFileSize, 2);  // same size, other bytes, a later date
      server.WriteFile("image.iso", bytes);
      auto file = server.root() / "image.iso";
      std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(10));
    }
    ASSERT_NE(xl_.startTask(task), 0);
    ASSERT_TRUE(WaitState(task, kXlStateComplete));
    EXPECT_EQ(server.BytesSent(), static_cast<int64_t>(kFileSize));
    EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
    xl_.deleteTask(task);
  }
}

TEST_F(XldlLibraryTest, TruncatedReplyIsNeverComplete) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  services::ServiceOptions truncating;
  truncating.truncateAtOffset = kCut;
  FileServer server(truncating);
  const std::string bytes = PatternBytes(kFileSize);
  server.WriteFile("image.iso", bytes);
  uint32_t task = Create(server.Url("image.iso"));
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateFailed));
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso"));
  EXPECT_LT(Info(task).fraction, 1.0f);

  // What did arrive is sound partial data: a later start continues it.
  server.Restart({});
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateComplete));
  EXPECT_EQ(server.BytesSent(), static_cast<int64_t>(kFileSize) - kCut + xldl::kResumeOverlap);
  EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
}

TEST_F(XldlLibraryTest, ErrorAnswerFailsAndCountsAsStopped) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server;
  uint32_t task = Create(server.Url("missing.iso"), L"missing.iso");
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateFailed));
  xl_.stopTask(task);
  EXPECT_EQ(Info(task).state, kXlStateFailed);
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"missing.iso"));
}

// A URL from the catalogue must not reach the machine's own files or other protocols.
TEST_F(XldlLibraryTest, FetchesOnlyOverHttpAndHttps) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  CountingListener listener;
  ASSERT_TRUE(listener.bound());
  for (const std::string& url :
       {std::string("file:///etc/hostname"), listener.Url("ftp", "a.iso"), listener.Url("gopher", "a")}) {
    uint32_t task = Create(url);
    ASSERT_NE(task, 0u) << url;
    ASSERT_NE(xl_.startTask(task), 0) << url;
    EXPECT_TRUE(WaitState(task, kXlStateFailed)) << url;
    EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso")) << url;
    EXPECT_EQ(listener.Connections(), 0) << url << " reached the network";
    xl_.deleteTask(task);
  }
}

TEST_F(XldlLibraryTest, FullDiskFailsTheTask) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server;
  server.WriteFile("image.iso", PatternBytes(kFileSize));
  // Partial data that lands on a device without space: every write fails with ENOSPC.
  std::filesystem::create_symlink("/dev/full", machine_.HostPath(kDir + L"image.iso.xltd"));
  uint32_t task = Create(server.Url("image.iso"));
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateFailed));
  EXPECT_NE(Failure(task).second.find("No space left on device"), std::string::npos) << Failure(task).second;
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso"));
}

TEST_F(XldlLibraryTest, DeleteKeepsPartialDataAndDelTempFileRemovesIt) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server(StallAtCut());
  server.WriteFile("image.iso", PatternBytes(kFileSize));
  uint32_t task = Create(server.Url("image.iso"));
  DownloadUpToCut(task);
  EXPECT_NE(xl_.deleteTask(task), 0);
  EXPECT_EQ(xl_.deleteTask(task), 0);  // gone
  EXPECT_TRUE(machine_.HostFileExists(kDir + L"image.iso.xltd"));

  XlTaskParam param;
  ASSERT_TRUE(FillTaskParam(param, L"", L"image.iso", kDir));
  EXPECT_NE(xl_.delTempFile(&param), 0);
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso.xltd"));
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso.xltd.info"));
}

TEST_F(XldlLibraryTest, RefusesNamesThatLeaveTheFolderAndUnknownHandles) {
  for (const wchar_t* name : {L"", L"..", L"..\\Windows\\evil.dll", L"a/b.iso", L"C:evil.iso"}) {
    EXPECT_EQ(Create("http://127.0.0.1:1/files/x", name), 0u) << name;
  }
  EXPECT_EQ(Create("", L"x.iso"), 0u);
  XlTaskInfo info;
  PresetTaskInfo(info);
  EXPECT_EQ(xl_.queryTaskInfoEx(12345, &info), 0);
  EXPECT_EQ(xl_.startTask(12345), 0);
  EXPECT_EQ(xl_.deleteTask(12345), 0);
}

// A resume reads the bytes before its start again: when they differ from the partial
// data, the file was replaced on the server under the same validators, or the data was
// damaged on disk, and stitching the two together would make a file that exists nowhere.
TEST_F(XldlLibraryTest, ResumeWhoseOverlapDiffersStartsOverFromZero) {
  enum class Change { ServerFileUnderTheSameTag, PartialDataOnDisk };
  for (Change change : {Change::ServerFileUnderTheSameTag, Change::PartialDataOnDisk}) {
    SCOPED_TRACE(change == Change::ServerFileUnderTheSameTag ? "server file replaced" : "partial data damaged");
    std::filesystem::create_directories(machine_.HostPath(kDir));
    FileServer server(StallAtCut());
    std::string bytes = PatternBytes(kFileSize);
    server.WriteFile("image.iso", bytes);
    uint32_t task = Create(server.Url("image.iso"));
    DownloadUpToCut(task);
    if (change == Change::ServerFileUnderTheSameTag) {
      // Same size and modification time: the same entity tag and Last-Modified.
      auto served = server.root() / "image.iso";
      auto stamp = std::filesystem::last_write_time(served);
      bytes = PatternBytes(kFileSize, 2);
      server.WriteFile("image.iso", bytes);
      std::filesystem::last_write_time(served, stamp);
    } else {
      std::fstream data(machine_.HostPath(kDir + L"image.iso.xltd"), std::ios::in | std::ios::out | std::ios::binary);
      data.seekp(kCut - 100);
      data.put(static_cast<char>(~bytes[kCut - 100]));
    }
    server.Restart({});
    ASSERT_NE(xl_.startTask(task), 0);
    ASSERT_TRUE(WaitState(task, kXlStateComplete));
    EXPECT_GE(server.BytesSent(), static_cast<int64_t>(kFileSize));  // the whole file again
    EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
    xl_.deleteTask(task);
    std::filesystem::remove(machine_.HostPath(kDir + L"image.iso"));
  }
}

// Every byte arrived but the move into place failed: the data is kept and the next start
// only moves it, without asking the server again.
TEST_F(XldlLibraryTest, FailedFinalRenameIsRetriedWithoutASecondDownload) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server;
  const std::string bytes = PatternBytes(kFileSize);
  server.WriteFile("image.iso", bytes);
  const auto blocker = machine_.HostPath(kDir + L"image.iso");
  std::filesystem::create_directories(blocker / "in-the-way");  // a folder under the target name
  uint32_t task = Create(server.Url("image.iso"));
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateFailed));
  EXPECT_NE(Failure(task).second.find("cannot move the complete data into place"), std::string::npos)
      << Failure(task).second;
  EXPECT_EQ(std::filesystem::file_size(machine_.HostPath(kDir + L"image.iso.xltd")), kFileSize);
  xl_.deleteTask(task);

  std::filesystem::remove_all(blocker);
  task = Create(server.Url("image.iso"));
  ASSERT_NE(xl_.startTask(task), 0);
  ASSERT_TRUE(WaitState(task, kXlStateComplete));
  EXPECT_EQ(server.BytesSent(), static_cast<int64_t>(kFileSize));
  EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso.xltd.info"));
}

TEST_F(XldlLibraryTest, RefusesNamesWindowsReservesAndSaysWhy) {
  for (const wchar_t* name : {L"CON", L"nul.txt", L"Com1.iso", L"LPT9", L"aux .iso", L"image.", L"image ",
                              L"a<b.iso", L"a|b.iso", L"a\tb.iso"}) {
    EXPECT_EQ(Create("http://127.0.0.1:1/files/x", name), 0u) << name;
    auto [kind, reason] = Failure(0);
    EXPECT_EQ(kind, kXldlPermanent) << name;
    EXPECT_NE(reason.find("is refused"), std::string::npos) << reason;
  }
  for (const wchar_t* name : {L"CONSOLE.iso", L"COM10.iso", L"con-tools.iso", L".hidden"}) {
    EXPECT_NE(Create("http://127.0.0.1:1/files/x", name), 0u) << name;
  }
}

TEST_F(XldlLibraryTest, FailuresCarryTheirReasonAndWhetherARetryCanMendThem) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server;
  CountingListener listener;
  ASSERT_TRUE(listener.bound());
  testing_support::ClosedPort closed;
  struct Case {
    std::string url;
    int32_t kind;
    const char* reason;
  } cases[] = {
      {server.Url("missing.iso"), kXldlPermanent, "HTTP 404"},
      {listener.Url("ftp", "a.iso"), kXldlPermanent, "ftp"},
      {closed.Url("/a.iso"), kXldlRetryable, "onnect"},
  };
  for (const Case& c : cases) {
    uint32_t task = Create(c.url);
    ASSERT_NE(xl_.startTask(task), 0) << c.url;
    ASSERT_TRUE(WaitState(task, kXlStateFailed)) << c.url;
    auto [kind, reason] = Failure(task);
    EXPECT_EQ(kind, c.kind) << c.url << ": " << reason;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.url << ": " << reason;
    // Nothing arrived, so nothing is left beside the target.
    EXPECT_FALSE(machine_.HostFileExists(kDir + L"image.iso.xltd")) << c.url;
    xl_.deleteTask(task);
  }
}

// Two tasks of one target: the second is refused while the first holds the partial data.
TEST_F(XldlLibraryTest, SecondTaskOfATargetIsRefusedWhileTheFirstRuns) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  FileServer server(StallAtCut());
  const std::string bytes = PatternBytes(kFileSize);
  server.WriteFile("image.iso", bytes);
  uint32_t first = Create(server.Url("image.iso"));
  uint32_t second = Create(server.Url("image.iso"));
  ASSERT_NE(xl_.startTask(first), 0);
  ASSERT_TRUE(WaitFor(first, [](const XlTaskInfo& i) { return i.downloadedSize == kCut; }));
  EXPECT_EQ(xl_.startTask(second), 0);
  auto [kind, reason] = Failure(second);
  EXPECT_EQ(kind, kXldlRetryable);
  EXPECT_NE(reason.find("D:\\Tarnvik\\gho-prlm\\image.iso is being downloaded by another task"), std::string::npos)
      << reason;
  XlTaskParam param;
  ASSERT_TRUE(FillTaskParam(param, L"", L"image.iso", kDir));
  EXPECT_EQ(xl_.delTempFile(&param), 0);  // not while a transfer writes it
  ASSERT_TRUE(WaitState(first, kXlStateComplete));
  EXPECT_TRUE(machine_.ReadHostFile(kDir + L"image.iso") == bytes);
}

// Several tasks at once, each driven and polled from a thread of its own.
TEST_F(XldlLibraryTest, TasksRunAtOnceFromSeveralThreads) {
  std::filesystem::create_directories(machine_.HostPath(kDir));
  services::ServiceOptions slow;
  slow.throttleBytesPerSecond = 4 << 20;
  FileServer server(slow);
  constexpr int kTasks = 4;
  std::vector<std::string> bytes;
  for (int i = 0; i < kTasks; ++i) {
    bytes.push_back(PatternBytes(1 << 20, 10 + i));
    server.WriteFile("part" + std::to_string(i), bytes.back());
  }
  std::vector<std::thread> threads;
  std::vector<int> complete(kTasks, 0);
  for (int i = 0; i < kTasks; ++i) {
    threads.emplace_back([&, i] {
      uint32_t task = Create(server.Url("part" + std::to_string(i)), L"part" + std::to_wstring(i));
      if (task == 0 || xl_.startTask(task) == 0) return;
      complete[i] = WaitState(task, kXlStateComplete);
      xl_.deleteTask(task);
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < kTasks; ++i) {
    EXPECT_TRUE(complete[i]) << i;
    EXPECT_TRUE(machine_.ReadHostFile(kDir + L"part" + std::to_wstring(i)) == bytes[i]) << i;
  }
}

}  // namespace
