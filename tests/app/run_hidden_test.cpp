// How external commands start: the shell request, the verb by Windows version, the wait,
// and the removal of protected files.

#include "app/run_hidden.h"

#include <gtest/gtest.h>

#include "app/protected_file.h"
#include "app/text_helpers.h"
#include "support/recording_platform.h"

namespace {

using testing_support::RecordingConsolePlatform;
using testing_support::RecordingPlatform;

class RunHiddenTest : public testing::Test {
 protected:
  RecordingConsolePlatform empty_;
  RecordingPlatform recorder_{empty_};
  platform::ScopedPlatform installed_{recorder_};
};

TEST_F(RunHiddenTest, AsksForElevationFromVistaOnAndNotOnWindows2000OrXp) {
  struct Case {
    std::optional<platform::OsVersion> version;
    const wchar_t* verb;
  };
  const Case cases[] = {
      {platform::OsVersion{5, 0, 2195}, L""},      {platform::OsVersion{5, 1, 2600}, L""},
      {platform::OsVersion{5, 2, 3790}, L""},      {platform::OsVersion{6, 0, 6002}, L"runas"},
      {platform::OsVersion{6, 1, 7601}, L"runas"}, {platform::OsVersion{10, 0, 19045}, L"runas"},
  };
  for (const Case& c : cases) {
    recorder_.version = c.version;
    ASSERT_TRUE(RunHidden(L"cmd.exe", L"/c x", std::nullopt, true));
    EXPECT_EQ(recorder_.Starts().back().request.verb, c.verb) << c.version->major << "." << c.version->minor;
  }
  EXPECT_EQ(recorder_.Log(), "");
}

TEST_F(RunHiddenTest, WithoutAReadableVersionLogsItAndAsksForNoVerb) {
  recorder_.version.reset();
  ASSERT_TRUE(RunHidden(L"cmd.exe", L"/c x", std::nullopt, true));
  EXPECT_EQ(recorder_.Starts().back().request.verb, L"");
  EXPECT_EQ(recorder_.Log(), WideToLocal(L"检查系统版本失败") + "\n");
}

TEST_F(RunHiddenTest, StartsTheProgramHiddenInTheFolderGivenAndWaitsOnlyWhenAsked) {
  ASSERT_TRUE(RunHidden(L"D:\\Tarnvik\\tool\\7z.exe", L"e a.iso", L"D:\\Tarnvik\\tool", false));
  ASSERT_TRUE(RunHidden(L"cmd.exe", L"/c y", std::nullopt, true));
  auto starts = recorder_.Starts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].request.file, L"D:\\Tarnvik\\tool\\7z.exe");
  EXPECT_EQ(starts[0].request.parameters, L"e a.iso");
  EXPECT_EQ(starts[0].request.directory, std::optional<std::wstring>(L"D:\\Tarnvik\\tool"));
  EXPECT_EQ(starts[0].request.show, platform::kSwHide);
  EXPECT_FALSE(starts[0].waited);
  EXPECT_EQ(starts[1].request.directory, std::nullopt);
  EXPECT_TRUE(starts[1].waited);
}

TEST_F(RunHiddenTest, AProgramThatCannotStartIsLoggedByName) {
  recorder_.onStart = [](const platform::ShellExecuteRequest&) { return false; };
  EXPECT_FALSE(RunHidden(L"cmd.exe", L"/c copy a b", std::nullopt, true));
  EXPECT_EQ(recorder_.Log(), "cannot start cmd.exe /c copy a b\n");
  EXPECT_FALSE(recorder_.Starts().back().waited);
}

TEST_F(RunHiddenTest, AProtectedFileLosesItsAttributesAndIsThenDeleted) {
  DeleteProtectedFile(L"C:\\ghostPe.In");
  auto starts = recorder_.Starts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].request.file, L"cmd.exe");
  EXPECT_EQ(starts[0].request.parameters, L"/c attrib -s -r -h \"C:\\ghostPe.In\"");
  EXPECT_EQ(starts[1].request.parameters, L"/c del /q \"C:\\ghostPe.In\"");
  for (const auto& s : starts) {
    EXPECT_EQ(s.request.directory, std::nullopt);
    EXPECT_TRUE(s.waited);
  }
}

}  // namespace
