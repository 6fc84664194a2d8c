// The drivers of the tools worked through their windows, on a machine with a USB stick
// whose iso.dll and bootice.exe are the simulated window applications: the command lines
// they start, the trace they print, what the tools record, and how they end when the
// tool's list lacks the stick, the tool never shows its window, or the make is abandoned.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "platform/codepage.h"
#include "support/logged_platform.h"
#include "support/state_records.h"
#include "support/usb_stick_machine.h"
#include "usbmaker/bcd_store_command.h"
#include "usbmaker/bootice_editor.h"
#include "usbmaker/iso_writer.h"
#include "usbmaker/partition_first.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_driver_timing.h"

namespace {

using namespace std::chrono_literals;
using testing_support::LoggedPlatform;
using testing_support::MachineWithUsbStick;
using testing_support::PutWindowTools;
using testing_support::ReadStateLines;
using testing_support::TempMachine;

const wchar_t kEditorTitle[] = L"BCD (Boot Configuration Data) 编辑";

Json::Value WithFault(const char* fault, const Json::Value& value) {
  Json::Value m = MachineWithUsbStick();
  m["faults"][fault] = value;
  return m;
}

class ToolDriversTest : public testing::Test {
 protected:
  explicit ToolDriversTest(const Json::Value& machine = MachineWithUsbStick()) : machine_(machine), logged_(machine_.machine()) {
    PutWindowTools(machine_);
    machine_.WriteFile(L"D:\\Tarnvik\\tool\\Uiso.iso", "image");
    CGlobalParam::Instance();
    toolAbort = false;
    toolDriverTiming = ToolDriverTiming{2ms, 20s, 1ms, 1ms, 5ms, 5ms};
  }
  ~ToolDriversTest() override {
    toolAbort = false;
    toolDriverTiming = ToolDriverTiming{};
    CGlobalParam::Release();
  }

  // The command lines of the programs cmd.exe started, in order.
  std::vector<std::string> ToolCommands() {
    std::vector<std::string> commands;
    for (const Json::Value& start : ReadStateLines(machine_, "processes.jsonl")) {
      if (!start["parent"].isNull()) {
        commands.push_back(start["program"].asString().substr(start["program"].asString().rfind('\\') + 1) +
                           start["commandLine"].asString());
      }
    }
    return commands;
  }
  std::string Log() { return logged_.Log(); }
  static std::string Narrow(const char* utf8) { return Utf8ToAnsi(utf8); }

  TempMachine machine_;
  LoggedPlatform logged_;
  platform::ScopedPlatform installed_{logged_};
};

TEST_F(ToolDriversTest, TheWriterWritesTheImageToTheStickHidden) {
  EXPECT_TRUE(WriteImageWithIsoWriter(L'E'));
  EXPECT_EQ(ToolCommands(), std::vector<std::string>{"iso.dll -ini Uiso.iso -writeusb"});
  const std::vector<Json::Value> records = ReadStateLines(machine_, "isowriter.jsonl");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["image"], "D:\\Tarnvik\\tool\\Uiso.iso");
  EXPECT_EQ(records[0]["drive"], "E");
  EXPECT_EQ(records[0]["method"], "USB-HDD+ v2");
  EXPECT_EQ(records[0]["hide"], "深度隐藏");
  EXPECT_EQ(records[0]["complete"], true);
  EXPECT_EQ(Log(), "b1\nstart write \n");
  EXPECT_EQ(platform::Current().windows().FindWindow(L"TfrmUSBWrite", L"写入硬盘映像"), 0u);
}

TEST_F(ToolDriversTest, AMissingBootImageIsBuiltFirst) {
  ASSERT_TRUE(platform::Current().files().RemoveFile(L"D:\\Tarnvik\\tool\\Uiso.iso"));
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\Uiso.bak", "image");
  EXPECT_TRUE(WriteImageWithIsoWriter(L'E'));
  const std::vector<std::string> commands = ToolCommands();
  ASSERT_EQ(commands.size(), 3u);  // 7z.exe is not on this machine: its start is recorded as failed
  EXPECT_EQ(commands[0], "7z.exe x Udata.bak -y -aos -okqd");
  EXPECT_EQ(commands[1], "iso.dll -silent -in Uiso.iso -f kqd\\*");
  EXPECT_EQ(commands[2], "iso.dll -ini Uiso.iso -writeusb");
  EXPECT_EQ(ReadStateLines(machine_, "isowriter.jsonl")[0]["command"], "build");
}

TEST_F(ToolDriversTest, WithoutIsoDllNothingStarts) {
  ASSERT_TRUE(platform::Current().files().RemoveFile(L"D:\\Tarnvik\\tool\\iso.dll"));
  EXPECT_FALSE(WriteImageWithIsoWriter(L'E'));
  EXPECT_EQ(Log(), "not find iso.dll file\r\n");
  EXPECT_TRUE(ToolCommands().empty());
}

TEST_F(ToolDriversTest, TheEditorPointsBothStoresAtTheStick) {
  EXPECT_TRUE(EditBcdWithBootice(L'E', 2));
  EXPECT_EQ(ToolCommands(), (std::vector<std::string>{"bootice.exe /edit_bcd /easymode /file=kqd\\boot\\bcd",
                                                      "bootice.exe /edit_bcd /easymode /file=kqd\\efi\\microsoft\\boot\\bcd"}));
  const std::vector<Json::Value> records = ReadStateLines(machine_, "bootice.jsonl");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["store"], "D:\\Tarnvik\\tool\\kqd\\boot\\bcd");
  EXPECT_EQ(records[1]["store"], "D:\\Tarnvik\\tool\\kqd\\efi\\microsoft\\boot\\bcd");
  for (const Json::Value& record : records) {
    EXPECT_EQ(record["disk"], 2);
    EXPECT_EQ(record["partition"], 1);  // "3:(" added below the stick's two, then up twice
  }
  const std::string log = Log();
  EXPECT_EQ(log.rfind("parame inited\nfinding Iso-E\nfindIso-E\nc--", 0), 0u) << log;
  for (const char* line : {"启动盘", "\n--启动分区--\n", "--Find保存\n", "--Find关闭\n", "--Find确定\n", "b-rm2:\nb3\n",
                           "waitA--ok?ok--", "\n----ok set---\n--关闭\n\n----rm2:-----\n"}) {
    EXPECT_NE(log.find(Narrow(line)), std::string::npos) << line;
  }
  EXPECT_EQ(platform::Current().windows().FindWindow(L"#32770", kEditorTitle), 0u);
}

TEST(BcdStoreCommand, EditsBothStoresInOneChain) {
  const std::wstring command = BuildBcdStoreCommand(L'E');
  ASSERT_EQ(command.rfind(L"/c ", 0), 0u);
  std::vector<std::wstring> parts;
  std::wstringstream chain(command.substr(3));
  for (std::wstring part; std::getline(chain, part, L'&');) {
    parts.push_back(part.substr(part.find_first_not_of(L" \t"), part.find_last_not_of(L" \t") - part.find_first_not_of(L" \t") + 1));
  }
  const std::wstring bios = L"bcdedit.dll /store kqd\\boot\\BCD", uefi = L"bcdedit.dll /store kqd\\efi\\microsoft\\boot\\BCD";
  const std::wstring biosEntry = bios + L" /set {E2F00EF7-AF5F-48D4-99A2-7B1C6F57E63D} ";
  const std::wstring uefiEntry = uefi + L" /set {2b27e930-f7ab-11df-aeb8-c641fe7f0057} ";
  const std::wstring ramdisk = L"ramdisk=[E:]\\boot\\WEPE64.WIM,{ramdiskoptions}";
  EXPECT_EQ(parts, (std::vector<std::wstring>{
                       bios + L" /timeout 1", bios + L" /set {bootmgr} locale zh-cn",
                       biosEntry + L"device     " + ramdisk, biosEntry + L"osdevice   " + ramdisk,
                       biosEntry + L"systemroot              \\WINDOWS", biosEntry + L"detecthal               Yes",
                       biosEntry + L"winpe                   Yes", uefi + L" /timeout 0",
                       uefiEntry + L"device     " + ramdisk, uefiEntry + L"osdevice   " + ramdisk,
                       uefiEntry + L"systemroot              \\WINDOWS", uefiEntry + L"nx                      OptIn",
                       uefiEntry + L"pae                     ForceEnable", uefiEntry + L"detecthal               Yes",
                       uefiEntry + L"winpe                   Yes"}));
}

class FaultyTools : public ToolDriversTest {
 protected:
  explicit FaultyTools(const Json::Value& machine) : ToolDriversTest(machine) {}
};

class WriterListWithoutE : public FaultyTools {
 protected:
  WriterListWithoutE() : FaultyTools([] {
    Json::Value letters(Json::arrayValue);
    letters.append("E");
    return WithFault("isoWriterUnlistedLetters", letters);
  }()) {}
};

// The machine's writer leaves E: out: its drive list is empty.
TEST_F(WriterListWithoutE, NothingIsWrittenAndTheWriterCloses) {
  EXPECT_FALSE(WriteImageWithIsoWriter(L'E'));
  EXPECT_EQ(Log(), "failed write \n");
  EXPECT_TRUE(ReadStateLines(machine_, "isowriter.jsonl").empty());
}

class EditorWithoutTheStick : public FaultyTools {
 protected:
  EditorWithoutTheStick() : FaultyTools([] {
    Json::Value disks(Json::arrayValue);
    disks.append(2);
    return WithFault("booticeUnlistedDisks", disks);
  }()) {}
};

TEST_F(EditorWithoutTheStick, TheEditorIsClosedUnsavedAndTheSecondStoreLeft) {
  EXPECT_FALSE(EditBcdWithBootice(L'E', 2));  // returns: the hidden editor does not stay open
  EXPECT_EQ(ToolCommands().size(), 1u);
  EXPECT_TRUE(ReadStateLines(machine_, "bootice.jsonl").empty());
  const std::string log = Log();
  EXPECT_NE(log.find("b-rm2:\n" + Narrow("--关闭\n") + "\n----rm2:-----\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("b3\n"), std::string::npos);
  EXPECT_EQ(platform::Current().windows().FindWindow(L"#32770", kEditorTitle), 0u);
}

class EditorThatNeverOpens : public FaultyTools {
 protected:
  EditorThatNeverOpens() : FaultyTools(WithFault("booticeNoEditor", true)) {}
};

TEST_F(EditorThatNeverOpens, FailsOnceTheToolHasEnded) {
  toolDriverTiming.windowBound = 600s;  // the end of the tool, not the bound, ends the wait
  EXPECT_FALSE(EditBcdWithBootice(L'E', 2));
  EXPECT_EQ(ToolCommands().size(), 1u);
  EXPECT_EQ(Log(), "parame inited\nfinding Iso-E\n");
}

// A tool that runs a while without ever showing its window.
const char kSilentTool[] = "#!/bin/sh\nsleep 0.4\n";

TEST_F(ToolDriversTest, ToolAbortDuringAWindowPollEndsTheStepAndStartsNothingMore) {
  struct Case {
    const char* what;
    const wchar_t* tool;
    std::function<bool()> step;
  };
  const Case cases[] = {
      {"writer", L"D:\\Tarnvik\\tool\\iso.dll", [] { return WriteImageWithIsoWriter(L'E'); }},
      {"editor", L"D:\\Tarnvik\\tool\\bootice.exe", [] { return EditBcdWithBootice(L'E', 2); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_.WriteFile(c.tool, kSilentTool);
    toolAbort = false;
    const size_t before = ToolCommands().size();
    std::thread abandon([] {
      std::this_thread::sleep_for(50ms);
      toolAbort = true;
    });
    EXPECT_FALSE(c.step());
    abandon.join();
    EXPECT_EQ(ToolCommands().size(), before + 1);
    EXPECT_FALSE(MakePartitionFirst(2, true));  // Gdisk finds nothing; no bootice with the flag set
    EXPECT_EQ(ToolCommands().size(), before + 2);
  }
}

TEST_F(ToolDriversTest, ToolAbortDuringTheWriteClosesTheWriter) {
  std::thread abandon([] {
    platform::Windows& windows = platform::Current().windows();
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
      platform::WindowHandle writer = windows.FindWindow(L"TfrmUSBWrite", L"写入硬盘映像");
      bool writing = false;
      windows.EnumChildWindows(writer, [&](platform::WindowHandle child) {
        if (windows.GetWindowText(child, 200) == L"终止") writing = !(windows.GetWindowStyle(child) & platform::kWsDisabled);
        return true;
      });
      if (writing) break;
      std::this_thread::sleep_for(1ms);
    }
    toolAbort = true;
  });
  EXPECT_FALSE(WriteImageWithIsoWriter(L'E'));
  abandon.join();
  EXPECT_TRUE(ReadStateLines(machine_, "isowriter.jsonl").empty());  // closed before the write ended
  EXPECT_EQ(platform::Current().windows().FindWindow(L"TfrmUSBWrite", L"写入硬盘映像"), 0u);
}

// Gdisk.exe lists the stick with the partition that carries E:, the one bootice.exe last
// put first (the first one before any).
const char kGdisk[] =
    "#!/bin/sh\n"
    "p=1; f=\"$TARNVIK_MACHINE/state/bootice.jsonl\"\n"
    "[ -f \"$f\" ] && p=$(tail -n 1 \"$f\" | sed 's/.*\"partition\":\\([0-9]*\\).*/\\1/')\n"
    "[ \"$p\" -gt 2 ] && p=1\n"
    "echo \"Disk $1 has 2 partitions\"\n"
    "echo \"E: $p FAT32\"\n";

TEST_F(ToolDriversTest, APartitionIsPutFirstUntilItCarriesTheLetter) {
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\Gdisk.exe", kGdisk);
  EXPECT_TRUE(IsPartitionFirst(2, false));
  EXPECT_FALSE(IsPartitionFirst(2, true));
  EXPECT_TRUE(MakePartitionFirst(2, false));  // already visible: no bootice
  EXPECT_EQ(ToolCommands(), std::vector<std::string>(3, "Gdisk.exe 3 "));
  EXPECT_TRUE(MakePartitionFirst(2, true));
  std::vector<std::string> commands = ToolCommands();
  commands.erase(commands.begin(), commands.begin() + 3);
  EXPECT_EQ(commands, (std::vector<std::string>{"Gdisk.exe 3 ", "bootice.exe /device=2:0 /partitions /firstpart=1",
                                                "Gdisk.exe 3 ", "bootice.exe /device=2:0 /partitions /firstpart=2",
                                                "Gdisk.exe 3 "}));
  EXPECT_NE(Log().find("/c Gdisk.exe 3 >disk.log\n"), std::string::npos);
}

TEST_F(ToolDriversTest, NoPartitionCarriesTheLetterAfterFourTries) {
  machine_.WriteFile(L"D:\\Tarnvik\\tool\\Gdisk.exe", "#!/bin/sh\necho \"E: 3 NTFS\"\n");
  EXPECT_FALSE(MakePartitionFirst(2, false));
  EXPECT_EQ(ReadStateLines(machine_, "bootice.jsonl").size(), 4u);
}

}  // namespace
