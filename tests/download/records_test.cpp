// The records passed to the download library, byte for byte.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "download/xl_records.h"

namespace {

int32_t Int32At(const void* record, size_t offset) {
  int32_t value;
  std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
  return value;
}

std::u16string StringAt(const void* record, size_t offset) {
  std::u16string text;
  for (auto* p = static_cast<const char*>(record) + offset;; p += 2) {
    char16_t unit;
    std::memcpy(&unit, p, 2);
    if (unit == 0) return text;
    text += unit;
  }
}

TEST(TaskParamRecord, CarriesTheStringsAndPresetsAtTheirOffsetsAndZeroElsewhere) {
  auto param = std::make_unique<XlTaskParam>();
  std::memset(param.get(), 0xAB, sizeof *param);  // FillTaskParam must clear what it does not set
  ASSERT_TRUE(FillTaskParam(*param, L"http://h/系统.iso", L"系统😀.iso", L"D:\\Tarnvik\\gho-prlm\\"));
  EXPECT_EQ(StringAt(param.get(), 4), u"http://h/系统.iso");
  EXPECT_EQ(StringAt(param.get(), 16532), u"系统😀.iso");  // the emoji as a surrogate pair
  EXPECT_EQ(StringAt(param.get(), 17572), u"D:\\Tarnvik\\gho-prlm\\");
  struct Preset {
    size_t offset;
    int32_t value;
  };
  for (Preset p : {Preset{18096, 0}, Preset{18356, 0}, Preset{18360, 5}, Preset{18364, 0}, Preset{18368, 1}}) {
    EXPECT_EQ(Int32At(param.get(), p.offset), p.value) << p.offset;
  }
  // Every other byte is zero: outside the strings' units and terminators and the presets.
  std::vector<bool> used(sizeof *param, false);
  auto mark = [&](size_t from, size_t bytes) { std::fill(used.begin() + from, used.begin() + from + bytes, true); };
  mark(4, (std::u16string(u"http://h/系统.iso").size() + 1) * 2);
  mark(16532, (std::u16string(u"系统😀.iso").size() + 1) * 2);
  mark(17572, (std::u16string(u"D:\\Tarnvik\\gho-prlm\\").size() + 1) * 2);
  mark(18360, 4);
  mark(18368, 4);
  auto* bytes = reinterpret_cast<const unsigned char*>(param.get());
  for (size_t i = 0; i < sizeof *param; ++i) {
    if (!used[i]) {
      ASSERT_EQ(bytes[i], 0) << "byte " << i;
    }
  }
}

TEST(TaskParamRecord, RefusesStringsLongerThanTheirField) {
  auto param = std::make_unique<XlTaskParam>();
  EXPECT_TRUE(FillTaskParam(*param, std::wstring(8263, L'u'), std::wstring(519, L'f'), std::wstring(261, L'd')));
  EXPECT_FALSE(FillTaskParam(*param, std::wstring(8264, L'u'), L"f", L"d"));
  EXPECT_FALSE(FillTaskParam(*param, L"u", std::wstring(520, L'f'), L"d"));
  EXPECT_FALSE(FillTaskParam(*param, L"u", L"f", std::wstring(262, L'd')));
}

TEST(TaskInfoRecord, StartsZeroedWithTheStoppedStateAndReadsItsFileName) {
  XlTaskInfo info;
  std::memset(&info, 0x5A, sizeof info);
  PresetTaskInfo(info);
  EXPECT_EQ(Int32At(&info, 0), 2);
  auto* bytes = reinterpret_cast<const unsigned char*>(&info);
  for (size_t i = 4; i < sizeof info; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;

  const std::u16string name = u"WEPE64😀.WIM";
  std::memcpy(reinterpret_cast<char*>(&info) + 8, name.c_str(), (name.size() + 1) * 2);
  EXPECT_EQ(InfoFileName(info), L"WEPE64😀.WIM");
}

}  // namespace
