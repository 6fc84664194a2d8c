// pe.json: written compact, read back, and reconciled with a later catalogue.

#include <gtest/gtest.h>

#include <string>

#include "app/text_helpers.h"
#include "catalogue/pe_descriptor.h"
#include "platform/platform.h"
#include "program_machine.h"

namespace {

class PeDescriptorTest : public testing::Test {
 protected:
  std::wstring CachePath() { return machine_.params().cacheDir + L"pe.json"; }
  std::wstring InPeDir(const std::wstring& name) { return machine_.params().peDir + name; }
  platform::Files& files() { return platform::Current().files(); }

  ProgramMachine machine_;
};

TEST_F(PeDescriptorTest, SavedCompactWithSortedKeysInCodePage936) {
  ASSERT_TRUE(SavePeDescriptor(PeEntry{L"微PE.iso", 5368709120, L"http://127.0.0.1/pe/微PE.iso", 3}));
  const std::string name = WideToLocal(L"微PE.iso");
  EXPECT_EQ(files().ReadFile(CachePath()),
            "{\"nFileSize\":\"5368709120\",\"sFileName\":\"" + name + "\",\"sUrl\":\"http://127.0.0.1/pe/" + name +
                "\"}\n");

  PeEntry loaded{L"stale", 1, L"stale", 3};
  ASSERT_TRUE(LoadPeDescriptor(loaded));
  EXPECT_EQ(loaded.fileName, L"微PE.iso");
  EXPECT_EQ(loaded.size, 5368709120);
  EXPECT_EQ(loaded.url, L"http://127.0.0.1/pe/微PE.iso");
  EXPECT_EQ(loaded.state, 0);
}

TEST_F(PeDescriptorTest, LoadNeedsAnObjectWithAMember) {
  struct Case {
    const char* what;
    std::optional<std::string> text;  // nothing: no file
    bool loads;
    const wchar_t* fileName;
    int64_t size;
  };
  const Case cases[] = {
      {"no file", std::nullopt, false, L"", 0},
      {"not JSON", "nFileSize=1", false, L"", 0},
      {"an array", "[\"a\"]", false, L"", 0},
      {"an empty object", "{}", false, L"", 0},
      {"missing members", "{\"sFileName\":\"a.iso\"}", true, L"a.iso", 0},
      {"size not a number", "{\"nFileSize\":\"big\",\"sFileName\":\"a.iso\"}", true, L"a.iso", 0},
      {"members of another type", "{\"nFileSize\":12,\"sFileName\":[1]}", true, L"", 0},
  };
  for (const Case& c : cases) {
    files().RemoveFile(CachePath());
    if (c.text) files().WriteFile(CachePath(), *c.text);
    PeEntry pe{L"before", 9, L"u", 3};
    EXPECT_EQ(LoadPeDescriptor(pe), c.loads) << c.what;
    if (!c.loads) continue;
    EXPECT_EQ(pe.fileName, c.fileName) << c.what;
    EXPECT_EQ(pe.size, c.size) << c.what;
    EXPECT_EQ(pe.state, 0) << c.what;
  }
}

TEST_F(PeDescriptorTest, ReconcileReusesARenamedComponentAndDeletesAStaleOne) {
  struct Case {
    const char* what;
    PeEntry cached;
    bool cachedFilePresent;
    PeEntry catalogue;
    const wchar_t* fileNameAfter;
    bool cachedFileKept;
    bool wimKept;
  };
  const Case cases[] = {
      {"same size, other name, file present: the file is reused", {L"old.iso", 100, L"u", 0}, true,
       {L"new.iso", 100, L"u", 0}, L"old.iso", true, true},
      {"same size, other name, file gone: the catalogue's name stays", {L"old.iso", 100, L"u", 0}, false,
       {L"new.iso", 100, L"u", 0}, L"new.iso", false, true},
      {"same size and name: nothing to do", {L"pe.iso", 100, L"u", 0}, true, {L"pe.iso", 100, L"u", 0}, L"pe.iso",
       true, true},
      {"another size: the stale component goes", {L"old.iso", 100, L"u", 0}, true, {L"new.iso", 200, L"u", 0},
       L"new.iso", false, false},
  };
  for (const Case& c : cases) {
    files().RemoveFile(InPeDir(L"WEPE64.WIM"));
    files().RemoveFile(InPeDir(c.cached.fileName));
    ASSERT_TRUE(SavePeDescriptor(c.cached));
    if (c.cachedFilePresent) files().WriteFile(InPeDir(c.cached.fileName), "iso");
    files().WriteFile(InPeDir(L"WEPE64.WIM"), "wim");
    files().WriteFile(InPeDir(L"other.txt"), "kept");

    PeEntry pe = c.catalogue;
    ReconcilePeDescriptor(pe);
    EXPECT_EQ(pe.fileName, c.fileNameAfter) << c.what;
    EXPECT_EQ(pe.size, c.catalogue.size) << c.what;
    EXPECT_EQ(files().FileExists(InPeDir(c.cached.fileName)), c.cachedFileKept) << c.what;
    EXPECT_EQ(files().FileExists(InPeDir(L"WEPE64.WIM")), c.wimKept) << c.what;
    EXPECT_TRUE(files().FileExists(InPeDir(L"other.txt"))) << c.what;
  }
}

// pe.json names a file in peDir; a name that leads out of it is never deleted or taken.
TEST_F(PeDescriptorTest, ReconcileActsOnlyOnPlainFileNames) {
  machine_.machine().WriteFile(L"D:\\Tarnvik\\Tarnvik.exe", "program");
  files().WriteFile(InPeDir(L"WEPE64.WIM"), "wim");
  for (const wchar_t* name : {L"..\\Tarnvik.exe", L"D:\\Tarnvik\\Tarnvik.exe", L"../Tarnvik.exe", L""}) {
    ASSERT_TRUE(SavePeDescriptor(PeEntry{name, 100, L"u", 0}));
    PeEntry pe{L"new.iso", 200, L"u", 0};
    ReconcilePeDescriptor(pe);
    PeEntry same{L"new.iso", 100, L"u", 0};
    ReconcilePeDescriptor(same);
    EXPECT_EQ(same.fileName, L"new.iso");
  }
  EXPECT_TRUE(files().FileExists(L"D:\\Tarnvik\\Tarnvik.exe"));
  EXPECT_TRUE(files().FileExists(InPeDir(L"WEPE64.WIM")));
}

}  // namespace
