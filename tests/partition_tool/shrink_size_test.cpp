// The maximum shrink size read from diskpart's "shrink querymax" answer.
#include "shrink_size.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace molvane {
namespace {

struct SizeCase {
  const char* name;
  std::vector<std::wstring> answer;  // after the six banner lines
  std::optional<int> megabytes;
};

void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.name; }

class MaxShrinkSize : public testing::TestWithParam<SizeCase> {};

TEST_P(MaxShrinkSize, IsReadInMegabytes) {
  std::vector<std::wstring> lines(6, L"Microsoft DiskPart");
  lines.insert(lines.end(), GetParam().answer.begin(), GetParam().answer.end());
  EXPECT_EQ(ReadMaxShrinkMb(lines), GetParam().megabytes);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MaxShrinkSize,
    testing::Values(
        SizeCase{"Megabytes", {L"卷 3 是所选卷。", L"", L"可回收的最大字节数:  4096 MB"}, 4096},
        // Collecting every digit would give 3940495.
        SizeCase{"GigabytesThenMegabytes",
                 {L"卷 3 是所选卷。", L"", L"可回收的最大字节数:   39 GB (40495 MB)"}, 40495},
        SizeCase{"NoUnitTakesAllDigits", {L"卷 3 是所选卷。", L"可回收的最大字节数:  20000"}, 20000},
        SizeCase{"FirstMatchingLineOnly",
                 {L"", L"可回收的最大字节数:  12 MB", L"可回收的最大字节数:  99 MB"}, 12},
        SizeCase{"MbWithoutNumber", {L"卷 3 是所选卷。", L"可回收的最大字节数:  MB"}, {}},
        SizeCase{"NoDigits", {L"卷 3 是所选卷。", L"可回收的最大字节数:"}, {}},
        SizeCase{"NoSizeLine", {L"卷 3 是所选卷。", L"", L"虚拟磁盘服务错误:"}, {}},
        SizeCase{"BeyondInt", {L"", L"可回收的最大字节数:  99999999999 MB"}, {}},
        // Answers are searched from the eighth line on.
        SizeCase{"SeventhLineIgnored", {L"可回收的最大字节数:  4096 MB"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace molvane
