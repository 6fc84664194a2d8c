// The "list volume" table read by its columns: cases that a search of the whole row for the
// letter, or for the first digits, would get wrong.
#include "volume_table.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace molvane {
namespace {

const std::wstring kHeader = L"  卷 ###      LTR  标签         FS     类型        大小     状态       信息";
const std::wstring kDashes = L"  ----------  ---  -----------  -----  ----------  -------  ---------  --------";

std::vector<std::wstring> Answer(std::vector<std::wstring> table) {
  std::vector<std::wstring> lines = {L"", L"Microsoft DiskPart 版本 10.0.19041.964", L"",
                                     L"Copyright (C) Microsoft Corporation.",
                                     L"在计算机上: DESKTOP-TARN01", L""};
  lines.insert(lines.end(), table.begin(), table.end());
  return lines;
}

struct LookupCase {
  const char* name;
  std::vector<std::wstring> table;
  wchar_t letter;
  std::optional<int> number;
};

void PrintTo(const LookupCase& c, std::ostream* out) { *out << c.name; }

class VolumeLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(VolumeLookup, FindsTheVolumeHoldingTheLetterOrNone) {
  const auto rows = ReadVolumeTable(Answer(GetParam().table));
  ASSERT_TRUE(rows.has_value());
  EXPECT_EQ(FindVolumeNumber(*rows, GetParam().letter), GetParam().number);
}

const std::wstring kRowD = L"  卷     3     D   新加卷       NTFS   磁盘分区      40 GB  正常";
const std::wstring kRowHidden = L"  卷     1         系统保留     NTFS   磁盘分区     500 MB  正常       系统";
const std::wstring kRowOptical = L"  卷     0     E                       DVD-ROM         0 B  无介质";
const std::wstring kRowLabelF = L"  卷     2         Data F       FAT32  磁盘分区     260 MB  正常       系统";

INSTANTIATE_TEST_SUITE_P(
    Tables, VolumeLookup,
    testing::Values(
        LookupCase{"UpperCaseLetter", {kHeader, kDashes, kRowOptical, kRowHidden, kRowD}, L'D', 3},
        LookupCase{"LowerCaseLetter", {kHeader, kDashes, kRowOptical, kRowHidden, kRowD}, L'd', 3},
        LookupCase{"FOfNtfsInALetterlessRow", {kHeader, kDashes, kRowHidden, kRowD}, L'F', {}},
        LookupCase{"LetterInALabel", {kHeader, kDashes, kRowLabelF, kRowD}, L'f', {}},
        LookupCase{"MOfMbInALetterlessRow", {kHeader, kDashes, kRowHidden, kRowD}, L'M', {}},
        LookupCase{"OpticalDriveIgnored", {kHeader, kDashes, kRowOptical, kRowD}, L'E', {}},
        LookupCase{"NotALetter", {kHeader, kDashes, kRowD}, L'3', {}},
        LookupCase{"TwoDigitNumber",
                   {kHeader, kDashes, kRowHidden,
                    L"  卷     12    H   游戏         NTFS   磁盘分区     465 GB  正常"},
                   L'H', 12},
        LookupCase{"ThreeDigitNumber",
                   {kHeader, kDashes, L"  卷     123   K                NTFS   磁盘分区       1 GB  正常"},
                   L'K', 123},
        // Five Chinese characters fill ten of the label's eleven columns.
        LookupCase{"ChineseLabelFillingItsColumn",
                   {kHeader, kDashes, L"  卷     4     G   新加卷资料   NTFS   磁盘分区      40 GB  正常"},
                   L'G', 4},
        LookupCase{"SelectedVolumeMark",
                   {kHeader, kDashes, L"* 卷     3     D   新加卷       NTFS   磁盘分区      40 GB  正常"},
                   L'D', 3},
        LookupCase{"LetterClaimedTwice",
                   {kHeader, kDashes, kRowD,
                    L"  卷     4     D   新加卷       NTFS   磁盘分区      40 GB  正常"},
                   L'D', {}},
        LookupCase{"TableEndsAtBlankLine", {kHeader, kDashes, kRowHidden, L"", L"  卷     3     D"}, L'D', {}},
        LookupCase{"EnglishEdition",
                   {L"  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info",
                    L"  ----------  ---  -----------  -----  ----------  -------  ---------  --------",
                    L"  Volume 0     E                       DVD-ROM         0 B  No Media",
                    L"  Volume 1         System Rese  NTFS   Partition    500 MB  Healthy    System",
                    L"  Volume 10    C                NTFS   Partition     59 GB  Healthy    Boot"},
                   L'C', 10}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnreadableCase {
  const char* name;
  std::vector<std::wstring> table;
};

void PrintTo(const UnreadableCase& c, std::ostream* out) { *out << c.name; }

class UnreadableTable : public testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableTable, GivesNoRowsAtAll) {
  EXPECT_FALSE(ReadVolumeTable(Answer(GetParam().table)).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Tables, UnreadableTable,
    testing::Values(
        UnreadableCase{"BannerOnly", {}},
        UnreadableCase{"NoDashesLine", {kHeader, kRowD}},
        UnreadableCase{"NoLetterColumnTitle",
                       {L"  卷 ###      XYZ  标签         FS     类型        大小     状态       信息",
                        kDashes, kRowD}},
        // Padded by characters instead of display columns, the row runs past its columns.
        UnreadableCase{"ChineseLabelCountedAsOneColumnEach",
                       {kHeader, kDashes, kRowHidden,
                        L"  卷     3     D   新加卷          NTFS   磁盘分区      40 GB  正常"}},
        UnreadableCase{"LabelOverflowingIntoNextColumn",
                       {kHeader, kDashes, L"  卷     3     D   新加卷资料备份NTFS   磁盘分区      40 GB  正常"}},
        UnreadableCase{"LetterBetweenColumns",
                       {kHeader, kDashes, L"  卷     3       D 新加卷       NTFS   磁盘分区      40 GB  正常"}},
        UnreadableCase{"TwoLettersInLetterColumn",
                       {kHeader, kDashes, L"  卷     3     DE  新加卷       NTFS   磁盘分区      40 GB  正常"}},
        UnreadableCase{"NoNumber",
                       {kHeader, kDashes, L"  卷     ?     D   新加卷       NTFS   磁盘分区      40 GB  正常"}},
        UnreadableCase{"NumberWithoutWord",
                       {kHeader, kDashes, L"        3     D   新加卷       NTFS   磁盘分区      40 GB  正常"}},
        UnreadableCase{"NumberTwice", {kHeader, kDashes, kRowD, kRowD}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace molvane
