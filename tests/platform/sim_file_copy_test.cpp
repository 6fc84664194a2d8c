// CopyFileEx on the simulated machine: bytes in chunks with progress, CopyFile's attribute
// rules, the Windows error of each failure; the faults that produce failures; the user's
// special folders.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

platform::Files& Files() { return platform::Current().files(); }

constexpr uint32_t kHidden = platform::kFileAttributeHidden;
constexpr uint32_t kSystem = platform::kFileAttributeSystem;
constexpr uint32_t kReadOnly = platform::kFileAttributeReadOnly;

TEST(SimFileCopy, CopiesLargeFilesInChunksWithProgress) {
  TempMachine m;
  std::string bytes(20 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); i += 4096) bytes[i] = static_cast<char>(i / 4096);
  m.WriteFile(L"C:\\big.bin", bytes);
  std::vector<std::pair<int64_t, int64_t>> calls;
  auto progress = [&](int64_t copied, int64_t total) {
    calls.emplace_back(copied, total);
    return true;
  };
  ASSERT_EQ(Files().CopyFileEx(L"C:\\big.bin", L"D:\\BIG.bin", progress), platform::kErrorSuccess);
  EXPECT_EQ(Files().ReadFile(L"D:\\big.bin"), bytes);
  ASSERT_GE(calls.size(), 3u);  // 8 MiB chunks
  EXPECT_EQ(calls.back(), std::make_pair(int64_t{20 << 20}, int64_t{20 << 20}));
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_GT(calls[i].first, calls[i - 1].first);

  m.WriteFile(L"C:\\empty.txt", "");
  EXPECT_EQ(Files().CopyFileEx(L"C:\\empty.txt", L"D:\\empty.txt", {}), platform::kErrorSuccess);
  EXPECT_EQ(Files().ReadFile(L"D:\\empty.txt"), "");
}

TEST(SimFileCopy, ACancelledCopyLeavesNoTarget) {
  TempMachine m;
  m.WriteFile(L"C:\\big.bin", std::string(20 << 20, 'b'));
  int calls = 0;
  auto cancelSecond = [&](int64_t, int64_t) { return ++calls < 2; };
  EXPECT_EQ(Files().CopyFileEx(L"C:\\big.bin", L"D:\\big.bin", cancelSecond), platform::kErrorRequestAborted);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(Files().FileExists(L"D:\\big.bin"));
}

TEST(SimFileCopy, CarriesAttributesAndRefusesTargetsAsCopyFileDoes) {
  TempMachine m;
  m.WriteFile(L"C:\\hidden.txt", "h");
  m.WriteFile(L"C:\\plain.txt", "p");
  m.WriteFile(L"D:\\ro.txt", "old");
  m.WriteFile(L"D:\\sys.txt", "old");
  m.WriteFile(L"D:\\Folder\\x", "x");
  Files().SetFileAttributes(L"C:\\hidden.txt", kHidden | kSystem);
  Files().SetFileAttributes(L"D:\\ro.txt", kReadOnly);
  Files().SetFileAttributes(L"D:\\sys.txt", kSystem);

  EXPECT_EQ(Files().CopyFileEx(L"C:\\hidden.txt", L"D:\\hidden.txt", {}), platform::kErrorSuccess);
  EXPECT_EQ(Files().GetFileAttributes(L"D:\\hidden.txt"), kHidden | kSystem);
  EXPECT_EQ(Files().CopyFileEx(L"C:\\plain.txt", L"D:\\hidden.txt", {}), platform::kErrorAccessDenied);
  EXPECT_EQ(Files().CopyFileEx(L"C:\\hidden.txt", L"D:\\sys.txt", {}), platform::kErrorSuccess);
  EXPECT_EQ(Files().ReadFile(L"D:\\sys.txt"), "h");

  struct Case {
    const wchar_t* from;
    const wchar_t* to;
    uint32_t error;
  };
  const Case cases[] = {
      {L"C:\\plain.txt", L"D:\\ro.txt", platform::kErrorAccessDenied},
      {L"C:\\plain.txt", L"D:\\Folder", platform::kErrorAccessDenied},
      {L"C:\\none.txt", L"D:\\none.txt", platform::kErrorFileNotFound},
      {L"C:\\NoFolder\\a.txt", L"D:\\a.txt", platform::kErrorPathNotFound},
      {L"C:\\plain.txt", L"D:\\NoFolder\\a.txt", platform::kErrorPathNotFound},
      {L"C:\\plain.txt", L"Q:\\a.txt", platform::kErrorPathNotFound},
      {L"C:\\plain.txt", L"c:\\PLAIN.txt", platform::kErrorSharingViolation},  // onto itself
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Files().CopyFileEx(c.from, c.to, {}), c.error) << platform::WideToUtf8(c.to);
  }
  EXPECT_EQ(Files().ReadFile(L"D:\\ro.txt"), "old");
  EXPECT_EQ(Files().ReadFile(L"C:\\plain.txt"), "p");  // a copy onto itself keeps the file whole
}

TEST(SimFileCopy, FaultsMakeFilesUnreadableOrUnwritable) {
  Json::Value json = MinimalMachine();
  json["faults"]["unreadableFiles"].append("C:\\Users\\A\\Documents\\locked.db");
  json["faults"]["unwritableFiles"].append("D:\\Backup\\denied.txt");
  TempMachine m(json);
  m.WriteFile(L"C:\\Users\\A\\Documents\\locked.db", "db");
  m.WriteFile(L"C:\\ok.txt", "ok");
  m.WriteFile(L"D:\\Backup\\keep.txt", "");

  EXPECT_EQ(Files().CopyFileEx(L"C:\\users\\a\\documents\\LOCKED.db", L"D:\\Backup\\l.db", {}),
            platform::kErrorSharingViolation);
  EXPECT_FALSE(Files().ReadFile(L"C:\\Users\\A\\Documents\\locked.db"));
  EXPECT_FALSE(Files().CopyFile(L"C:\\Users\\A\\Documents\\locked.db", L"D:\\Backup\\l.db", false));
  EXPECT_EQ(Files().CopyFileEx(L"C:\\ok.txt", L"D:\\backup\\Denied.txt", {}), platform::kErrorAccessDenied);
  EXPECT_FALSE(Files().WriteFile(L"D:\\Backup\\denied.txt", "x"));
  EXPECT_FALSE(Files().FileExists(L"D:\\Backup\\denied.txt"));
  EXPECT_EQ(Files().CopyFileEx(L"C:\\ok.txt", L"D:\\Backup\\ok.txt", {}), platform::kErrorSuccess);
}

TEST(SimSpecialFolders, AnswerFromTheMachineAndNothingForUnknownOnes) {
  Json::Value json = MinimalMachine();
  json["specialFolders"].removeMember("favorites");
  TempMachine m(json);
  platform::System& system = platform::Current().system();
  EXPECT_EQ(system.SpecialFolderPath(platform::kCsidlDesktop), L"C:\\Users\\A\\Desktop");
  EXPECT_EQ(system.SpecialFolderPath(platform::kCsidlPersonal), L"C:\\Users\\A\\Documents");
  EXPECT_EQ(system.SpecialFolderPath(platform::kCsidlFavorites), std::nullopt);
  EXPECT_EQ(system.SpecialFolderPath(26), std::nullopt);
}

}  // namespace
