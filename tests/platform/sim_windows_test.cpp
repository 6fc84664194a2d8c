// The window automation on the windows of the simulated window applications: the ISO
// writer and the boot store editor open their windows when they are started, answer the
// messages a user's input would send, record what they did, and end with their windows.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/platform.h"
#include "support/iso_image.h"
#include "support/state_records.h"
#include "support/usb_stick_machine.h"

namespace {

using namespace std::chrono_literals;
using platform::WindowHandle;
using testing_support::MachineWithUsbStick;
using testing_support::PutWindowTools;
using testing_support::ReadStateLines;
using testing_support::TempMachine;

platform::Windows& Windows() { return platform::Current().windows(); }

// The top-level window once it is there; 0 after a bound that a sound run never reaches.
WindowHandle AwaitWindow(const std::wstring& className, const std::wstring& title) {
  for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
    if (WindowHandle window = Windows().FindWindow(className, title)) return window;
    std::this_thread::sleep_for(2ms);
  }
  return 0;
}

bool AwaitTrue(const std::function<bool()>& done) {
  for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(2ms);
  }
  return false;
}

struct Child {
  WindowHandle handle;
  std::wstring className, text;
};

std::vector<Child> Children(WindowHandle parent) {
  std::vector<Child> children;
  Windows().EnumChildWindows(parent, [&](WindowHandle child) {
    children.push_back({child, Windows().GetClassName(child, 200), Windows().GetWindowText(child, 200)});
    return true;
  });
  return children;
}

WindowHandle ChildWithText(WindowHandle parent, const std::wstring& text) {
  for (const Child& child : Children(parent)) {
    if (child.text.find(text) != std::wstring::npos) return child.handle;
  }
  return 0;
}

// cmd.exe started on a tool of the tool folder, not waited for.
platform::ProcessHandle StartTool(const std::wstring& commandLine) {
  auto process = platform::Current().processes().ShellExecuteEx(
      {L"runas", L"cmd.exe", L"/c " + commandLine, L"D:\\Tarnvik\\tool", platform::kSwHide});
  EXPECT_TRUE(process.has_value());
  return *process;
}

class SimWindowsTest : public testing::Test {
 protected:
  explicit SimWindowsTest(Json::Value machine = MachineWithUsbStick()) : machine_(machine) {
    PutWindowTools(machine_);
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\Uiso.iso", "image");
  }
  TempMachine machine_;
};

TEST_F(SimWindowsTest, TheIsoWriterWritesTheImageToTheDriveChosenInItsWindow) {
  machine_.WriteFile(L"E:\\old.txt", "what the image overwrites");
  platform::ProcessHandle writer = StartTool(L"iso.dll -ini Uiso.iso -writeusb");
  const WindowHandle window = AwaitWindow(L"TfrmUSBWrite", L"写入硬盘映像");
  ASSERT_NE(window, 0u);
  std::vector<Child> children = Children(window);
  ASSERT_EQ(children.size(), 7u);
  EXPECT_EQ(children[0].className, L"TComboBox");
  EXPECT_EQ(children[0].text, L"(E:) SanDisk Cruzer");
  EXPECT_EQ(children[1].text, L"无");
  EXPECT_EQ(children[2].text, L"USB-HDD+");
  const WindowHandle hideList = children[1].handle, methodList = children[2].handle;
  EXPECT_EQ(children[3].className, L"TStaticText");
  EXPECT_EQ(children[3].text, L"0.0%");
  EXPECT_EQ(Windows().GetClassName(children[0].handle, 4), L"TCo");  // cut to the buffer
  const WindowHandle stop = ChildWithText(window, L"终止");
  EXPECT_NE(Windows().GetWindowStyle(stop) & platform::kWsDisabled, 0u);

  // The combo-box messages: the method list takes index 4, the hide list a new item.
  EXPECT_EQ(Windows().SendMessage(methodList, platform::kCbGetCount, 0, 0), 6);
  EXPECT_EQ(Windows().SendMessage(methodList, platform::kCbSetCurSel, 4, 0), 4);
  EXPECT_EQ(Windows().SendMessage(methodList, platform::kCbSetCurSel, 9, 0), platform::kCbErr);
  EXPECT_EQ(Windows().SendMessage(methodList, platform::kCbSetCurSel, 4, 0), 4);
  const intptr_t added = Windows().SendMessage(hideList, platform::kCbAddString, 0, std::wstring(L"深度隐藏"));
  EXPECT_EQ(added, 3);
  Windows().SendMessage(hideList, platform::kCbSetCurSel, static_cast<uintptr_t>(added), 0);
  EXPECT_EQ(Windows().GetComboItemText(hideList, 3), L"深度隐藏");
  EXPECT_EQ(Windows().SendMessage(children[0].handle, platform::kCbFindString, 200, std::wstring(L"(e:")), 0);
  EXPECT_EQ(Windows().SendMessage(children[0].handle, platform::kCbFindString, 200, std::wstring(L"(F:")),
            platform::kCbErr);

  EXPECT_TRUE(Windows().ShowWindow(window, platform::kSwHide));
  EXPECT_FALSE(Windows().ShowWindow(window, platform::kSwHide));

  ASSERT_TRUE(Windows().PostMessage(ChildWithText(window, L"写入"), platform::kBmClick, 0, 0));
  const WindowHandle question = AwaitWindow(L"#32770", L"提示");
  ASSERT_NE(question, 0u);
  Windows().SendMessage(ChildWithText(question, L"是"), platform::kBmClick, 0, 0);
  EXPECT_FALSE(Windows().IsWindow(question));
  ASSERT_TRUE(AwaitTrue([&] { return Windows().GetWindowText(children[3].handle, 200) == L"100.0%"; }));
  ASSERT_TRUE(AwaitTrue([&] { return (Windows().GetWindowStyle(stop) & platform::kWsDisabled) != 0; }));

  Windows().SendMessage(window, platform::kWmClose, 0, 0);
  EXPECT_FALSE(Windows().IsWindow(window));
  platform::Current().processes().WaitForExit(writer);  // returns with the window closed
  std::vector<Json::Value> records = ReadStateLines(machine_, "isowriter.jsonl");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["command"], "write");
  EXPECT_EQ(records[0]["image"], "D:\\Tarnvik\\tool\\Uiso.iso");
  EXPECT_EQ(records[0]["drive"], "E");
  EXPECT_EQ(records[0]["method"], "USB-HDD+ v2");
  EXPECT_EQ(records[0]["hide"], "深度隐藏");
  EXPECT_EQ(records[0]["complete"], true);

  // The stick now holds the image's one partition: from sector 63, active, FAT32, E:, empty.
  const sim::Disk& stick = machine_.machine().config().disks.back();
  ASSERT_EQ(stick.partitions.size(), 1u);
  EXPECT_EQ(stick.style, "mbr");
  EXPECT_EQ(stick.partitions[0].offsetBytes, 63 * 512);
  EXPECT_EQ(stick.partitions[0].offsetBytes + stick.partitions[0].sizeBytes, stick.sizeBytes);
  EXPECT_TRUE(stick.partitions[0].active);
  EXPECT_EQ(stick.partitions[0].fileSystem, L"FAT32");
  EXPECT_EQ(stick.partitions[0].letter, L'E');
  EXPECT_FALSE(platform::Current().files().FileExists(L"E:\\old.txt"));
  EXPECT_TRUE(platform::Current().files().DirectoryExists(L"E:\\"));
}

TEST_F(SimWindowsTest, AWriterClosedWithoutWritingRecordsNothing) {
  platform::ProcessHandle writer = StartTool(L"iso.dll -ini Uiso.iso -writeusb");
  const WindowHandle window = AwaitWindow(L"TfrmUSBWrite", L"写入硬盘映像");
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(Windows().PostMessage(window, platform::kWmClose, 0, 0));
  platform::Current().processes().WaitForExit(writer);
  EXPECT_FALSE(Windows().IsWindow(window));
  EXPECT_TRUE(ReadStateLines(machine_, "isowriter.jsonl").empty());
}

class SimWindowsWithoutTheStickInTheWriterList : public SimWindowsTest {
 protected:
  static Json::Value Machine() {
    Json::Value m = MachineWithUsbStick();
    m["faults"]["isoWriterUnlistedLetters"].append("e");
    return m;
  }
  SimWindowsWithoutTheStickInTheWriterList() : SimWindowsTest(Machine()) {}
};

TEST_F(SimWindowsWithoutTheStickInTheWriterList, TheDriveListLacksTheLetter) {
  platform::ProcessHandle writer = StartTool(L"iso.dll -ini Uiso.iso -writeusb");
  const WindowHandle window = AwaitWindow(L"TfrmUSBWrite", L"写入硬盘映像");
  ASSERT_NE(window, 0u);
  const WindowHandle drives = Children(window)[0].handle;
  EXPECT_EQ(Windows().SendMessage(drives, platform::kCbGetCount, 0, 0), 0);
  EXPECT_EQ(Windows().GetWindowText(drives, 200), L"");
  Windows().SendMessage(window, platform::kWmClose, 0, 0);
  platform::Current().processes().WaitForExit(writer);
}

// A silent build that cannot be made says why on its output and in its record, ends with
// status 1 and leaves the image as it was. (Builds that succeed: tests/tools.)
TEST_F(SimWindowsTest, ASilentBuildThatFailsSaysWhyAndLeavesTheImage) {
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\kqd\\boot\\BCD", "store");
  // An ISO cut short: its volume descriptor is there, its directory tree is not.
  const std::filesystem::path broken = machine_.HostPath(L"D:\\Tarnvik\\tool\\Broken.iso");
  const std::filesystem::path good = machine_.HostPath(L"D:\\Tarnvik\\tool\\Good.iso");
  ASSERT_TRUE(testing_support::MakeIso(machine_.HostPath(L"D:\\Tarnvik\\tool\\kqd"), good));
  const auto goodSize = std::filesystem::file_size(good);
  std::filesystem::copy_file(good, broken);
  std::filesystem::resize_file(broken, 40000);
  struct Case {
    std::wstring commandLine;
    std::string says;
  };
  const Case cases[] = {
      {L"iso.dll -silent -in Uiso.iso -f kqd\\*", "D:\\Tarnvik\\tool\\Uiso.iso: not an ISO image"},
      {L"iso.dll -silent -in Missing.iso -f kqd\\*", "D:\\Tarnvik\\tool\\Missing.iso: no such image"},
      {L"iso.dll -silent -in Broken.iso -f kqd\\*", "xorriso could not add kqd\\* to D:\\Tarnvik\\tool\\Broken.iso (exit "},
      {L"iso.dll -silent -in Good.iso -f nope\\*", "D:\\Tarnvik\\tool\\nope: no such folder"},
      {L"iso.dll -silent -in Good.iso -f kqd\\*.sdi", "kqd\\*.sdi: no files match"},
  };
  for (const Case& c : cases) {
    platform::Current().processes().WaitForExit(StartTool(c.commandLine));
    const Json::Value end = ReadStateLines(machine_, "process-exits.jsonl").back();
    EXPECT_EQ(end["status"], 1);
    EXPECT_EQ(end["stdout"].asString().rfind("iso: " + c.says, 0), 0u) << end["stdout"];
    const Json::Value record = ReadStateLines(machine_, "isowriter.jsonl").back();
    EXPECT_EQ(record["command"], "build");
    EXPECT_EQ(record["complete"], false);
    EXPECT_EQ(record["error"].asString().rfind(c.says, 0), 0u) << record["error"];
  }
  EXPECT_EQ(ReadStateLines(machine_, "isowriter.jsonl").size(), std::size(cases));
  std::ifstream image(machine_.HostPath(L"D:\\Tarnvik\\tool\\Uiso.iso"));
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(image), {}) == "image") << "the image was changed";
  EXPECT_EQ(std::filesystem::file_size(broken), 40000u);
  EXPECT_EQ(std::filesystem::file_size(good), goodSize);
  for (const auto& entry : std::filesystem::directory_iterator(broken.parent_path())) {
    EXPECT_NE(entry.path().extension(), ".building") << "a half-built image is left";
  }
}

TEST_F(SimWindowsTest, TheBootStoreEditorSavesTheDiskAndPartitionChosenWithTheKeyboard) {
  platform::ProcessHandle editor = StartTool(L"bootice.exe /edit_bcd /easymode /file=kqd\\boot\\bcd");
  const WindowHandle dialog = AwaitWindow(L"#32770", L"BCD (Boot Configuration Data) 编辑");
  ASSERT_NE(dialog, 0u);
  std::vector<Child> children = Children(dialog);
  ASSERT_EQ(children.size(), 7u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(children[i].className, L"ComboBox");
  const WindowHandle disks = children[1].handle, partitions = children[2].handle;
  EXPECT_EQ(Windows().SendMessage(disks, platform::kCbGetCount, 0, 0), 3);
  EXPECT_EQ(Windows().GetComboItemText(disks, 2), L"rm2: SanDisk Cruzer");
  EXPECT_EQ(Windows().GetWindowText(partitions, 200), L"1:(C:)");
  const intptr_t stick = Windows().SendMessage(disks, platform::kCbFindString, 200, std::wstring(L"rm2:"));
  EXPECT_EQ(stick, 2);

  // CB_SETCURSEL is no choice of the user; the arrow key is.
  Windows().SendMessage(disks, platform::kCbSetCurSel, 1, 0);
  EXPECT_EQ(Windows().GetWindowText(partitions, 200), L"1:(C:)");
  Windows().SendMessage(disks, platform::kWmSetFocus, 0, 0);
  Windows().SendMessage(disks, platform::kWmKeyDown, platform::kVkDown, 0);
  Windows().SendMessage(disks, platform::kWmKeyUp, platform::kVkDown, 0);
  EXPECT_EQ(Windows().SendMessage(disks, platform::kCbGetCurSel, 0, 0), 2);
  EXPECT_EQ(Windows().SendMessage(partitions, platform::kCbGetCount, 0, 0), 2);
  EXPECT_EQ(Windows().GetWindowText(partitions, 200), L"1:(E:)");
  Windows().SendMessage(partitions, platform::kWmKeyDown, platform::kVkDown, 0);
  EXPECT_EQ(Windows().GetWindowText(partitions, 200), L"2:");

  ASSERT_TRUE(Windows().PostMessage(ChildWithText(dialog, L"保存当前系统设置"), platform::kBmClick, 0, 0));
  const WindowHandle confirmation = AwaitWindow(L"#32770", L"*_*");
  ASSERT_NE(confirmation, 0u);
  EXPECT_NE(ChildWithText(confirmation, L"确定"), 0u);
  Windows().SendMessage(confirmation, platform::kWmClose, 0, 0);
  EXPECT_FALSE(Windows().IsWindow(confirmation));
  Windows().SendMessage(ChildWithText(dialog, L"关闭"), platform::kBmClick, 0, 0);
  platform::Current().processes().WaitForExit(editor);
  EXPECT_FALSE(Windows().IsWindow(dialog));
  std::vector<Json::Value> records = ReadStateLines(machine_, "bootice.jsonl");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["command"], "edit_bcd");
  EXPECT_EQ(records[0]["store"], "D:\\Tarnvik\\tool\\kqd\\boot\\bcd");
  EXPECT_EQ(records[0]["disk"], 2);
  EXPECT_EQ(records[0]["partition"], 2);
}

TEST_F(SimWindowsTest, TheEditorRecordsTheFirstPartitionOfItsCommandLine) {
  platform::Current().processes().WaitForExit(StartTool(L"bootice.exe /device=2:0 /partitions /firstpart=2"));
  std::vector<Json::Value> records = ReadStateLines(machine_, "bootice.jsonl");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["command"], "firstpart");
  EXPECT_EQ(records[0]["disk"], 2);
  EXPECT_EQ(records[0]["partition"], 2);
}

class SimWindowsFaultyEditor : public SimWindowsTest {
 protected:
  static Json::Value Machine() {
    Json::Value m = MachineWithUsbStick();
    m["faults"]["booticeNoEditor"] = true;
    m["faults"]["booticeUnlistedDisks"].append(2);
    return m;
  }
  SimWindowsFaultyEditor() : SimWindowsTest(Machine()) {}
};

TEST_F(SimWindowsFaultyEditor, AnEditorThatNeverOpensEndsAtOnce) {
  platform::Current().processes().WaitForExit(StartTool(L"bootice.exe /edit_bcd /easymode /file=kqd\\boot\\bcd"));
  EXPECT_EQ(Windows().FindWindow(L"#32770", L"BCD (Boot Configuration Data) 编辑"), 0u);
  EXPECT_TRUE(ReadStateLines(machine_, "bootice.jsonl").empty());
}

TEST(SimWindows, AnOpenToolEndsWithTheMachine) {
  std::optional<platform::ProcessHandle> writer;
  {
    TempMachine machine(MachineWithUsbStick());
    PutWindowTools(machine);
    machine.WriteFile(L"D:\\Tarnvik\\tool\\Uiso.iso", "image");
    writer = StartTool(L"iso.dll -ini Uiso.iso -writeusb");
    ASSERT_NE(AwaitWindow(L"TfrmUSBWrite", L"写入硬盘映像"), 0u);
  }  // the machine goes with the writer open: its run ends, and nothing waits forever
}

}  // namespace
