// INI profile strings on the simulated machine, as the system's writer and reader keep them.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "support/temp_machine.h"

namespace {

using testing_support::TempMachine;

std::string HostBytes(TempMachine& m, const std::wstring& path) {
  std::ifstream in(m.HostPath(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

platform::Profiles& Profiles() { return platform::Current().profiles(); }

TEST(SimProfiles, WriterCreatesAnAnsiFileWithCrLfLines) {
  TempMachine m;
  ASSERT_TRUE(Profiles().WriteString(L"do", L"K", L"xirpelquat583920", L"D:\\Config.ini"));
  ASSERT_TRUE(Profiles().WriteString(L"do", L"BP", L"备份 D:\\beifenshuju", L"D:\\Config.ini"));
  EXPECT_EQ(HostBytes(m, L"D:\\Config.ini"),
            "[do]\r\nK=xirpelquat583920\r\nBP=" + platform::WideToCodePage936(L"备份 D:\\beifenshuju") + "\r\n");
}

TEST(SimProfiles, WriterKeepsOtherLinesAndAddsKeysAtTheEndOfTheirSection) {
  TempMachine m;
  m.WriteFile(L"C:\\boot.ini",
              "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n\r\n"
              "[operating systems]\r\n; kept\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n");
  ASSERT_TRUE(Profiles().WriteString(L"Boot Loader", L"TIMEOUT", L"5", L"c:\\BOOT.INI"));
  ASSERT_TRUE(Profiles().WriteString(L"boot loader", L"extra", L"1", L"C:\\boot.ini"));
  ASSERT_TRUE(Profiles().WriteString(L"operating systems", L"C:\\grldr", L"\"Tarnvik\"", L"C:\\boot.ini"));
  ASSERT_TRUE(Profiles().WriteString(L"new", L"a", L"b", L"C:\\boot.ini"));
  EXPECT_EQ(HostBytes(m, L"C:\\boot.ini"),
            "[boot loader]\r\nTIMEOUT=5\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\nextra=1\r\n\r\n"
            "[operating systems]\r\n; kept\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n"
            "C:\\grldr=\"Tarnvik\"\r\n[new]\r\na=b\r\n");
}

TEST(SimProfiles, ReaderFindsValuesWithoutCaseAndFallsBackToTheDefault) {
  TempMachine m;
  m.WriteFile(L"D:\\Config.ini", "[Do]\r\n  K =  xirpel  \r\nQ=\"quoted value\"\r\nGBK=" +
                                     platform::WideToCodePage936(L"中文") + "\r\n[other]\r\nZ=1\r\n");
  const std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> cases = {
      {L"do", L"k", L"xirpel"},          {L"DO", L"Q", L"quoted value"}, {L"do", L"GBK", L"中文"},
      {L"do", L"Z", L"(default)"},       {L"missing", L"K", L"(default)"}, {L"other", L"z", L"1"},
  };
  for (const auto& [section, key, value] : cases) {
    EXPECT_EQ(Profiles().ReadString(section, key, L"(default)", L"D:\\Config.ini"), value)
        << platform::WideToUtf8(section + L"/" + key);
  }
  EXPECT_EQ(Profiles().ReadString(L"do", L"K", L"none", L"D:\\Missing.ini"), L"none");
}

TEST(SimProfiles, WritingTwiceReplacesAndAReadOnlyFileIsRefused) {
  TempMachine m;
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(Profiles().WriteString(L"operating systems", L"C:\\grldr", L"PRLM-10PE-1.0", L"C:\\boot.ini"));
    ASSERT_TRUE(Profiles().WriteString(L"operating systems", L"C:\\jszc", L"support", L"C:\\boot.ini"));
  }
  const std::string once = "[operating systems]\r\nC:\\grldr=PRLM-10PE-1.0\r\nC:\\jszc=support\r\n";
  EXPECT_EQ(HostBytes(m, L"C:\\boot.ini"), once);

  auto& files = platform::Current().files();
  files.SetFileAttributes(L"C:\\boot.ini", platform::kFileAttributeHidden | platform::kFileAttributeSystem);
  EXPECT_TRUE(Profiles().WriteString(L"boot loader", L"timeout", L"10", L"C:\\boot.ini"));  // hidden is no obstacle
  files.SetFileAttributes(L"C:\\boot.ini", platform::kFileAttributeReadOnly);
  EXPECT_FALSE(Profiles().WriteString(L"boot loader", L"default", L"C:\\grldr", L"C:\\boot.ini"));
  EXPECT_EQ(HostBytes(m, L"C:\\boot.ini"), once + "[boot loader]\r\ntimeout=10\r\n");
}

TEST(SimProfiles, WriterFailsWhereNoFileCanBe) {
  TempMachine m;
  EXPECT_FALSE(Profiles().WriteString(L"do", L"K", L"v", L"D:\\no such folder\\Config.ini"));
  EXPECT_FALSE(Profiles().WriteString(L"do", L"K", L"v", L"Q:\\Config.ini"));
  m.WriteFile(L"D:\\Tarnvik\\Tarnvik.exe", "");
  EXPECT_FALSE(Profiles().WriteString(L"do", L"K", L"v", L"D:\\Tarnvik"));  // a folder
}

}  // namespace
