// The commands the install runs on each boot path, compared whole (tabs and double blanks
// included), and what the XP path leaves in boot.ini.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/pe_component.h"
#include "install_machine.h"
#include "reinstall/boot_store_entries.h"
#include "reinstall/install_core.h"
#include "reinstall/legacy_boot_entries.h"

namespace {

using install_testing::ApplyFileCommand;
using install_testing::DescribeStarts;
using install_testing::InstallMachineJson;
using install_testing::LayProgramFiles;
using install_testing::RecordedMachine;

const std::wstring kTool = L"D:\\Tarnvik\\tool";
const std::wstring kPeId = L"{ba50c1f0-3752-11de-90d5-cdf8d52a3200}";
const std::wstring kSupportId = L"{ba50c1f0-3752-11de-90d5-cdf8d52a3211}";

std::wstring Cmd(const std::wstring& verb, const std::wstring& parameters, const std::wstring& folder = L"") {
  return verb + L"|cmd.exe|" + parameters + L"|" + folder;
}

std::wstring SupportEntryCommand() {
  const std::wstring e = L"bcdedit.dll", id = kSupportId;
  return L"/c " + e + L"  /delete " + id + L"&\t\t\t" + e + L" /create " + id +
         L" /d Tarnvik-Support /application bootsector&\t\t\t" + e + L" /set  " + id + L" device partition=C:&\t\t\t" +
         e + L" /set  " + id + L" path \\jszc&\t\t\t" + e + L" /displayorder " + id + L" /addlast";
}

std::wstring PeEntryCommand(const std::wstring& loader) {
  const std::wstring e = L"bcdedit.dll", id = kPeId, wim = L"[D:]\\Tarnvik\\PE\\WEPE64.WIM,{ramdiskoptions}";
  return L"/c " + e + L" /delete  {ramdiskoptions} /f&" + e + L" /create  {ramdiskoptions}&" + e +
         L" /set   {ramdiskoptions} ramdisksdidevice partition=C:&" + e +
         L" /set  {ramdiskoptions} ramdisksdipath  \\SDone.SDI&" + e + L"  /delete " + id + L"&" + e + L"  /create " +
         id + L" /d PRLM-10PE-1.0 /application osloader&" + e + L"  /set  " + id + L" device ramdisk=" + wim + L"&" +
         e + L"  /set  " + id + L" path \\windows\\system32\\boot\\" + loader + L"&" + e + L"  /set  " + id +
         L" osdevice ramdisk=" + wim + L"&" + e + L"  /set  " + id + L" systemroot \\windows&" + e + L"  /set  " + id +
         L" detecthal Yes&" + e + L"  /set  " + id + L" winpe Yes&" + e + L"  /displayorder " + id + L" /addlast&" + e +
         L"  /set {bootmgr} timeout 10&" + e + L" /default " + id;
}

// The removal of a protected file, then the copy or move that replaces it and the
// attributes it is given.
std::vector<std::wstring> ReplaceRootFile(const std::wstring& verb, const std::wstring& target,
                                          const std::wstring& placing) {
  return {Cmd(verb, L"/c attrib -s -r -h \"" + target + L"\""), Cmd(verb, L"/c del /q \"" + target + L"\""),
          Cmd(verb, placing), Cmd(verb, L"/c attrib +s +r +h " + target)};
}

void Append(std::vector<std::wstring>& to, const std::vector<std::wstring>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

std::vector<std::wstring> RamdiskPathCommands(const std::wstring& loader) {
  const std::wstring runas = L"runas";
  std::vector<std::wstring> expected = {Cmd(runas, SupportEntryCommand(), kTool),
                                        L"runas|D:\\Tarnvik\\tool\\7z.exe|e D:\\Tarnvik\\PE\\WEPE64.iso "
                                        L"-oD:\\Tarnvik\\PE WEPE\\WEPE64.WIM|"};
  Append(expected,
         ReplaceRootFile(runas, L"C:\\SDone.SDI", L"/c copy /y \"D:\\Tarnvik\\PE\\SDone.SDI\" C:\\SDone.SDI"));
  expected.push_back(Cmd(runas, PeEntryCommand(loader), kTool));
  Append(expected, ReplaceRootFile(runas, L"C:\\ghostPe.In", L"/c move /Y \"D:\\Tarnvik\\ghostPe.In\" C:\\ghostPe.In"));
  return expected;
}

class BootCommandsTest : public testing::Test {
 protected:
  // Runs the install of a .gho with the WinPE component in place; the WIM is extracted
  // by the 7z run.
  InstallOutcome Install(RecordedMachine& m, platform::OsVersion version) {
    LayProgramFiles(m.machine());
    auto& recorder = m.recorder();
    recorder.version = version;
    recorder.driveTypes = {{L"C:", platform::kDriveFixed}, {L"D:", platform::kDriveFixed}};
    recorder.onStart = [&m](const platform::ShellExecuteRequest& r) {
      if (r.file == L"D:\\Tarnvik\\tool\\7z.exe") m.machine().WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", "wim");
      return ApplyFileCommand(r);
    };
    EXPECT_TRUE(SetPeComponentPaths(L"D:\\Tarnvik\\PE\\WEPE64.iso"));
    return InstallCore(L'C', L"D:\\Tarnvik\\gho-prlm\\Win10_X64.GHO");
  }
};

TEST_F(BootCommandsTest, GptRunsTheStoreCommandsWithWinloadEfiAndReplacesTheEfiBootManager) {
  RecordedMachine m(InstallMachineJson("gpt"));
  InstallOutcome outcome = Install(m, {10, 0, 19045});
  EXPECT_TRUE(outcome.ok()) << m.recorder().Log();
  EXPECT_EQ(outcome.preparedImage, L"d:\\tarnvik\\gho-prlm\\win10_x64.gho");
  EXPECT_EQ(DescribeStarts(m.recorder()), RamdiskPathCommands(L"winload.efi"));
  // The EFI system partition (disk 0, partition 1) under the first free letter.
  auto mappings = m.recorder().DosDeviceCalls();
  ASSERT_EQ(mappings.size(), 2u);
  EXPECT_EQ(mappings[0].flags, platform::kDddRawTargetPath);
  EXPECT_EQ(mappings[0].name, L"E:");
  EXPECT_EQ(mappings[0].target, std::optional<std::wstring>(L"\\device\\Harddisk0\\Partition1"));
  EXPECT_EQ(mappings[1].flags, platform::kDddRemoveDefinition);
  EXPECT_EQ(mappings[1].target, std::nullopt);
  EXPECT_NE(m.recorder().Log().find("find zu Div=E:\r\n"), std::string::npos);
  EXPECT_EQ(m.HostText(L"C:\\jszc"), "jszc");
  EXPECT_EQ(m.HostText(L"C:\\SDone.SDI"), "sdi");
  EXPECT_EQ(m.HostText(L"C:\\ghostPe.In"), "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\win10_x64.gho\r\n");
}

TEST_F(BootCommandsTest, MbrWithoutXpRunsTheStoreCommandsWithWinloadExeAndMapsNoPartition) {
  RecordedMachine m(InstallMachineJson("mbr"));
  InstallOutcome outcome = Install(m, {6, 1, 7601});
  EXPECT_TRUE(outcome.ok()) << m.recorder().Log();
  EXPECT_EQ(DescribeStarts(m.recorder()), RamdiskPathCommands(L"winload.exe"));
  EXPECT_TRUE(m.recorder().DosDeviceCalls().empty());
  EXPECT_EQ(m.HostText(L"C:\\boot.ini"), "(missing)");
}

TEST_F(BootCommandsTest, XpOnMbrChainsGrldrFromBootIniAndRunsNoStoreCommand) {
  RecordedMachine m(InstallMachineJson("mbr"));
  m.machine().WriteFile(
      L"C:\\boot.ini",
      "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
      "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP\" /fastdetect\r\n");
  InstallOutcome outcome = Install(m, {5, 1, 2600});
  EXPECT_TRUE(outcome.ok()) << m.recorder().Log();

  std::vector<std::wstring> expected = {Cmd(L"", L"/c attrib -s -r -h C:\\boot.ini")};
  Append(expected, ReplaceRootFile(L"", L"C:\\grldr", L"/c copy /y \"D:\\Tarnvik\\PE\\grldr\" C:\\grldr"));
  // The copy's attributes are set directly, not with attrib.
  expected.pop_back();
  Append(expected, ReplaceRootFile(L"", L"C:\\VQmenu.lst", L"/c move /Y \"D:\\Tarnvik\\VQmenu.lst\" C:\\VQmenu.lst"));
  Append(expected, {Cmd(L"", L"/c attrib -s -r -h C:\\boot.ini"), Cmd(L"", L"/c attrib +s +r +h C:\\boot.ini"),
                    Cmd(L"", L"/c bootsect.exe /nt52 C: /mbr", L"D:\\Tarnvik\\tool\\")});
  Append(expected, ReplaceRootFile(L"", L"C:\\ghostPe.In", L"/c move /Y \"D:\\Tarnvik\\ghostPe.In\" C:\\ghostPe.In"));
  EXPECT_EQ(DescribeStarts(m.recorder()), expected);

  EXPECT_EQ(m.HostText(L"C:\\VQmenu.lst"),
            "find --set-root /Tarnvik/PE/WEPE64.iso\r\nmap --mem /Tarnvik/PE/WEPE64.iso (0xff)\r\nmap --hook\r\n"
            "chainloader (0xff)\r\n");
  EXPECT_EQ(m.HostText(L"C:\\grldr"), "grldr");
  EXPECT_EQ(m.HostText(L"D:\\Tarnvik\\PE\\WEPE64.WIM"), "(missing)");  // nothing extracted
  platform::Profiles& ini = platform::Current().profiles();
  EXPECT_EQ(ini.ReadString(L"boot loader", L"timeout", L"", L"C:\\boot.ini"), L"10");
  EXPECT_EQ(ini.ReadString(L"boot loader", L"default", L"", L"C:\\boot.ini"), L"C:\\grldr");
  EXPECT_EQ(ini.ReadString(L"operating systems", L"C:\\grldr", L"", L"C:\\boot.ini"), L"PRLM-10PE-1.0");
  EXPECT_EQ(ini.ReadString(L"operating systems", L"C:\\jszc", L"", L"C:\\boot.ini"), L"Tarnvik-Support");
  EXPECT_EQ(ini.ReadString(L"operating systems", L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", L"", L"C:\\boot.ini"),
            L"\"Windows XP\" /fastdetect");
}

TEST_F(BootCommandsTest, XpTwiceLeavesOneOfEachBootIniKey) {
  RecordedMachine m(InstallMachineJson("mbr"));
  m.machine().WriteFile(L"C:\\boot.ini", "[boot loader]\r\ntimeout=30\r\n[operating systems]\r\n");
  ASSERT_TRUE(Install(m, {5, 1, 2600}).ok()) << m.recorder().Log();
  ASSERT_TRUE(InstallCore(L'C', L"D:\\Tarnvik\\gho-prlm\\winxp.gho").ok()) << m.recorder().Log();
  const std::string bootIni = m.HostText(L"C:\\boot.ini");
  for (const char* key : {"timeout=", "default=", "C:\\grldr=", "C:\\jszc="}) {
    size_t first = bootIni.find(key);
    ASSERT_NE(first, std::string::npos) << key << "\n" << bootIni;
    EXPECT_EQ(bootIni.find(key, first + 1), std::string::npos) << key << "\n" << bootIni;
  }
  EXPECT_EQ(m.HostText(L"C:\\ghostPe.In"), "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\winxp.gho\r\n");
}

TEST_F(BootCommandsTest, AWimAlreadyInPlaceIsNotExtractedAgain) {
  RecordedMachine m(InstallMachineJson("gpt"));
  LayProgramFiles(m.machine());
  m.machine().WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.WIM", "wim");
  m.recorder().onStart = ApplyFileCommand;
  ASSERT_TRUE(SetPeComponentPaths(L"D:\\Tarnvik\\PE\\WEPE64.iso"));
  EXPECT_TRUE(PreparePeBootFiles(L'C', false)) << m.recorder().Log();
  for (const auto& start : m.recorder().Starts()) EXPECT_EQ(start.request.file, L"cmd.exe");
}

TEST(GrldrMenuLines, NameTheIsoFromTheRootOfItsDriveWithSlashes) {
  const std::vector<std::string> expected = {"find --set-root /soft/PE/N", "map --mem /soft/PE/N (0xff)", "map --hook",
                                             "chainloader (0xff)"};
  EXPECT_EQ(GrldrMenuLines(L"D:\\soft\\PE\\N"), expected);
}

}  // namespace
