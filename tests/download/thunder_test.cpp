// CThunder over the real library and the local file service: the task lists, parking,
// downlist.json, and resuming parked tasks in a fresh engine.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "download/task_list_file.h"
#include "download/thunder.h"
#include "support/download_machine.h"
#include "support/file_server.h"
#include "support/run_program.h"
#include "xldl/transfer_task.h"

namespace {

using testing_support::DownloadMachine;
using testing_support::FileServer;
using testing_support::PatternBytes;

const std::wstring kDir = L"D:\\Tarnvik\\gho-prlm\\";
const std::wstring kList = L"D:\\Tarnvik\\temp\\downlist.json";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Polls every 50 ms, as the workers do, for at most 15 seconds.
bool WaitProgress(CThunder& engine, DownloadTask* task, const std::function<bool(const TaskProgress&)>& done) {
  for (int i = 0; i < 300; ++i) {
    TaskProgress p;
    if (engine.QueryProgress(task, &p) && done(p)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

class ThunderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CGlobalParam::Instance();  // creates the program's folders
    engine_ = CThunder::Instance();
  }
  void TearDown() override { engine_.reset(); }

  std::string ListFile() { return machine_.ReadHostFile(kList); }

  DownloadMachine machine_;
  std::shared_ptr<CThunder> engine_;
};

TEST_F(ThunderTest, ParkingAFourthTaskDropsTheOldestWithItsPartialData) {
  services::ServiceOptions stall;
  stall.stallAtOffset = 64 << 10;
  stall.stallSeconds = 2;
  FileServer server(stall);
  std::vector<DownloadTask*> tasks;
  for (int i = 0; i < 4; ++i) {
    std::string name = "img" + std::to_string(i) + ".iso";
    server.WriteFile(name, PatternBytes(256 << 10, i));
    DownloadTask* t = engine_->CreateTask(Wide(name), kDir, Wide(server.Url(name)));
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(engine_->StartTask(t));
    ASSERT_TRUE(WaitProgress(*engine_, t, [](const TaskProgress& p) { return p.downloaded == 64 << 10; }));
    tasks.push_back(t);
  }
  for (DownloadTask* t : tasks) EXPECT_FALSE(engine_->RemoveTask(t));

  EXPECT_EQ(engine_->ParkedCount(), 3u);
  EXPECT_EQ(engine_->ActiveCount(), 0u);
  EXPECT_EQ(engine_->FindParkedByUrl(Wide(server.Url("img0.iso"))), nullptr);
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"img0.iso.xltd"));
  EXPECT_FALSE(machine_.HostFileExists(kDir + L"img0.iso.xltd.info"));
  EXPECT_TRUE(machine_.HostFileExists(kDir + L"img1.iso.xltd"));
  auto listed = ReadTaskList(ListFile());
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].fileName, L"img3.iso");  // newest first
  EXPECT_EQ(listed[2].fileName, L"img1.iso");
  EXPECT_FLOAT_EQ(listed[0].fraction, 0.25f);

  // Asking for a parked URL again hands back that task and takes it off the file.
  DownloadTask* again = engine_->CreateTask(L"other.iso", L"D:\\elsewhere\\", Wide(server.Url("img2.iso")));
  EXPECT_EQ(again, tasks[2]);
  EXPECT_EQ(again->fileName, L"img2.iso");
  EXPECT_EQ(engine_->FindActiveByUrl(Wide(server.Url("img2.iso"))), again);
  listed = ReadTaskList(ListFile());
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].fileName, L"img3.iso");
  EXPECT_EQ(listed[1].fileName, L"img1.iso");
}

TEST_F(ThunderTest, RemovingDeletesACompleteTaskAndParksAnyOther) {
  FileServer server;
  server.WriteFile("a.iso", "a");
  DownloadTask* complete = engine_->CreateTask(L"a.iso", kDir, Wide(server.Url("a.iso")));
  DownloadTask* almost = engine_->CreateTask(L"b.iso", kDir, Wide(server.Url("b.iso")));
  ASSERT_TRUE(complete && almost);
  complete->fraction = 1.0f;
  almost->fraction = 0.999f;
  EXPECT_TRUE(engine_->RemoveTask(complete));
  EXPECT_FALSE(engine_->RemoveTask(almost));
  EXPECT_EQ(engine_->ActiveCount(), 0u);
  EXPECT_EQ(engine_->ParkedCount(), 1u);
  EXPECT_EQ(engine_->FindParkedByUrl(Wide(server.Url("b.iso"))), almost);

  EXPECT_TRUE(engine_->DeleteTask(almost));  // a parked task deleted is off the file too
  EXPECT_EQ(ListFile(), "null\n");
  EXPECT_FALSE(engine_->DeleteTask(nullptr));
  EXPECT_FALSE(engine_->StartTask(nullptr));
  EXPECT_TRUE(engine_->StopTask(nullptr));
}

TEST_F(ThunderTest, LoadingAnEmptyListCreatesNothing) {
  for (const char* text : std::initializer_list<const char*>{"null\n", "[]\n", "{\"sUrl\":\"x\"}", "not json", nullptr}) {
    std::filesystem::remove(machine_.HostPath(kList));
    if (text != nullptr) machine_.WriteFile(kList, text);
    engine_->LoadTaskList();
    EXPECT_EQ(engine_->ParkedCount(), 0u) << (text ? text : "missing file");
  }
}

// jsoncpp throws past its nesting limit; the program rewrites this file itself, so a bad
// copy would otherwise stop every later start.
TEST_F(ThunderTest, UnreadableListLoadsAsNoTasksAndIsKeptAside) {
  const std::string nested = std::string(1001, '[') + std::string(1001, ']');
  for (const std::string& text : {nested, std::string("[{\"sUrl\":")}) {
    machine_.WriteFile(kList, text);
    engine_->LoadTaskList();
    EXPECT_EQ(engine_->ParkedCount(), 0u);
    EXPECT_EQ(machine_.ReadHostFile(kList + L".bad"), text);
  }
}

// The program starts from a machine whose list is nested past the reader's limit.
TEST(ThunderAtProgramStart, DeeplyNestedListDoesNotStopTheProgram) {
  DownloadMachine machine;
  const std::string nested = std::string(1001, '[') + std::string(1001, ']');
  machine.WriteFile(kList, nested);
  const testing_support::Outcome run = testing_support::RunProgram({.args = {TARNVIK_BIN_DIR "/Tarnvik"}});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(machine.ReadHostFile(kList + L".bad"), nested);
}

// Another process parks its tasks in the same file: saving keeps their entries.
TEST_F(ThunderTest, SavingKeepsTheEntriesAnotherProcessParked) {
  machine_.WriteFile(kList, WriteTaskList({{L"a.iso", kDir, L"http://127.0.0.1:1/files/a.iso", 0.5f}}));
  engine_->LoadTaskList();
  ASSERT_EQ(engine_->ParkedCount(), 1u);
  // Meanwhile another process parks b.iso beside the a.iso it also loaded.
  machine_.WriteFile(kList, WriteTaskList({{L"b.iso", kDir, L"http://127.0.0.1:1/files/b.iso", 0.25f},
                                           {L"a.iso", kDir, L"http://127.0.0.1:1/files/a.iso", 0.5f}}));
  // This one takes a.iso back into use and parks c.iso.
  ASSERT_NE(engine_->CreateTask(L"a.iso", kDir, L"http://127.0.0.1:1/files/a.iso"), nullptr);
  DownloadTask* c = engine_->CreateTask(L"c.iso", kDir, L"http://127.0.0.1:1/files/c.iso");
  ASSERT_NE(c, nullptr);
  engine_->RemoveTask(c);
  auto listed = ReadTaskList(ListFile());
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].fileName, L"c.iso");
  EXPECT_EQ(listed[1].fileName, L"b.iso");
}

TEST_F(ThunderTest, LoadingStopsAtTheFirstEntryTheLibraryRefuses) {
  // The second entry's file name would leave its folder: the library refuses it.
  std::vector<ParkedEntry> entries{{L"一.iso", kDir, L"http://127.0.0.1:1/files/1", 0.5f},
                                   {L"..\\二.iso", kDir, L"http://127.0.0.1:1/files/2", 0.25f},
                                   {L"三.iso", kDir, L"http://127.0.0.1:1/files/3", 0.75f}};
  machine_.WriteFile(kList, WriteTaskList(entries));
  engine_->LoadTaskList();
  EXPECT_EQ(engine_->ParkedCount(), 1u);
  DownloadTask* first = engine_->FindParkedByUrl(L"http://127.0.0.1:1/files/1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->fileName, L"一.iso");
  EXPECT_FLOAT_EQ(first->fraction, 0.5f);
}

// A download parked in one run continues in the next from its partial data.
TEST_F(ThunderTest, ParkedTaskResumesInAFreshEngineWithoutFetchingItsFirstBytesAgain) {
  constexpr int64_t kSize = 2 << 20, kCut = 768 << 10;
  services::ServiceOptions stall;
  stall.stallAtOffset = kCut;
  stall.stallSeconds = 2;
  FileServer server(stall);
  const std::string bytes = PatternBytes(kSize);
  server.WriteFile("win.iso", bytes);
  const std::wstring url = Wide(server.Url("win.iso"));

  DownloadTask* task = engine_->CreateTask(L"win.iso", kDir, url);
  ASSERT_TRUE(engine_->StartTask(task));
  ASSERT_TRUE(WaitProgress(*engine_, task, [&](const TaskProgress& p) { return p.downloaded == kCut; }));
  EXPECT_FALSE(engine_->RemoveTask(task));
  engine_.reset();
  CThunder::Release();  // the program ends: the library is unloaded

  server.Restart({});
  engine_ = CThunder::Instance();
  engine_->LoadTaskList();
  ASSERT_NE(engine_->FindParkedByUrl(url), nullptr);
  task = engine_->CreateTask(L"win.iso", kDir, url);
  ASSERT_TRUE(engine_->StartTask(task));
  ASSERT_TRUE(WaitProgress(*engine_, task, [](const TaskProgress& p) { return p.state == 4; }));
  EXPECT_EQ(server.BytesSent(), kSize - kCut + xldl::kResumeOverlap);  // the overlap is read again
  EXPECT_TRUE(machine_.ReadHostFile(kDir + L"win.iso") == bytes);
  EXPECT_EQ(engine_->GetEngineFileName(task), L"win.iso");
  EXPECT_EQ(ListFile(), "null\n");
}

TEST(ThunderWithoutLibrary, ShowsTheMessageBoxAndExitsWithMinusOne) {
  // Forked, so that the child shows its message box on this machine.
  GTEST_FLAG_SET(death_test_style, "fast");
  DownloadMachine machine(testing_support::MinimalMachine(), false);
  EXPECT_EXIT(CThunder::Instance(), ::testing::ExitedWithCode(255), "");
  std::ifstream boxes(machine.folder() / "state" / "messageboxes.jsonl");
  std::string line;
  ASSERT_TRUE(std::getline(boxes, line));
  EXPECT_EQ(line, R"({"caption":"缺少组件","text":"找不到 xldl.dll 下载组件，请重新安装软件！","type":16})");
}

}  // namespace
