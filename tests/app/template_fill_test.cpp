// The command templates' conversions and their checks.

#include "app/template_fill.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(FillTemplate, ReplacesEachConversionWithItsValueAndKeepsEverythingElse) {
  EXPECT_EQ(FillTemplate(L"/c %s  /set  %s device partition=%c:&\t\t\t%d%%",
                         {L"bcdedit.dll", std::wstring(L"{id}"), L'C', 12}),
            L"/c bcdedit.dll  /set  {id} device partition=C:&\t\t\t12%");
  EXPECT_EQ(FillTemplate(L"no conversion \\jszc", {}), L"no conversion \\jszc");
  // A value is inserted as it is, even when it holds a conversion itself.
  EXPECT_EQ(FillTemplate(L"[%s]", {L"%s"}), L"[%s]");
}

TEST(FillTemplate, RefusesValuesThatDoNotMatchTheConversions) {
  EXPECT_THROW(FillTemplate(L"%s %s", {L"one"}), std::invalid_argument);
  EXPECT_THROW(FillTemplate(L"%s", {L"one", L"two"}), std::invalid_argument);
  EXPECT_THROW(FillTemplate(L"%c:", {L"C"}), std::invalid_argument);
  EXPECT_THROW(FillTemplate(L"%s", {L'C'}), std::invalid_argument);
  EXPECT_THROW(FillTemplate(L"%d", {L"1"}), std::invalid_argument);
  EXPECT_THROW(FillTemplate(L"ends in %", {}), std::invalid_argument);
}

}  // namespace
