// The simulated machine's cmd.exe runs the command lines the program builds: several
// commands joined by "&", "&&" and "||", redirections, quotes, programs found without
// extension, and the built-ins with Windows' refusals.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/sim/windows_paths.h"
#include "support/state_records.h"
#include "support/temp_machine.h"

namespace {

using testing_support::ReadStateLines;
using testing_support::TempMachine;

const std::wstring kTool = L"D:\\Tarnvik\\tool";

// A fake program: it appends its name and arguments to calls.txt in its working folder,
// says so on standard output, complains on standard error and ends with `status`.
std::string Fake(const std::string& name, int status = 0) {
  return "#!/bin/sh\n"
         "{ printf '%s' " + name + "; for a in \"$@\"; do printf ' [%s]' \"$a\"; done; echo; } >> calls.txt\n"
         "echo " + name + " said \"$@\"\n"
         "echo " + name + " complains >&2\n"
         "exit " + std::to_string(status) + "\n";
}

void AddFakes(TempMachine& m) {
  m.WriteFile(kTool + L"\\IsoCmd.exe", Fake("IsoCmd"));
  m.WriteFile(kTool + L"\\ok.exe", Fake("ok"));
  m.WriteFile(kTool + L"\\fail.exe", Fake("fail", 3));
  m.WriteFile(kTool + L"\\my tool.exe", Fake("mytool"));
  m.WriteFile(L"C:\\Windows\\system32\\sysfake.exe", Fake("sysfake"));
}

// The file's bytes, or nothing when it does not exist.
std::optional<std::string> Read(TempMachine& m, const std::wstring& path) {
  std::ifstream in(m.HostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Runs cmd.exe with the parameters in the tool folder and waits for it; returns the
// record of its end (status, stdout, stderr).
Json::Value RunCmd(TempMachine& m, const std::wstring& parameters) {
  auto& processes = platform::Current().processes();
  auto handle = processes.ShellExecuteEx({L"runas", L"cmd.exe", parameters, kTool, platform::kSwHide});
  EXPECT_TRUE(handle);
  if (!handle) return Json::Value();
  processes.WaitForExit(*handle);
  const int id = ReadStateLines(m, "processes.jsonl").front()["id"].asInt();
  for (const Json::Value& end : ReadStateLines(m, "process-exits.jsonl")) {
    if (end["id"].asInt() == id) return end;
  }
  ADD_FAILURE() << "no end recorded for cmd.exe";
  return Json::Value();
}

TEST(SimCmd, RunsCommandLinesOfPrograms) {
  struct Case {
    const char* what;
    std::wstring command;
    std::string calls;  // calls.txt of the tool folder afterwards
    int status;
    std::string stderrHas;
    std::vector<std::pair<std::wstring, std::string>> files;
  };
  const Case cases[] = {
      {"the mount template: & with tabs, extensionless names in any case, a redirection without a blank",
       L"/c isoCmd -number 1&\t\tisoCmd -i&\t\tisoCmd -eject 0:&\t\tisoCmd -mount 0: \"d:\\soft\\win 10.iso\"&\t\t"
       L"isoCmd -v >diskInfo.ini",
       "IsoCmd [-number] [1]\nIsoCmd [-i]\nIsoCmd [-eject] [0:]\nIsoCmd [-mount] [0:] [d:\\soft\\win 10.iso]\nIsoCmd [-v]\n",
       0, "IsoCmd complains", {{kTool + L"\\diskInfo.ini", "IsoCmd said -v\n"}}},
      {"&& stops after a failure", L"/c fail && ok", "fail\n", 3, "", {}},
      {"|| goes on after a failure", L"/c fail || ok", "fail\nok\n", 0, "", {}},
      {"left to right: (ok && fail) || ok", L"/c ok && fail || ok", "ok\nfail\nok\n", 0, "", {}},
      {"left to right: (ok || fail) && ok", L"/c ok || fail && ok", "ok\nok\n", 0, "", {}},
      {"the status is the last command's", L"/c fail & ok", "fail\nok\n", 0, "", {}},
      {">> appends, with or without blanks", L"/c ok first>>out.txt & ok second >> out.txt", "ok [first]\nok [second]\n",
       0, "", {{kTool + L"\\out.txt", "ok said first\nok said second\n"}}},
      {"> to a full path, 2> to its own file", L"/c ok x > D:\\Tarnvik\\out.txt 2>err.txt", "ok [x]\n", 0, "",
       {{L"D:\\Tarnvik\\out.txt", "ok said x\n"}, {kTool + L"\\err.txt", "ok complains\n"}}},
      {"> replaces", L"/c ok a >o.txt & ok b >o.txt", "ok [a]\nok [b]\n", 0, "", {{kTool + L"\\o.txt", "ok said b\n"}}},
      {"quotes keep & and blanks", L"/c ok \"a & b\"\t c", "ok [a & b] [c]\n", 0, "", {}},
      {"a caret makes & literal", L"/c ok a^&b", "ok [a&b]\n", 0, "", {}},
      {"a name with its extension, in any case", L"/c ISOCMD.exe -v & Ok.EXE", "IsoCmd [-v]\nok\n", 0, "", {}},
      {"the system directory after the working folder", L"/c sysfake 1", "sysfake [1]\n", 0, "", {}},
      {"an unknown command", L"/c nothing -x && ok", "", 9009, "'nothing' is not recognized", {}},
      {"a quoted program name with a blank", L"/c \"D:\\Tarnvik\\tool\\my tool.exe\"", "mytool\n", 0, "", {}},
      {"the outer quotes of the line go", L"/c \"\"my tool.exe\" a \"b c\"\"", "mytool [a] [b c]\n", 0, "", {}},
      {"a line feed ends the line", L"/c ok a\n& ok b", "ok [a]\n", 0, "", {}},
      {"echo", L"/c echo 1 file(s)   done>e.txt", "", 0, "", {{kTool + L"\\e.txt", "1 file(s)   done\r\n"}}},
      {"a line cmd refuses runs nothing", L"/c ok && && ok", "", 255, "&& was unexpected", {}},
      {"only /c is understood", L"/k ok", "", 1, "runs only", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempMachine m;
    AddFakes(m);
    Json::Value end = RunCmd(m, c.command);
    EXPECT_EQ(Read(m, kTool + L"\\calls.txt").value_or(""), c.calls);
    EXPECT_EQ(end["status"].asInt(), c.status);
    EXPECT_NE(end["stderr"].asString().find(c.stderrHas), std::string::npos) << end["stderr"].asString();
    for (const auto& [path, content] : c.files) EXPECT_EQ(Read(m, path), content) << platform::WideToUtf8(path);
  }
}

platform::Files& Files() { return platform::Current().files(); }

constexpr uint32_t kSHR =
    platform::kFileAttributeSystem | platform::kFileAttributeHidden | platform::kFileAttributeReadOnly;

TEST(SimCmd, BuiltinsKeepWindowsRules) {
  struct Case {
    const char* what;
    std::function<void(TempMachine&)> setup;
    std::wstring command;
    int status;
    std::string stderrHas;
    std::string stdoutHas;
    std::vector<std::pair<std::wstring, std::optional<std::string>>> files;  // nothing: gone
    std::vector<std::pair<std::wstring, uint32_t>> attributes;
  };
  auto file = [](std::wstring path, std::string bytes, uint32_t attributes = platform::kFileAttributeArchive) {
    return [=](TempMachine& m) {
      m.WriteFile(path, bytes);
      Files().SetFileAttributes(path, attributes);
    };
  };
  auto both = [](std::function<void(TempMachine&)> a, std::function<void(TempMachine&)> b) {
    return [=](TempMachine& m) { a(m), b(m); };
  };
  const Case cases[] = {
      {"attrib sets several at once", file(L"C:\\grldr", "g"), L"/c attrib +s +r +h C:\\grldr", 0, "", "", {},
       {{L"C:\\grldr", kSHR | platform::kFileAttributeArchive}}},
      {"attrib clears them, the path quoted", file(L"C:\\boot.ini", "b", kSHR), L"/c attrib -s -r -h \"c:\\BOOT.INI\"", 0,
       "", "", {}, {{L"C:\\boot.ini", platform::kFileAttributeNormal}}},
      {"attrib leaves a hidden file alone unless told about hidden",
       file(L"C:\\h.txt", "h", platform::kFileAttributeHidden), L"/c attrib +r C:\\h.txt", 1,
       "Not resetting hidden file - C:\\h.txt", "", {}, {{L"C:\\h.txt", platform::kFileAttributeHidden}}},
      {"attrib of nothing", nullptr, L"/c attrib +r C:\\none.txt", 1, "File not found - C:\\none.txt", "", {}, {}},
      {"del removes a plain file", file(kTool + L"\\a.log", "a"), L"/c del /q a.log", 0, "", "", {{kTool + L"\\a.log", std::nullopt}}, {}},
      {"del refuses a read-only file, && sees it",
       file(L"C:\\ro.txt", "r", platform::kFileAttributeReadOnly), L"/c del /q \"C:\\ro.txt\" && echo gone", 1,
       "C:\\ro.txt\r\nAccess is denied.", "", {{L"C:\\ro.txt", "r"}}, {}},
      {"del does not find a hidden file", file(L"C:\\h.txt", "h", platform::kFileAttributeHidden),
       L"/c del /q C:\\h.txt || echo kept", 0, "Could Not Find C:\\h.txt", "kept", {{L"C:\\h.txt", "h"}}, {}},
      {"del does not find a system file", file(L"C:\\s.txt", "s", platform::kFileAttributeSystem),
       L"/c del /q C:\\s.txt", 1, "Could Not Find C:\\s.txt", "", {{L"C:\\s.txt", "s"}}, {}},
      {"attrib then del removes a protected file", file(L"C:\\ghostPe.In", "old", kSHR),
       L"/c attrib -s -r -h \"C:\\ghostPe.In\" & del /q \"C:\\ghostPe.In\"", 0, "", "",
       {{L"C:\\ghostPe.In", std::nullopt}}, {}},
      {"copy /y replaces a plain target and gives it the source's attributes",
       both(file(L"D:\\Tarnvik\\PE\\SDone.SDI", "sdi", platform::kFileAttributeReadOnly), file(L"C:\\SDone.SDI", "old")),
       L"/c copy /y \"D:\\Tarnvik\\PE\\SDone.SDI\" C:\\SDone.SDI", 0, "", "1 file(s) copied.",
       {{L"C:\\SDone.SDI", "sdi"}}, {{L"C:\\SDone.SDI", platform::kFileAttributeReadOnly}}},
      {"copy /y onto a read-only target is denied",
       both(file(L"D:\\new.gho", "new"), file(L"C:\\ghost.gho", "old", platform::kFileAttributeReadOnly)),
       L"/c copy \"D:\\new.gho\" \"C:\\ghost.gho\" /y", 1, "Access is denied.", "0 file(s) copied.",
       {{L"C:\\ghost.gho", "old"}}, {}},
      {"copy /y onto a hidden target is denied",
       both(file(L"D:\\new.gho", "new"), file(L"C:\\ghost.gho", "old", platform::kFileAttributeHidden)),
       L"/c copy /y D:\\new.gho C:\\ghost.gho", 1, "Access is denied.", "", {{L"C:\\ghost.gho", "old"}}, {}},
      {"copy without /y keeps the target", both(file(L"D:\\new.gho", "new"), file(L"C:\\ghost.gho", "old")),
       L"/c copy D:\\new.gho C:\\ghost.gho", 1, "Overwrite C:\\ghost.gho?", "", {{L"C:\\ghost.gho", "old"}}, {}},
      {"copy and && as the boot image step", file(kTool + L"\\Uiso.bak", "iso"),
       L"/c copy Uiso.bak Uiso.iso /y && ok -in Uiso.iso", 0, "", "ok said -in Uiso.iso", {{kTool + L"\\Uiso.iso", "iso"}},
       {}},
      {"move /Y replaces the target and takes the attributes along",
       both(file(L"D:\\Tarnvik\\VQmenu.lst", "menu", platform::kFileAttributeHidden), file(L"C:\\VQmenu.lst", "old")),
       L"/c move /Y \"D:\\Tarnvik\\VQmenu.lst\" C:\\VQmenu.lst", 0, "", "1 file(s) moved.",
       {{L"D:\\Tarnvik\\VQmenu.lst", std::nullopt}, {L"C:\\VQmenu.lst", "menu"}},
       {{L"C:\\VQmenu.lst", platform::kFileAttributeHidden}}},
      {"move /Y onto a read-only target is denied",
       both(file(L"D:\\m.lst", "menu"), file(L"C:\\m.lst", "old", platform::kFileAttributeReadOnly)),
       L"/c move /Y D:\\m.lst C:\\m.lst", 1, "Access is denied.", "", {{L"D:\\m.lst", "menu"}, {L"C:\\m.lst", "old"}}, {}},
      {"rd /s /q takes a tree whatever its attributes",
       both(file(L"D:\\kqd\\boot\\bcd", "b", kSHR), file(L"D:\\kqd\\x", "x")), L"/c rd /s /q D:\\kqd", 0, "", "",
       {{L"D:\\kqd\\boot\\bcd", std::nullopt}}, {}},
      {"rd of another drive empties its root and keeps it", file(L"C:\\a\\b.txt", "b", kSHR), L"/c rd /s /q C:\n", 1,
       "being used by another process", "", {{L"C:\\a\\b.txt", std::nullopt}},
       {{L"C:\\", platform::kFileAttributeDirectory}}},
      {"rd without /s keeps a folder that is not empty", file(L"D:\\kqd\\x", "x"), L"/c rd D:\\kqd", 1,
       "The directory is not empty.", "", {{L"D:\\kqd\\x", "x"}}, {}},
      {"taskkill of a program that does not run", nullptr, L"/c taskkill /f /im GDisk.exe", 128,
       "ERROR: The process \"GDisk.exe\" not found.", "", {}, {}},
      {"taskkill without /im", nullptr, L"/c taskkill /f GDisk.exe", 1, "ERROR: Invalid syntax.", "", {}, {}},
      {"taskkill with a switch it does not know", nullptr, L"/c taskkill /x /im GDisk.exe", 1, "Invalid switch - /x",
       "", {}, {}},
      {"a redirection over a read-only file is denied and the command not run",
       file(kTool + L"\\disk.log", "old", platform::kFileAttributeReadOnly), L"/c ok >disk.log", 1, "Access is denied.",
       "", {{kTool + L"\\disk.log", "old"}, {kTool + L"\\calls.txt", std::nullopt}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempMachine m;
    AddFakes(m);
    if (c.setup) c.setup(m);
    Json::Value end = RunCmd(m, c.command);
    EXPECT_EQ(end["status"].asInt(), c.status);
    EXPECT_NE(end["stderr"].asString().find(c.stderrHas), std::string::npos) << end["stderr"].asString();
    EXPECT_NE(end["stdout"].asString().find(c.stdoutHas), std::string::npos) << end["stdout"].asString();
    for (const auto& [path, content] : c.files) EXPECT_EQ(Read(m, path), content) << platform::WideToUtf8(path);
    for (const auto& [path, attributes] : c.attributes) {
      EXPECT_EQ(Files().GetFileAttributes(path), attributes) << platform::WideToUtf8(path);
    }
  }
}

TEST(SimCmd, PathsAreMadeFullAgainstTheCurrentFolder) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\grldr", L"C:\\grldr"},
      {L"diskInfo.ini", L"D:\\Tarnvik\\tool\\diskInfo.ini"},
      {L"kqd\\boot\\bcd", L"D:\\Tarnvik\\tool\\kqd\\boot\\bcd"},
      {L"\\jszc", L"D:\\jszc"},
      {L"E:", L"E:\\"},              // another drive: its root
      {L"E:x", L"E:\\x"},
      {L"d:", L"D:\\Tarnvik\\tool"},  // the current drive: the current folder
      {L"d:x", L"D:\\Tarnvik\\tool\\x"},
      {L"\\\\server\\share", L"\\\\server\\share"},
  };
  for (const auto& [path, full] : cases) {
    EXPECT_EQ(sim::FullPath(L"D:\\Tarnvik\\tool", path), full) << platform::WideToUtf8(path);
  }
}

}  // namespace
