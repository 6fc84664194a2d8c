// The hand-off files in the drive roots: ghostPe.In, the backup path in Config.ini, and
// the removal of stale Config.ini copies.

#include "reinstall/pe_handoff.h"

#include <gtest/gtest.h>

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "install_machine.h"

namespace {

using install_testing::ApplyFileCommand;
using install_testing::DescribeStarts;
using install_testing::InstallMachineJson;
using install_testing::RecordedMachine;

constexpr char kOlder[] = "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\older.gho\r\n";

TEST(WriteGhostHandoff, ReplacesAnOlderGhostPeInInTheRootAndNamesThePreparedImage) {
  RecordedMachine m(InstallMachineJson("gpt"));
  m.machine().WriteFile(L"C:\\ghostPe.In", kOlder);
  m.recorder().onStart = ApplyFileCommand;
  EXPECT_TRUE(WriteGhostHandoff(L'C', L"D:\\Tarnvik\\tool\\ghost.gho")) << m.recorder().Log();
  EXPECT_EQ(m.HostText(L"C:\\ghostPe.In"), "[ini]\r\nghost=D:\\Tarnvik\\tool\\ghost.gho\r\n");
  EXPECT_EQ(m.HostText(L"D:\\Tarnvik\\ghostPe.In"), "(missing)");  // moved, not copied
  const std::vector<std::wstring> expected = {
      L"runas|cmd.exe|/c attrib -s -r -h \"C:\\ghostPe.In\"|",
      L"runas|cmd.exe|/c del /q \"C:\\ghostPe.In\"|",
      L"runas|cmd.exe|/c move /Y \"D:\\Tarnvik\\ghostPe.In\" C:\\ghostPe.In|",
      L"runas|cmd.exe|/c attrib +s +r +h C:\\ghostPe.In|",
  };
  EXPECT_EQ(DescribeStarts(m.recorder()), expected);
}

TEST(WriteGhostHandoff, AnOlderFileThatCouldNotBeReplacedFailsTheHandoff) {
  RecordedMachine m(InstallMachineJson("gpt"));
  m.machine().WriteFile(L"C:\\ghostPe.In", kOlder);  // the delete and the move do nothing
  EXPECT_FALSE(WriteGhostHandoff(L'C', L"d:\\tarnvik\\gho-prlm\\win10.gho"));
  EXPECT_NE(m.recorder().Log().find("C:\\ghostPe.In names d:\\tarnvik\\gho-prlm\\older.gho, not "
                                    "d:\\tarnvik\\gho-prlm\\win10.gho: the older file was not replaced\n"),
            std::string::npos)
      << m.recorder().Log();
}

TEST(WriteGhostHandoff, NoFileInTheRootAfterTheMoveFails) {
  RecordedMachine m(InstallMachineJson("gpt"));
  EXPECT_FALSE(WriteGhostHandoff(L'C', L"d:\\tarnvik\\gho-prlm\\win10.gho"));
  EXPECT_EQ(m.recorder().Log(), "missing after the step: C:\\ghostPe.In\n");
}

TEST(WriteBackupPathHandoff, WritesTheEncryptedFolderIntoConfigIni) {
  RecordedMachine m(InstallMachineJson("gpt"));
  WriteBackupPathHandoff(L"E:\\beifenshuju\\桌面");
  const std::wstring bp = platform::Current().profiles().ReadString(L"do", L"BP", L"", L"D:\\Config.ini");
  EXPECT_EQ(LocalToWide(DecryptString(WideToLocal(bp), kStatsKey)), L"E:\\beifenshuju\\桌面");
}

TEST(CleanStaleConfigIni, KeepsTheOneOnTheProgramDriveAndRemovesThoseOfOtherFixedDrives) {
  Json::Value machine = InstallMachineJson("gpt");
  Json::Value data = machine["disks"][1];
  data["number"] = 5;
  data["partitions"][0]["letter"] = "E";
  machine["disks"].append(data);
  Json::Value stick = data;
  stick["number"] = 6;
  stick["bus"] = "usb";
  stick["removableMedia"] = true;
  stick["partitions"][0]["letter"] = "F";
  machine["disks"].append(stick);
  RecordedMachine m(machine);
  for (const wchar_t* path : {L"C:\\Config.ini", L"D:\\Config.ini", L"E:\\Config.ini", L"F:\\Config.ini"}) {
    m.machine().WriteFile(path, "[do]\r\nK=x\r\n");
  }
  CleanStaleConfigIni();
  EXPECT_EQ(m.HostText(L"C:\\Config.ini"), "(missing)");
  EXPECT_EQ(m.HostText(L"D:\\Config.ini"), "[do]\r\nK=x\r\n");
  EXPECT_EQ(m.HostText(L"E:\\Config.ini"), "(missing)");
  EXPECT_EQ(m.HostText(L"F:\\Config.ini"), "[do]\r\nK=x\r\n");  // a removable drive is left alone
}

}  // namespace
