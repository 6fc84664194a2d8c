// The WinPE component's paths and the title of its boot entry.

#include "app/pe_component.h"

#include <gtest/gtest.h>

namespace {

TEST(PeComponent, TheWimLiesBesideTheIso) {
  ASSERT_TRUE(SetPeComponentPaths(L"D:\\Tarnvik\\PE\\WEPE64_v2.iso"));
  EXPECT_EQ(peIsoPath(), L"D:\\Tarnvik\\PE\\WEPE64_v2.iso");
  EXPECT_EQ(peWimPath(), L"D:\\Tarnvik\\PE\\WEPE64.WIM");
  EXPECT_STREQ(kWimPathInIso, L"WEPE\\WEPE64.WIM");
}

TEST(PeComponent, NoPathOrOneTooLongForThePathBuffersLeavesNoComponent) {
  const std::wstring longest = L"D:\\" + std::wstring(256, L'a');  // 259 characters
  ASSERT_TRUE(SetPeComponentPaths(longest));
  EXPECT_EQ(peIsoPath(), longest);
  for (const std::wstring& refused : {std::wstring(), longest + L"b"}) {
    ASSERT_TRUE(SetPeComponentPaths(L"D:\\Tarnvik\\PE\\WEPE64.iso"));
    EXPECT_FALSE(SetPeComponentPaths(refused));
    EXPECT_EQ(peIsoPath(), L"");  // not the earlier component
    EXPECT_EQ(peWimPath(), L"");
  }
}

TEST(PeComponent, TheLabelStartsAsTheReinstallOneAndKeepsAtMost63Characters) {
  EXPECT_EQ(peLabel(), L"PRLM-10PE-1.0");
  SetPeLabel(std::wstring(70, L'x'));
  EXPECT_EQ(peLabel(), std::wstring(63, L'x'));
  SetPeLabel(L"QXPR-10PE-1.0");
  EXPECT_EQ(peLabel(), L"QXPR-10PE-1.0");
  SetPeLabel(L"PRLM-10PE-1.0");
}

}  // namespace
