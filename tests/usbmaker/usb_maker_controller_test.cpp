// The USB maker controller on simulated machines: the disk list as sticks come and go,
// the buttons, the guards against the wrong disk, and the make flow up to its dialogs,
// with a page that records what it was asked.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/global_param.h"
#include "platform/codepage.h"
#include "support/usb_machine.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_disk_texts.h"
#include "usbmaker/usb_maker_controller.h"

namespace {

using testing_support::kGiB;
using testing_support::MachineWith;
using testing_support::UsbDisk;
using testing_support::UsbMachine;

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

class RecordingPage : public IUsbMakerPage {
 public:
  void ShowSelectDiskFirst() override { calls.push_back("SelectDiskFirst"); }
  void ShowRefusal(const std::wstring& text) override { calls.push_back("Refusal " + Utf8(text)); }
  bool ConfirmMake(const std::wstring& text) override {
    calls.push_back("ConfirmMake");
    confirmText = text;
    return confirm;
  }
  void ConfirmRestore(wchar_t letter, const std::wstring& text) override {
    calls.push_back("ConfirmRestore " + Utf8(std::wstring(1, letter)));
    confirmText = text;
  }
  void ConfirmNtfs(wchar_t letter, const std::wstring& text) override {
    calls.push_back("ConfirmNtfs " + Utf8(std::wstring(1, letter)));
    confirmText = text;
  }
  bool ChooseImages(ImageChoice& images) override {
    calls.push_back("ChooseImages");
    if (!choice) return false;
    images = *choice;
    return true;
  }
  bool ShowDownloadBox(const ImageChoice& images) override {
    std::string line = "DownloadBox";
    for (const OsEntry* e : images) line += " " + Utf8(e->name);
    calls.push_back(line);
    downloaded = images;
    if (downloadFetchesPe) pePresent = true;
    return downloadResult;
  }
  int ShowMakeBox() override {
    calls.push_back("MakeBox");
    return 0;
  }
  void ShowHotKeyBox() override { calls.push_back("HotKeyBox"); }
  bool IsMainWindowEnabled() override { return windowEnabled; }
  void AppendRow(VolumeInfo* disk) override { rows.push_back(disk); }
  void RemoveRow(VolumeInfo* disk) override { std::erase(rows, disk); }
  void SelectRow(VolumeInfo* disk) override {
    selectedRow = disk;
    controller->Select(disk);  // the option's "selectchanged"
  }
  void SetListBackground(const std::wstring& image) override { background = image; }

  std::vector<std::string> RowTexts() const {
    std::vector<std::string> texts;
    for (const VolumeInfo* disk : rows) texts.push_back(Utf8(UsbDiskText(*disk) + UsbSizeText(disk->totalBytes)));
    return texts;
  }

  UsbMakerController* controller = nullptr;
  std::vector<std::string> calls;
  std::vector<VolumeInfo*> rows;
  VolumeInfo* selectedRow = nullptr;
  std::wstring background = L"(unset)";
  std::wstring confirmText;
  bool windowEnabled = true;
  bool confirm = true;
  std::optional<ImageChoice> choice;  // none: the choice is cancelled
  bool downloadResult = true;
  bool downloadFetchesPe = false;
  bool pePresent = false;
  ImageChoice downloaded;
};

// A controller and its page on a machine; the owner's hooks record what they are asked.
class MakerTest : public ::testing::Test {
 protected:
  void Open(const Json::Value& machineJson) {
    machine.emplace(machineJson);
    UsbMakerHooks hooks;
    hooks.isPeComponentPresent = [this] { return page.pePresent; };
    hooks.onSelectedDiskGone = [this] { ++toolsKilled; };
    hooks.simulateBoot = [this](wchar_t letter) {
      simulated.push_back(letter);
      return true;
    };
    hooks.postPoint = [this](const UsbMakePoint& p) { points.push_back(p); };
    controller.emplace(catalogue, pe, std::move(hooks));
    controller->page = &page;
    page.controller = &*controller;
    toolAbort = false;
  }
  void TearDown() override {
    controller.reset();
    CGlobalParam::Release();
    machine.reset();
    toolAbort = false;
  }
  std::string SelectedRoot() const {
    return controller->selectedDisk ? Utf8(controller->selectedDisk->root) : "(none)";
  }

  std::vector<std::unique_ptr<OsEntry>> catalogue;
  PeEntry pe{L"WePE64.iso", 300 << 20, L"http://127.0.0.1/pe/WePE64.iso", 0};
  std::optional<UsbMachine> machine;
  RecordingPage page;
  std::optional<UsbMakerController> controller;
  int toolsKilled = 0;
  std::vector<wchar_t> simulated;
  std::vector<UsbMakePoint> points;
};

Json::Value Stick(int number, const char* letter, const char* name = "SanDisk Ultra", int64_t size = 8 * kGiB) {
  return UsbDisk(number, name, {{letter, size, size - (64 << 20)}});
}

TEST_F(MakerTest, WithoutDisksTheListIsEmptyAndEveryButtonAsksForADisk) {
  Open(MachineWith({}));
  controller->SetUpPage();
  EXPECT_TRUE(page.rows.empty());
  EXPECT_EQ(Utf8(page.background), "skin\\u\\NoneUsb-bg.png");
  EXPECT_EQ(controller->selectedDisk, nullptr);
  for (const wchar_t* button : {L"btnMakeUDisk", L"btnInit", L"btnFormat", L"btnSimulat"}) {
    EXPECT_TRUE(controller->OnClick(button));
  }
  EXPECT_EQ(page.calls, std::vector<std::string>(4, "SelectDiskFirst"));
  EXPECT_TRUE(simulated.empty());
  EXPECT_FALSE(controller->OnClick(L"btnOther"));
}

TEST_F(MakerTest, OneStickIsListedAndSelectedAtOnce) {
  Open(MachineWith({Stick(2, "E")}));
  controller->SetUpPage();
  EXPECT_EQ(page.RowTexts(), std::vector<std::string>{"E:(hd2) SanDisk Ultra 8.00G"});
  EXPECT_EQ(SelectedRoot(), "E:\\");
  EXPECT_EQ(page.selectedRow, controller->selectedDisk);
  EXPECT_EQ(page.background, L"");
}

TEST_F(MakerTest, AStickPluggedInWhileTheWindowIsDisabledIsListedButNotSelected) {
  Open(MachineWith({}));
  page.windowEnabled = false;
  controller->RefreshUsbList();
  machine->Plug(MachineWith({Stick(2, "E")}));
  controller->RefreshUsbList();
  EXPECT_EQ(page.rows.size(), 1u);
  EXPECT_EQ(controller->selectedDisk, nullptr);
}

TEST_F(MakerTest, AStickOfTwoVolumesIsOneRow) {
  Json::Value m = MachineWith({UsbDisk(1, "Kingston DataTraveler", {{"E", 8 * kGiB, 8 * kGiB}, {"F", 6 * kGiB, 6 * kGiB}})});
  m["disks"][1]["number"] = 3;  // the data disk gives way to the stick's number 1
  Open(m);
  controller->SetUpPage();
  EXPECT_EQ(page.RowTexts(), std::vector<std::string>{"E,F:(hd1) Kingston DataTraveler 14.00G"});
}

TEST_F(MakerTest, PullingTheSelectedStickRemovesItsRowAndStopsTheTools) {
  Open(MachineWith({Stick(2, "E")}));
  controller->SetUpPage();
  machine->Pull(2);
  controller->RefreshUsbList();
  EXPECT_TRUE(page.rows.empty());
  EXPECT_TRUE(controller->disks.empty());
  EXPECT_EQ(controller->selectedDisk, nullptr);
  EXPECT_EQ(toolsKilled, 1);
  EXPECT_TRUE(toolAbort);
  EXPECT_EQ(Utf8(page.background), "skin\\u\\NoneUsb-bg.png");
}

TEST_F(MakerTest, PullingAnotherStickLeavesTheJobAlone) {
  Open(MachineWith({Stick(2, "E"), Stick(3, "G", "Kingston")}));
  controller->SetUpPage();
  machine->Pull(3);
  controller->RefreshUsbList();
  EXPECT_EQ(page.RowTexts(), std::vector<std::string>{"E:(hd2) SanDisk Ultra 8.00G"});
  EXPECT_EQ(SelectedRoot(), "E:\\");
  EXPECT_EQ(toolsKilled, 0);
  EXPECT_FALSE(toolAbort);
}

TEST_F(MakerTest, WhenTheSelectedOneOfTwoSticksIsPulledTheOtherIsSelected) {
  Open(MachineWith({Stick(2, "E"), Stick(3, "G", "Kingston")}));
  controller->SetUpPage();
  machine->Pull(2);
  controller->RefreshUsbList();
  EXPECT_EQ(page.RowTexts(), std::vector<std::string>{"G:(hd3) Kingston 8.00G"});
  EXPECT_EQ(toolsKilled, 1);
  EXPECT_TRUE(toolAbort);
  EXPECT_EQ(SelectedRoot(), "G:\\");
}

// One stick swapped for another between two refreshes: the counts are equal, and the new
// stick may even get the old one's letter.
TEST_F(MakerTest, AStickSwappedForAnotherIsSeen) {
  struct Case {
    const char* what;
    Json::Value after;
    std::string row;
  };
  const std::vector<Case> cases = {
      {"another letter", Stick(2, "F", "Kingston"), "F:(hd2) Kingston 8.00G"},
      {"the same letter, another name", Stick(2, "E", "Kingston"), "E:(hd2) Kingston 8.00G"},
      {"the same letter, another number", Stick(4, "E"), "E:(hd4) SanDisk Ultra 8.00G"},
      {"the same letter, another size", Stick(2, "E", "SanDisk Ultra", 16 * kGiB), "E:(hd2) SanDisk Ultra 16.00G"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(MachineWith({Stick(2, "E")}));
    controller->SetUpPage();
    machine->Plug(MachineWith({c.after}));
    controller->RefreshUsbList();
    EXPECT_EQ(page.RowTexts(), std::vector<std::string>{c.row});
    EXPECT_EQ(toolsKilled, 1);
    EXPECT_TRUE(toolAbort);
    EXPECT_EQ(controller->selectedDisk, controller->disks.front().get());  // the new one, selected afresh
    TearDown();
    page = RecordingPage{};
    toolsKilled = 0;
  }
}

TEST_F(MakerTest, ARefreshWithoutChangeKeepsRowsAndSelection) {
  Open(MachineWith({Stick(2, "E"), Stick(3, "G", "Kingston")}));
  controller->SetUpPage();
  page.SelectRow(page.rows[1]);
  const std::vector<VolumeInfo*> rows = page.rows;
  controller->RefreshUsbList();
  EXPECT_EQ(page.rows, rows);
  EXPECT_EQ(SelectedRoot(), "G:\\");
  EXPECT_EQ(toolsKilled, 0);
}

TEST_F(MakerTest, SelectionFollowsThePageAndIgnoresUnlistedDisks) {
  Open(MachineWith({Stick(2, "E"), Stick(3, "G", "Kingston")}));
  controller->SetUpPage();
  controller->Select(page.rows[1]);
  EXPECT_EQ(SelectedRoot(), "G:\\");
  VolumeInfo stranger;
  controller->Select(&stranger);
  EXPECT_EQ(controller->selectedDisk, nullptr);
  controller->Select(page.rows[0]);
  controller->Select(nullptr);
  EXPECT_EQ(controller->selectedDisk, nullptr);
}

TEST(UsbSizeText, FollowsTheUnitSteps) {
  struct Case {
    uint64_t bytes;
    const char* text;
  };
  const Case cases[] = {
      {0, ""},
      {1, " 1B"},
      {1023, " 1023B"},
      {1024, " 1.00K"},
      {1536, " 1.50K"},
      {(1 << 20) - 1, " 1024.00K"},
      {1 << 20, " 1.00M"},
      {(uint64_t(1) << 30) - 1, " 1024.00M"},
      {uint64_t(1) << 30, " 1.00G"},
      {31457280000, " 29.30G"},
      {uint64_t(2) << 40, " 2048.00G"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8(UsbSizeText(c.bytes)), c.text) << c.bytes;
}

TEST_F(MakerTest, TheSystemsOrTheProgramsDiskIsRefusedForEveryJobButTheEmulator) {
  struct Case {
    const char* what;
    const char* systemDirectory;
    const char* programPath;
    const char* reason;  // empty: allowed
  };
  const Case cases[] = {
      {"a plain stick", "C:\\Windows\\system32", "D:\\Tarnvik\\Tarnvik.exe", ""},
      {"Windows running from the stick", "E:\\Windows\\system32", "D:\\Tarnvik\\Tarnvik.exe",
       "该磁盘上有正在运行的Windows系统，不能在它上面制作、还原或转换。"},
      {"Windows on the stick's second volume", "F:\\Windows\\system32", "D:\\Tarnvik\\Tarnvik.exe",
       "该磁盘上有正在运行的Windows系统，不能在它上面制作、还原或转换。"},
      {"the program on the stick's second volume", "C:\\Windows\\system32", "f:\\Tarnvik\\Tarnvik.exe",
       "本程序正在从该磁盘（F:）上运行，不能在它上面制作、还原或转换。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Json::Value m = MachineWith({UsbDisk(2, "SanDisk Ultra", {{"E", 4 * kGiB, 4 * kGiB}, {"F", 4 * kGiB, 4 * kGiB}})});
    m["windows"]["systemDirectory"] = c.systemDirectory;
    m["program"]["path"] = c.programPath;
    Open(m);
    controller->SetUpPage();
    ASSERT_NE(controller->selectedDisk, nullptr);
    EXPECT_EQ(Utf8(UsbDiskRefusal(*controller->selectedDisk)), c.reason);
    if (*c.reason != '\0') {
      page.calls.clear();
      EXPECT_FALSE(controller->StartMakeFlow());
      controller->OnClick(L"btnInit");
      controller->OnClick(L"btnFormat");
      EXPECT_EQ(page.calls, std::vector<std::string>(3, std::string("Refusal ") + c.reason));
      EXPECT_TRUE(points.empty());
      controller->OnClick(L"btnSimulat");
      EXPECT_EQ(simulated, std::vector<wchar_t>{L'E'});
    }
    TearDown();
    page = RecordingPage{};
    simulated.clear();
  }
}

TEST_F(MakerTest, TheConfirmationNamesTheDiskAndWarnsOfAHardDiskOrManyFiles) {
  const Json::Value hardDisk = UsbDisk(3, "WD Elements", {{"H", 500 * kGiB, 200 * kGiB}}, false);
  const Json::Value fullStick = UsbDisk(4, "SanDisk Ultra", {{"I", 8 * kGiB, 6 * kGiB}});
  const Json::Value nearlyEmpty = UsbDisk(5, "Kingston", {{"J", 8 * kGiB, 7 * kGiB}});  // 1 GiB of files exactly
  Open(MachineWith({hardDisk, fullStick, nearlyEmpty}));
  controller->SetUpPage();
  ASSERT_EQ(page.rows.size(), 3u);
  struct Case {
    size_t row;
    const char* button;
    std::string call;
    std::string text;
  };
  const std::vector<Case> cases = {
      {0, "btnInit", "ConfirmRestore H",
       "本次操作将会永久删除 H: 盘上的所有数据，且不能恢复，您是否继续执行该操作?\n磁盘：H:(hd3) WD Elements 500.00G\n"
       "注意：这是一块USB移动硬盘，不是U盘！\n注意：该磁盘上已有 300.00G 的文件，将全部被删除！"},
      {1, "btnFormat", "ConfirmNtfs I",
       "您确定要将U盘（I:）转化为NTFS格式吗?\n磁盘：I:(hd4) SanDisk Ultra 8.00G\n注意：该磁盘上已有 2.00G 的文件，转换前请先备份！"},
      {1, "btnMakeUDisk", "ConfirmMake",
       "您的U盘将被格式化，请确认好您的资料已经备份！\n磁盘：I:(hd4) SanDisk Ultra 8.00G\n注意：该磁盘上已有 2.00G 的文件，将全部被删除！"},
      {2, "btnMakeUDisk", "ConfirmMake", "您的U盘将被格式化，请确认好您的资料已经备份！\n磁盘：J:(hd5) Kingston 8.00G"},
  };
  page.confirm = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    page.calls.clear();
    page.SelectRow(page.rows[c.row]);
    controller->OnClick(platform::Utf8ToWide(c.button));
    EXPECT_EQ(page.calls, std::vector<std::string>{c.call});
    EXPECT_EQ(Utf8(page.confirmText), c.text);
  }
}

TEST_F(MakerTest, ADiskSwappedAfterTheListWasDrawnIsNoLongerTheSame) {
  Open(MachineWith({Stick(2, "E")}));
  controller->SetUpPage();
  const UsbDiskIdentity snapshot = *controller->SelectedDiskIdentity();
  EXPECT_TRUE(StillTheSameDisk(snapshot));
  struct Case {
    const char* what;
    std::vector<Json::Value> disks;
  };
  const std::vector<Case> cases = {
      {"another stick under the number", {Stick(2, "E", "Kingston")}},
      {"the number on other letters", {Stick(2, "F")}},
      {"the same stick, repartitioned", {Stick(2, "E", "SanDisk Ultra", 4 * kGiB)}},
      {"the stick pulled", {}},
      {"the stick pulled, another in its letter", {Stick(3, "E")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine->Plug(MachineWith(c.disks));
    EXPECT_FALSE(StillTheSameDisk(snapshot));
  }
  machine->Plug(MachineWith({Stick(2, "E")}));
  EXPECT_TRUE(StillTheSameDisk(snapshot));
}

// The make flow's branches, once a stick is selected and the make confirmed.
class MakeFlowTest : public MakerTest {
 protected:
  void SetUp() override {
    Open(MachineWith({Stick(2, "E")}));
    controller->SetUpPage();
    page.calls.clear();
  }
  OsEntry* AddImage(const wchar_t* name, int state, const std::wstring& localPath, bool recommended = false) {
    auto entry = std::make_unique<OsEntry>();
    entry->name = name;
    entry->state = state;
    entry->localPath = localPath;
    entry->recommended = recommended;
    catalogue.push_back(std::move(entry));
    return catalogue.back().get();
  }
  std::vector<std::string> PointKinds() const {
    std::vector<std::string> kinds;
    for (const UsbMakePoint& p : points) {
      std::string k = p.kind == UsbMakePoint::Kind::MakeOnly ? "MakeOnly" : "MakeWithImages";
      for (const std::wstring& n : p.imageNames) k += " " + Utf8(n);
      kinds.push_back(k);
    }
    return kinds;
  }
};

TEST_F(MakeFlowTest, ImagesWithoutTheWinPeFetchTheComponentFirstAndStaleDownloadsAgain) {
  sim::SimPlatform& m = static_cast<sim::SimPlatform&>(platform::Current());
  std::filesystem::create_directories(*m.MapPath(L"D:\\Tarnvik\\gho-prlm"));
  std::ofstream(*m.MapPath(L"D:\\Tarnvik\\gho-prlm\\win7.gho")) << "image";
  OsEntry* kept = AddImage(L"Win7", 3, L"D:\\Tarnvik\\gho-prlm\\win7.gho");
  OsEntry* goneRecommended = AddImage(L"Win10", 3, L"D:\\Tarnvik\\gho-prlm\\win10.iso", true);
  OsEntry* gonePlain = AddImage(L"Win11", 3, L"D:\\Tarnvik\\gho-prlm\\win11.iso");
  controller->finished = controller->succeeded = true;
  page.choice = ImageChoice{kept, goneRecommended, gonePlain};

  EXPECT_TRUE(controller->StartMakeFlow());
  EXPECT_EQ(page.calls, (std::vector<std::string>{"ConfirmMake", "ChooseImages", "DownloadBox PE组件 Win7 Win10 Win11"}));
  EXPECT_EQ(PointKinds(), std::vector<std::string>{"MakeWithImages Win7 Win10 Win11"});
  EXPECT_FALSE(controller->makeOnly);
  EXPECT_FALSE(controller->finished);
  EXPECT_FALSE(controller->succeeded);
  EXPECT_EQ(kept->state, 3);
  EXPECT_EQ(Utf8(kept->localPath), "D:\\Tarnvik\\gho-prlm\\win7.gho");
  EXPECT_EQ(goneRecommended->state, 1);
  EXPECT_EQ(gonePlain->state, 0);
  EXPECT_TRUE(goneRecommended->localPath.empty());
  EXPECT_TRUE(gonePlain->localPath.empty());
  const OsEntry& peEntry = *page.downloaded.front();
  EXPECT_EQ(peEntry.fileName, pe.fileName);
  EXPECT_EQ(peEntry.size, pe.size);
  EXPECT_EQ(peEntry.url, pe.url);
  EXPECT_EQ(peEntry.state, 0);
}

TEST_F(MakeFlowTest, ImagesWithTheWinPePresentAreDownloadedAndThenMade) {
  page.pePresent = true;
  page.choice = ImageChoice{AddImage(L"Win7", 0, L"")};
  EXPECT_TRUE(controller->StartMakeFlow());
  EXPECT_EQ(page.calls, (std::vector<std::string>{"ConfirmMake", "ChooseImages", "DownloadBox Win7", "MakeBox"}));
}

TEST_F(MakeFlowTest, MakeOnlyWithTheWinPePresentOpensTheMakeDialogDirectly) {
  page.pePresent = true;
  page.choice = ImageChoice{};
  EXPECT_TRUE(controller->StartMakeFlow());
  EXPECT_EQ(page.calls, (std::vector<std::string>{"ConfirmMake", "ChooseImages", "MakeBox"}));
  EXPECT_EQ(PointKinds(), std::vector<std::string>{"MakeOnly"});
  EXPECT_TRUE(controller->makeOnly);
}

TEST_F(MakeFlowTest, MakeOnlyWithoutTheWinPeDownloadsOnlyTheComponent) {
  struct Case {
    bool downloadResult;
    bool fetchesPe;
    bool result;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {true, true, true, {"ConfirmMake", "ChooseImages", "DownloadBox PE组件", "MakeBox"}},
      {true, false, true, {"ConfirmMake", "ChooseImages", "DownloadBox PE组件"}},
      {false, false, false, {"ConfirmMake", "ChooseImages", "DownloadBox PE组件"}},
  };
  for (const Case& c : cases) {
    page.calls.clear();
    page.pePresent = false;
    page.choice = ImageChoice{};
    page.downloadResult = c.downloadResult;
    page.downloadFetchesPe = c.fetchesPe;
    EXPECT_EQ(controller->StartMakeFlow(), c.result);
    EXPECT_EQ(page.calls, c.calls);
    EXPECT_TRUE(controller->makeOnly);
  }
}

TEST_F(MakeFlowTest, ADeclinedConfirmationOrACancelledChoiceEndsTheFlow) {
  controller->finished = true;
  page.confirm = false;
  EXPECT_FALSE(controller->StartMakeFlow());
  EXPECT_EQ(page.calls, std::vector<std::string>{"ConfirmMake"});
  EXPECT_TRUE(controller->finished);  // nothing was started

  page.calls.clear();
  page.confirm = true;
  EXPECT_FALSE(controller->StartMakeFlow());
  EXPECT_EQ(page.calls, (std::vector<std::string>{"ConfirmMake", "ChooseImages"}));
  EXPECT_TRUE(points.empty());
}

}  // namespace
