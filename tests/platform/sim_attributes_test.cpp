// File attributes on the simulated machine are kept for every process of the machine and
// honoured as Windows honours them.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/sim/sim_platform.h"
#include "support/temp_machine.h"

namespace {

using testing_support::TempMachine;
namespace fs = std::filesystem;

platform::Files& Files() { return platform::Current().files(); }

constexpr uint32_t kReadOnly = platform::kFileAttributeReadOnly;
constexpr uint32_t kHidden = platform::kFileAttributeHidden;
constexpr uint32_t kSystem = platform::kFileAttributeSystem;
constexpr uint32_t kArchive = platform::kFileAttributeArchive;

TEST(SimAttributes, AreReadAndSetAsWindowsKeepsThem) {
  TempMachine m;
  m.WriteFile(L"C:\\boot.ini", "b");
  m.WriteFile(L"C:\\Tools\\x", "x");
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\boot.ini"), kArchive);
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\Tools"), platform::kFileAttributeDirectory);
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\none"), platform::kInvalidFileAttributes);
  EXPECT_FALSE(Files().SetFileAttributes(L"C:\\none", kHidden));

  ASSERT_TRUE(Files().SetFileAttributes(L"C:\\BOOT.INI", kSystem | kHidden | kReadOnly));
  EXPECT_EQ(Files().GetFileAttributes(L"c:\\boot.ini"), kSystem | kHidden | kReadOnly);  // any case
  ASSERT_TRUE(Files().SetFileAttributes(L"C:\\boot.ini", platform::kFileAttributeNormal));
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\boot.ini"), platform::kFileAttributeNormal);
  ASSERT_TRUE(Files().SetFileAttributes(L"C:\\Tools", kHidden));
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\Tools\\"), platform::kFileAttributeDirectory | kHidden);
}

TEST(SimAttributes, ReadOnlyFilesAreNeitherWrittenNorRemoved) {
  TempMachine m;
  m.WriteFile(L"C:\\ro.txt", "old");
  m.WriteFile(L"C:\\hidden.txt", "old");
  Files().SetFileAttributes(L"C:\\ro.txt", kReadOnly);
  Files().SetFileAttributes(L"C:\\hidden.txt", kHidden | kSystem);

  EXPECT_FALSE(Files().WriteFile(L"C:\\ro.txt", "new"));
  EXPECT_FALSE(Files().RemoveFile(L"C:\\ro.txt"));
  EXPECT_EQ(Files().ReadFile(L"C:\\ro.txt"), "old");

  EXPECT_TRUE(Files().WriteFile(L"C:\\hidden.txt", "new"));  // keeps its attributes
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\hidden.txt"), kHidden | kSystem);
  EXPECT_TRUE(Files().RemoveFile(L"C:\\hidden.txt"));
  // A new file of that name starts plain, and so does one made after the old file was
  // removed behind the machine's back.
  EXPECT_TRUE(Files().WriteFile(L"C:\\hidden.txt", "again"));
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\hidden.txt"), kArchive);
  fs::remove(m.HostPath(L"C:\\ro.txt"));
  EXPECT_TRUE(Files().WriteFile(L"C:\\ro.txt", "fresh"));
  EXPECT_EQ(Files().GetFileAttributes(L"C:\\ro.txt"), kArchive);
}

TEST(SimAttributes, CopyFileCarriesAttributesAndRefusesProtectedTargets) {
  struct Case {
    const char* what;
    uint32_t source, target;  // 0 for the target: none there
    bool failIfExists;
    bool copied;
  };
  const Case cases[] = {
      {"a new target gets the source's attributes", kReadOnly | kHidden, 0, false, true},
      {"a plain target is replaced", kArchive, kArchive, false, true},
      {"fail-if-exists keeps any target", kArchive, kArchive, true, false},
      {"a read-only target is refused", kArchive, kReadOnly, false, false},
      {"a hidden target is refused to a plain source", kArchive, kHidden, false, false},
      {"a system target is refused to a plain source", kArchive, kSystem, false, false},
      {"a hidden target takes a hidden source", kHidden, kHidden, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempMachine m;
    m.WriteFile(L"D:\\Tarnvik\\PE\\grldr", "new");
    Files().SetFileAttributes(L"D:\\Tarnvik\\PE\\grldr", c.source);
    if (c.target != 0) {
      m.WriteFile(L"C:\\grldr", "old");
      Files().SetFileAttributes(L"C:\\grldr", c.target);
    }
    EXPECT_EQ(Files().CopyFile(L"D:\\Tarnvik\\PE\\grldr", L"C:\\grldr", c.failIfExists), c.copied);
    EXPECT_EQ(Files().ReadFile(L"C:\\grldr"), c.copied ? "new" : "old");
    if (c.copied) {
      EXPECT_EQ(Files().GetFileAttributes(L"C:\\grldr"), c.source);
    }
  }
  TempMachine m;
  EXPECT_FALSE(Files().CopyFile(L"D:\\none", L"C:\\grldr", false));
}

// Every process of the machine changes the one store: none loses another's change.
TEST(SimAttributes, ProcessesShareTheStore) {
  TempMachine m;
  constexpr int kFiles = 20;
  for (int i = 0; i < kFiles; ++i) {
    m.WriteFile(L"C:\\parent" + std::to_wstring(i), "p");
    m.WriteFile(L"C:\\child" + std::to_wstring(i), "c");
  }
  std::fflush(nullptr);  // what the test printed so far is not printed again by the child
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    sim::SimPlatform other(m.folder());
    bool ok = true;
    for (int i = 0; i < kFiles; ++i) ok = other.files().SetFileAttributes(L"C:\\child" + std::to_wstring(i), kHidden) && ok;
    _exit(ok ? 0 : 1);
  }
  for (int i = 0; i < kFiles; ++i) EXPECT_TRUE(Files().SetFileAttributes(L"C:\\parent" + std::to_wstring(i), kSystem));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int i = 0; i < kFiles; ++i) {
    EXPECT_EQ(Files().GetFileAttributes(L"C:\\parent" + std::to_wstring(i)), kSystem) << i;
    EXPECT_EQ(Files().GetFileAttributes(L"C:\\child" + std::to_wstring(i)), kHidden) << i;
  }
}

}  // namespace
