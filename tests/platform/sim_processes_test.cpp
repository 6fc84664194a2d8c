// Programs start on the simulated machine as Windows finds them, run as Linux programs
// with their arguments, folder and environment mapped, and every start is recorded.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "support/state_records.h"
#include "support/temp_machine.h"

namespace {

using testing_support::ReadStateLines;
using testing_support::TempMachine;
namespace fs = std::filesystem;

// A fake that writes who it is and how it was started to ran.txt in its working folder.
std::string Reporter(const std::string& name) {
  return "#!/bin/sh\n"
         "printf '%s\\n' " + name + " \"$0\" \"$PWD\" \"$TARNVIK_MACHINE\" \"$TARNVIK_DIRECTORY\" \"$@\" > ran.txt\n"
         "echo " + name + " done\n";
}

std::optional<std::string> Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Starts and waits; whether it started.
bool Start(const std::wstring& file, const std::wstring& parameters, std::optional<std::wstring> directory,
           const std::wstring& verb = L"runas") {
  auto& processes = platform::Current().processes();
  auto handle = processes.ShellExecuteEx({verb, file, parameters, directory, platform::kSwHide});
  if (handle) processes.WaitForExit(*handle);
  return handle.has_value();
}

TEST(SimProcesses, ProgramsAreFoundAsWindowsFindsThem) {
  struct Case {
    const char* what;
    std::wstring file;
    std::optional<std::wstring> directory;
    std::optional<std::string> ran;  // the name of the fake that ran; nothing: the start fails
    std::string reasonHas;
  };
  const Case cases[] = {
      {"the working folder first", L"tool.exe", L"D:\\Tarnvik\\tool", "local", ""},
      {"then the system directory", L"systool.exe", L"D:\\Tarnvik\\tool", "system", ""},
      {"without extension, through PATHEXT, any case", L"SYSTOOL", L"D:\\Tarnvik\\tool\\", "system", ""},
      {"any extension that names a program", L"bcdedit.dll", L"D:\\Tarnvik\\tool", "editor", ""},
      {"a full path as it is", L"d:\\tarnvik\\tool\\TOOL.exe", L"C:\\", "local", ""},
      {"a relative path below the working folder", L"tool\\tool.exe", L"D:\\Tarnvik", "local", ""},
      {"no working folder: the program's folder", L"here.exe", std::nullopt, "here", ""},
      {"a file that is no program", L"IsoCmd.exe", L"D:\\Tarnvik\\tool", std::nullopt, "not a program"},
      {"a script whose interpreter is missing", L"broken.exe", L"D:\\Tarnvik\\tool", std::nullopt, "#! line"},
      {"no such program", L"gone.exe", L"D:\\Tarnvik\\tool", std::nullopt, "no such program"},
      {"a working folder that does not exist", L"tool.exe", L"D:\\Nowhere", std::nullopt, "does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempMachine m;
    m.WriteFile(L"D:\\Tarnvik\\tool\\tool.exe", Reporter("local"));
    m.WriteFile(L"D:\\Tarnvik\\tool\\bcdedit.dll", Reporter("editor"));
    m.WriteFile(L"D:\\Tarnvik\\tool\\IsoCmd.exe", "MZ\x90\x00 a Windows program");
    m.WriteFile(L"D:\\Tarnvik\\tool\\broken.exe", "#!/no/such/shell\n");
    m.WriteFile(L"D:\\Tarnvik\\here.exe", Reporter("here"));
    m.WriteFile(L"C:\\Windows\\system32\\tool.exe", Reporter("system"));
    m.WriteFile(L"C:\\Windows\\system32\\systool.exe", Reporter("system"));
    EXPECT_EQ(Start(c.file, L"", c.directory), c.ran.has_value());
    const Json::Value start = ReadStateLines(m, "processes.jsonl").back();
    EXPECT_EQ(start["started"].asBool(), c.ran.has_value());
    if (!c.ran) {
      EXPECT_NE(start["reason"].asString().find(c.reasonHas), std::string::npos) << start["reason"];
      continue;
    }
    const fs::path folder = m.HostPath(c.directory.value_or(L"D:\\Tarnvik"));
    auto ran = Read(folder / "ran.txt");
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->substr(0, ran->find('\n')), *c.ran);
  }
}

TEST(SimProcesses, ALinuxProgramGetsItsArgumentsFolderAndEnvironment) {
  TempMachine m;
  m.WriteFile(L"D:\\Tarnvik\\tool\\7z.exe", Reporter("7z"));
  ASSERT_TRUE(Start(L"D:\\Tarnvik\\tool\\7z.exe", L"e D:\\Tarnvik\\PE\\pe.iso -oD:\\Tarnvik\\PE \"WEPE\\WEPE64.WIM\"",
                    std::nullopt, L""));
  const fs::path host = m.HostPath(L"D:\\Tarnvik\\tool\\7z.exe");
  // No working folder: the folder of the program file, D:\Tarnvik.
  EXPECT_EQ(Read(m.HostPath(L"D:\\Tarnvik\\ran.txt")),
            "7z\n" + host.string() + "\n" + m.HostPath(L"D:\\Tarnvik").string() + "\n" +
                fs::absolute(m.folder()).string() + "\nD:\\Tarnvik\ne\nD:\\Tarnvik\\PE\\pe.iso\n-oD:\\Tarnvik\\PE\n"
                "WEPE\\WEPE64.WIM\n");

  std::vector<Json::Value> starts = ReadStateLines(m, "processes.jsonl");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_GT(starts[0]["pid"].asInt(), 0) << starts[0];  // what taskkill ends
  starts[0].removeMember("pid");
  Json::Value expected;
  expected["id"] = 1;
  expected["program"] = "D:\\Tarnvik\\tool\\7z.exe";
  expected["directory"] = "D:\\Tarnvik";
  expected["commandLine"] = "e D:\\Tarnvik\\PE\\pe.iso -oD:\\Tarnvik\\PE \"WEPE\\WEPE64.WIM\"";
  for (const char* a : {"e", "D:\\Tarnvik\\PE\\pe.iso", "-oD:\\Tarnvik\\PE", "WEPE\\WEPE64.WIM"}) expected["arguments"].append(a);
  expected["verb"] = "";
  expected["show"] = platform::kSwHide;
  expected["started"] = true;
  EXPECT_EQ(starts[0], expected) << starts[0];

  const std::vector<Json::Value> ends = ReadStateLines(m, "process-exits.jsonl");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["id"], 1);
  EXPECT_EQ(ends[0]["status"], 0);
  EXPECT_EQ(ends[0]["stdout"], "7z done\n");
}

TEST(SimProcesses, AMachineOpenedByARelativeFolderStartsItsPrograms) {
  TempMachine m;
  m.WriteFile(L"D:\\Tarnvik\\tool\\tool.exe", Reporter("tool"));
  const fs::path here = fs::current_path();
  fs::current_path(m.folder().parent_path());
  {
    sim::SimPlatform relative(m.folder().filename());
    platform::ScopedPlatform installed(relative);
    // Started directly and through cmd.exe, each in a working folder of its own.
    EXPECT_TRUE(Start(L"tool.exe", L"direct", L"D:\\Tarnvik\\tool"));
    EXPECT_TRUE(Start(L"cmd.exe", L"/c tool.exe through-cmd", L"D:\\Tarnvik\\tool"));
  }
  fs::current_path(here);
  const std::vector<Json::Value> ends = ReadStateLines(m, "process-exits.jsonl");
  ASSERT_EQ(ends.size(), 3u);  // the direct start, then the tool cmd.exe started and cmd.exe
  for (const Json::Value& end : ends) EXPECT_EQ(end["status"], 0) << end;
  const std::string ran = Read(m.HostPath(L"D:\\Tarnvik\\tool\\ran.txt")).value_or("(missing)");
  EXPECT_NE(ran.find("\n" + fs::absolute(m.folder()).string() + "\nD:\\Tarnvik\\tool\nthrough-cmd\n"), std::string::npos)
      << ran;
}

TEST(SimProcesses, AnElfFileRunsWithoutItsExecutableBit) {
  TempMachine m;
  const fs::path host = m.HostPath(L"D:\\Tarnvik\\tool\\bootsect.exe");
  fs::create_directories(host.parent_path());
  fs::copy_file("/bin/false", host);
  fs::permissions(host, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(Start(L"bootsect.exe", L"/nt52 C: /mbr", L"D:\\Tarnvik\\tool\\"));
  const std::vector<Json::Value> ends = ReadStateLines(m, "process-exits.jsonl");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["status"], 1);  // what /bin/false returns: it did run
  EXPECT_EQ(ReadStateLines(m, "processes.jsonl")[0]["directory"], "D:\\Tarnvik\\tool");
}

TEST(SimProcesses, OnlyVerbsThatStartProgramsAreTaken) {
  TempMachine m;
  m.WriteFile(L"D:\\Tarnvik\\tool.exe", Reporter("tool"));
  EXPECT_TRUE(Start(L"tool.exe", L"", std::nullopt, L"open"));
  EXPECT_FALSE(Start(L"tool.exe", L"", std::nullopt, L"print"));
  EXPECT_NE(ReadStateLines(m, "processes.jsonl").back()["reason"].asString().find("\"print\""), std::string::npos);
}

TEST(SimProcesses, CmdRunsOnItsOwnThreadUntilWaitedFor) {
  TempMachine m;
  m.WriteFile(L"D:\\Tarnvik\\slow.exe", "#!/bin/sh\nwhile [ ! -e go ]; do sleep 0.01; done\necho done > done.txt\n");
  auto& processes = platform::Current().processes();
  auto handle = processes.ShellExecuteEx({L"", L"cmd.exe", L"/c slow", std::nullopt, platform::kSwHide});
  ASSERT_TRUE(handle);
  // It started and waits for its go: the start did not wait for its end.
  EXPECT_FALSE(fs::exists(m.HostPath(L"D:\\Tarnvik\\done.txt")));
  m.WriteFile(L"D:\\Tarnvik\\go", "");
  processes.WaitForExit(*handle);
  EXPECT_EQ(Read(m.HostPath(L"D:\\Tarnvik\\done.txt")), "done\n");
}

}  // namespace
