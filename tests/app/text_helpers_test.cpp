// Conversions between wide text, code page 936 and UTF-8.

#include <gtest/gtest.h>

#include "app/text_helpers.h"

namespace {

TEST(TextHelpers, ChineseTextThroughCodePage936) {
  const std::wstring wide = L"控制台 Tarnvik 数据";
  const std::string local = WideToLocal(wide);
  EXPECT_EQ(local.substr(0, 6), "\xBF\xD8\xD6\xC6\xCC\xA8");
  EXPECT_EQ(LocalToWide(local), wide);
  EXPECT_EQ(AnsiToUtf8(local), "控制台 Tarnvik 数据");
  EXPECT_EQ(Utf8ToAnsi("控制台 Tarnvik 数据"), local);
}

TEST(TextHelpers, WhatCannotBeConvertedIsMarked) {
  EXPECT_EQ(WideToLocal(L"a\U0001F600b"), "a?b");  // no emoji in code page 936
  EXPECT_EQ(LocalToWide("a\x81"), L"a\uFFFD");     // a lead byte without its trail byte
  EXPECT_EQ(Utf8ToAnsi("a\xFF" "b"), "a?b");
  EXPECT_EQ(WideToLocal(L""), "");
}

TEST(TextHelpers, Integers) {
  EXPECT_EQ(IntToString(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToString(0), "0");
  EXPECT_EQ(IntToWideString(4096), L"4096");
}

}  // namespace
