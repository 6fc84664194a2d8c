// Every tracking point's name and query, read back through the decrypted pairs.

#include "stats/fixed_points.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "platform/codepage.h"
#include "stats/device_identity.h"
#include "stats/image_labels.h"
#include "stats/point_identity.h"
#include "stats/query_view.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;
using Pairs = std::vector<std::pair<std::string, std::string>>;

Json::Value MachineWithAdapter() {
  Json::Value machine = MinimalMachine();
  Json::Value adapter;
  adapter["name"] = "{A}";
  adapter["mac"] = "1C-69-7A-0E-44-B2";
  machine["network"]["adapters"].append(adapter);
  machine["fileVersions"]["D:\\Tarnvik\\Tarnvik.exe"] = "1.1.0.19";
  machine["clock"]["now"] = Json::Int64(1700000000);
  return machine;
}

class FixedPointsTest : public testing::Test {
 protected:
  void SetUp() override {
    CGlobalParam::Release();
    CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
    CurrentPointIdentity() = PointIdentity{};
  }
  void TearDown() override {
    CGlobalParam::Release();
    CurrentPointIdentity() = PointIdentity{};
  }

  // The query's pairs with every value decrypted.
  static Pairs PlainPairs(const FixedPointBase& point) {
    Pairs pairs = QueryPairs(point.BuildQuery());
    for (auto& [key, value] : pairs) value = DecryptString(value, kStatsKey);
    return pairs;
  }

  static std::string Sole() { return DecryptString(CurrentPointIdentity().soleCipher, kStatsKey); }

  TempMachine machine_{MachineWithAdapter()};
};

struct PointCase {
  std::function<std::unique_ptr<FixedPointBase>()> make;
  int step;
  const char* name;  // UTF-8
  Pairs fragment;
};

TEST_F(FixedPointsTest, EveryPointHasItsStepNameAndFragment) {
  const std::vector<PointCase> cases = {
      {[] { return std::make_unique<FixedOpen>(); }, 0, "程序打开", {{"channel", "B3"}, {"version", "1.1.0.19"}}},
      {[] { return std::make_unique<FixedClose>(2); }, 1, "关闭程序", {{"close", "2"}}},
      {[] { return std::make_unique<FixedService>(); }, 2, "点击客服", {}},
      {[] { return std::make_unique<FixedSelModule>(3); }, 3, "切换功能模块", {{"module", "3"}}},
      {[] { return std::make_unique<FixedSelRecord>(std::set<std::wstring>{L"Win7 64位旗舰版.gho"},
                                                    std::set<std::wstring>{}); },
       4, "所有选中的系统记录", {{"select_os", "win7 64"}, {"download_os", "null"}, {"dsr", "0.0000"}}},
      {[] { return std::make_unique<FixedAverageSpeed>(2 * 1024 * 1024); }, 5, "平均下载速度", {{"speed", "2048"}}},
      {[] { return std::make_unique<FixedPE>(); }, 6, "PE下载完成", {}},
      {[] { return std::make_unique<FixedChkNext>(); }, 1001, "系统检测->点击下一步", {}},
      {[] { return std::make_unique<FixedChkFinish>("UEFI", Utf8ToAnsi("Windows 10 专业版 64位"), 8388608); },
       1002, "系统检测->检测完成", {{"type", "UEFI"}, {"os", "win10 64"}, {"mem", "8388608"}}},
      {[] { return std::make_unique<FixedOnlyDownGho>(); }, 1101, "选择系统->仅下载镜像", {}},
      {[] { return std::make_unique<FixedBkpNext>("14"); }, 1201, "备份资料->点击下一步", {{"backup", "14"}}},
      {[] { return std::make_unique<FixedBkpPrev>(); }, 1202, "备份资料->点击上一步", {}},
      {[] { return std::make_unique<FixedDldAuto>(false); }, 1301, "下载系统->反勾选重启", {{"auto", "0"}}},
      {[] { return std::make_unique<FixedDldInstall>(Utf8ToAnsi("深度 WinXP SP3 纯净版.gho")); }, 1302,
       "下载系统->立即重装 ", {{"final_os", "xp"}}},
      {[] { return std::make_unique<FixedDldReboot>(true); }, 1303, "下载系统->重启电脑", {{"reset_succed", "1"}}},
      {[] { return std::make_unique<FixedFormat>(true); }, 2001, "U盘格式化", {{"u_initialization", "1"}}},
      {[] { return std::make_unique<FixedFormatResult>(false); }, 2002, "U盘格式化结果",
       {{"u_initialization_succed", "0"}}},
      {[] { return std::make_unique<FixedNtfs>(false); }, 2101, "转换ntfs", {{"u_ntfs", "0"}}},
      {[] { return std::make_unique<FixedNtfsResult>(true); }, 2102, "转换ntfs结果", {{"u_ntfs_succed", "1"}}},
      {[] { return std::make_unique<FixedMakeUsb>(true); }, 2201, "一键制作启动u盘", {{"u_make", "1"}}},
      {[] { return std::make_unique<FixedMakeUsbOnly>(); }, 2202, "仅制作U盘", {}},
      {[] { return std::make_unique<FixedMakeUsbGho>(std::vector<std::string>{"win8_32.iso", "WinPE.iso"}); },
       2203, "选择镜像并制作", {{"u_select_os_make", "win8 32@@Other"}}},
      {[] { return std::make_unique<FixedMakeUsbResult>(false); }, 2204, "U盘制作结果", {{"u_succed", "0"}}},
      {[] { return std::make_unique<FixedMakeUsbCopyResult>(true); }, 2205, "复制镜像结果", {{"u_copy_succed", "1"}}},
      {[] { return std::make_unique<FixedMakeUsbStart>(); }, 2206, "开始制作U盘", {}},
  };
  for (const PointCase& c : cases) {
    std::unique_ptr<FixedPointBase> point = c.make();
    SCOPED_TRACE(c.name);
    EXPECT_EQ(point->step, c.step);
    EXPECT_EQ(point->GetName(), Utf8ToAnsi(c.name));  // code page 936, not UTF-8
    Pairs expected = {{"mac", "1C-69-7A-0E-44-B2"}, {"sole", Sole()}, {"step", std::to_string(c.step)}};
    expected.insert(expected.end(), c.fragment.begin(), c.fragment.end());
    EXPECT_EQ(PlainPairs(*point), expected);
  }
}

TEST_F(FixedPointsTest, QueryIsTheBaseFollowedByBase64ValuesUnescaped) {
  FixedClose point(1);
  const std::string query = point.BuildQuery();
  const PointIdentity& identity = CurrentPointIdentity();
  EXPECT_EQ(point.BaseQuery(),
            "mac=" + identity.macCipher + "&sole=" + identity.soleCipher + "&step=" + EncryptString("1", kStatsKey));
  EXPECT_EQ(query, point.BaseQuery() + "&close=" + EncryptString("1", kStatsKey));
  EXPECT_EQ(query.find('%'), std::string::npos);
  EXPECT_EQ(FixedService().BuildQuery(), FixedService().BaseQuery());
}

TEST_F(FixedPointsTest, FirstPointFillsTheIdentityOnce) {
  ASSERT_FALSE(CurrentPointIdentity().ready);
  FixedService first;
  ASSERT_TRUE(CurrentPointIdentity().ready);
  const std::string sole = CurrentPointIdentity().soleCipher;
  FixedService second;
  EXPECT_EQ(CurrentPointIdentity().soleCipher, sole);
  EXPECT_EQ(first.BaseQuery(), second.BaseQuery());
}

TEST_F(FixedPointsTest, MissingMacStillGivesAValidQuery) {
  // An adapter without a 6-byte address gives no MAC text at all.
  Json::Value machine = MinimalMachine();
  Json::Value adapter;
  adapter["name"] = "{B}";
  adapter["mac"] = "";
  machine["network"]["adapters"].append(adapter);
  TempMachine noMac(machine);  // installed over the fixture's machine for this test
  CGlobalParam::Release();
  CurrentPointIdentity() = PointIdentity{};
  Pairs pairs = PlainPairs(FixedService());
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"mac", ""}));
  EXPECT_EQ(QueryPairs(FixedService().BuildQuery())[0].second, EncryptString("", kStatsKey));
}

TEST_F(FixedPointsTest, SelectionRecordJoinsLabelsInSetOrderAndGivesTheRatio) {
  struct Case {
    std::set<std::wstring> selected, downloaded;
    std::string selectOs, downloadOs, dsr;
  };
  const std::vector<Case> cases = {
      {{}, {}, "null", "null", "0.0000"},
      {{L"Win7 64位旗舰版.gho", L"Win10 64位专业版.iso"}, {L"Win10 64位专业版.iso"},
       // "Win10..." sorts before "Win7...".
       "win10 64@@win7 64", "win10 64", "0.5000"},
      // Equal labels are not merged.
      {{L"win7_64_a.gho", L"win7_64_b.gho", L"win7_32.gho"}, {L"win7_64_a.gho", L"win7_64_b.gho"},
       "win7 32@@win7 64@@win7 64", "win7 64@@win7 64", "0.6667"},
      {{}, {L"pe.iso"}, "null", "pe", "0.0000"},
      // Ordered by UTF-16 code unit: U+1F4BF is stored as D83D DCBF and sorts before U+FF01.
      {{L"Win\uFF01 10 64.iso", L"Win\U0001F4BF 7 64.gho"}, {L"Win\U0001F4BF 7 64.gho"},
       "win7 64@@win10 64", "win7 64", "0.5000"},
  };
  for (const Case& c : cases) {
    Pairs pairs = PlainPairs(FixedSelRecord(c.selected, c.downloaded));
    ASSERT_EQ(pairs.size(), 6u);
    EXPECT_EQ(pairs[3], (std::pair<std::string, std::string>{"select_os", c.selectOs}));
    EXPECT_EQ(pairs[4], (std::pair<std::string, std::string>{"download_os", c.downloadOs}));
    EXPECT_EQ(pairs[5], (std::pair<std::string, std::string>{"dsr", c.dsr}));
  }
}

TEST_F(FixedPointsTest, SpeedIsKilobytesTruncatedTo32Bits) {
  const std::vector<std::pair<int64_t, std::string>> cases = {
      {2 * 1024 * 1024, "2048"}, {1023, "0"}, {1025, "1"}, {(int64_t{1} << 42) + 5 * 1024, "5"}};
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(PlainPairs(FixedAverageSpeed(bytes)).back().second, text) << bytes;
  }
}

TEST_F(FixedPointsTest, LongImageListsGrowTheQuery) {
  std::vector<std::string> names(300, "Win10_64_Pro_1709_x64_zh-cn.iso");
  FixedMakeUsbGho point(names);
  std::string expected = "win7 64";
  for (int i = 1; i < 300; ++i) expected += "@@win7 64";
  EXPECT_EQ(PlainPairs(point).back().second, expected);

  std::set<std::wstring> many;
  for (int i = 0; i < 200; ++i) many.insert(L"Windows XP SP3 build " + std::to_wstring(i));
  Pairs record = PlainPairs(FixedSelRecord(many, many));
  EXPECT_EQ(record[3].second.size(), 200 * 2 + 199 * 2u);
  EXPECT_EQ(record[5].second, "1.0000");
}

TEST_F(FixedPointsTest, NamesOfTheImageListAreReadAsCodePage936) {
  // "Ｗｉｎ" in full-width letters does not count as "win"; GBK bytes around ASCII do not
  // hide it.
  Pairs pairs = PlainPairs(FixedMakeUsbGho({Utf8ToAnsi("雨林木风WIN7旗舰64位"), Utf8ToAnsi("Ｗｉｎ10 64")}));
  EXPECT_EQ(pairs.back().second, "win7 64@@Other");
  EXPECT_EQ(PlainPairs(FixedMakeUsbGho({})).back().second, "");
}

TEST(OsFamilyLabelTest, FirstMatchingRuleDecides) {
  const std::vector<std::pair<std::wstring, std::wstring>> cases = {
      {L"WinXP_SP3.gho", L"xp"},
      {L"Windows XP 64 7 10", L"xp"},  // xp before everything
      {L"Win7 Ultimate x64", L"win7 64"},
      {L"WIN7 旗舰版", L"win7 32"},
      {L"Win10 1709 64位", L"win7 64"},  // the "7" of 1709 comes first
      {L"Windows10_x64.iso", L"win10 64"},
      {L"windows 10 x86", L"win10 32"},
      {L"Win8.1 64", L"win8 64"},
      {L"win8", L"win8 32"},
      {L"Windows Server", L"Other"},
      {L"WinPE 64", L"Other"},  // "win" wins over "pe"
      {L"WEPE64.WIM", L"pe"},
      {L"Ubuntu 22.04", L"Other"},
      {L"", L"Other"},
      {L"ＷＩＮ７", L"Other"},  // only ASCII letters fold
  };
  for (const auto& [name, label] : cases) EXPECT_EQ(OsFamilyLabel(name), label) << platform::WideToUtf8(name);
}

}  // namespace
