// The catalogue text turned into the OS list and the WinPE entry.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "platform/codepage.h"
#include "program_machine.h"

namespace {

Json::Value Entry(const std::string& name, const std::string& digit, const std::string& fileName) {
  Json::Value e;
  e["os_name"] = name;
  e["digit"] = digit;
  e["file_name"] = fileName;
  e["file_time"] = "2018-01-01";
  e["url"] = "http://127.0.0.1/images/" + fileName;
  e["md5"] = "d41d8cd98f00b204e9800998ecf8427e";
  e["size"] = "1048576";
  e["flag"] = 1;
  return e;
}

std::string Text(const Json::Value& catalogue) { return Json::FastWriter().write(catalogue); }

std::vector<std::string> FileNames(const CatalogueResult& c) {
  std::vector<std::string> names;
  for (const auto& e : c.osList) names.push_back(platform::WideToUtf8(e->fileName));
  return names;
}

class ParseCatalogueTest : public testing::Test {
 protected:
  void Parse(const std::string& text) { result_ = ParseCatalogue(facts_, text, previousPe_); }

  ProgramMachine machine_;
  CatalogueMachine facts_;
  PeEntry previousPe_;
  CatalogueResult result_;
};

TEST_F(ParseCatalogueTest, EntriesAndWinPeRowAreRead) {
  Json::Value catalogue;
  catalogue["count"] = 1;
  Json::Value e = Entry("Windows 10 专业版 64位", "64", "win10_x64.gho");
  e["size"] = "5368709120";
  e["file_time"] = "2018年6月";
  catalogue["0"] = e;
  catalogue["pe_row"][0]["pe_name"] = "WEPE.iso";
  catalogue["pe_row"][0]["pe_url"] = "http://127.0.0.1/pe/WEPE.iso";
  catalogue["pe_row"][0]["pe_size"] = "2097152";
  facts_.machineText = L"其他系统64位 ";  // no plan: the list keeps catalogue order

  Parse(Text(catalogue));

  ASSERT_EQ(result_.osList.size(), 1u);
  const OsEntry& image = *result_.osList[0];
  EXPECT_EQ(image.name, L"Windows 10 专业版 64位");
  EXPECT_EQ(image.fileName, L"win10_x64.gho");
  EXPECT_EQ(image.fileTime, L"2018年6月");
  EXPECT_EQ(image.url, L"http://127.0.0.1/images/win10_x64.gho");
  EXPECT_EQ(image.md5, "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(image.size, 5368709120);
  EXPECT_EQ(image.bits, 64);
  EXPECT_EQ(image.localPath, L"");
  EXPECT_EQ(image.state, 0);
  EXPECT_FALSE(image.recommended);
  EXPECT_EQ(result_.peEntry.fileName, L"WEPE.iso");
  EXPECT_EQ(result_.peEntry.url, L"http://127.0.0.1/pe/WEPE.iso");
  EXPECT_EQ(result_.peEntry.size, 2097152);
}

TEST_F(ParseCatalogueTest, UefiFilterDropsXpAnd32BitImages) {
  Json::Value catalogue;
  catalogue["count"] = 4;
  catalogue["0"] = Entry("Windows XP SP3", "64", "winxp_x64.gho");
  catalogue["1"] = Entry("Windows 7 旗舰版 32位", "32", "win7_x86.gho");
  catalogue["2"] = Entry("Windows 10 64位", "64", "win10_x64.gho");
  catalogue["3"] = Entry("Windows 7 旗舰版 64位", "64", "win7_x64.gho");
  struct Case {
    const wchar_t* bootMode;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {L"UEFI", {"win10_x64.gho", "win7_x64.gho"}},
      {L"uefi", {"win10_x64.gho", "win7_x64.gho"}},
      {L"MBR", {"winxp_x64.gho", "win7_x86.gho", "win10_x64.gho", "win7_x64.gho"}},
      {L"", {"winxp_x64.gho", "win7_x86.gho", "win10_x64.gho", "win7_x64.gho"}},
  };
  facts_.machineText = L"其他系统64位 ";
  for (const Case& c : cases) {
    facts_.bootModeText = c.bootMode;
    Parse(Text(catalogue));
    EXPECT_EQ(FileNames(result_), c.files) << platform::WideToUtf8(c.bootMode);
  }
}

TEST_F(ParseCatalogueTest, ParsedListIsOrderedAndRecommended) {
  Json::Value catalogue;
  catalogue["count"] = 3;
  catalogue["0"] = Entry("Windows 10", "64", "win10_x64.gho");
  catalogue["1"] = Entry("Windows 8", "64", "win8_x64.gho");
  catalogue["2"] = Entry("Windows 7", "64", "win7_x64.gho");
  facts_.machineText = L"Win7 64位 旗舰版";
  facts_.osBits = 64;
  Parse(Text(catalogue));
  EXPECT_EQ(FileNames(result_), (std::vector<std::string>{"win7_x64.gho", "win10_x64.gho"}));
  EXPECT_TRUE(result_.osList[0]->recommended);
}

TEST_F(ParseCatalogueTest, WinPeRowUpdatesOnlyWhenPresent) {
  struct Case {
    const char* what;
    std::string text;
    const wchar_t* peName;
  };
  const Case cases[] = {
      {"count 0 with a row", R"({"count":0,"pe_row":[{"pe_name":"new.iso","pe_url":"u","pe_size":"7"}]})", L"new.iso"},
      {"no row", R"({"count":0})", L"old.iso"},
      {"empty row array", R"({"count":0,"pe_row":[]})", L"old.iso"},
      {"row not an array", R"({"count":0,"pe_row":{"pe_name":"x"}})", L"old.iso"},
      {"element not an object", R"({"count":0,"pe_row":["x"]})", L"old.iso"},
      {"member of another type", R"({"count":0,"pe_row":[{"pe_name":5}]})", L"old.iso"},
      {"not JSON", "{\"count\":0,\"pe_row\":[{\"pe_name\":\"x\"", L"old.iso"},
      {"only element 0 is read", R"({"pe_row":[{"pe_name":"a.iso"},{"pe_name":"b.iso"}]})", L"a.iso"},
  };
  for (const Case& c : cases) {
    previousPe_ = PeEntry{L"old.iso", 5, L"old-url", 3};
    Parse(c.text);
    EXPECT_EQ(result_.peEntry.fileName, c.peName) << c.what;
    EXPECT_TRUE(result_.osList.empty()) << c.what;
  }
}

TEST_F(ParseCatalogueTest, DecimalTextsReadAsStreamExtractionDoes) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"1048576", 1048576}, {"  64", 64},  {"64bit", 64}, {"-5", -5},
      {"", 0},              {"abc", 0},    {"x64", 0},    {"99999999999999999999", 0},
  };
  facts_.machineText = L"其他系统64位 ";
  for (const Case& c : cases) {
    Json::Value catalogue;
    catalogue["count"] = 1;
    catalogue["0"] = Entry("Windows 10", c.text, "win10.gho");
    catalogue["0"]["size"] = c.text;
    Parse(Text(catalogue));
    ASSERT_EQ(result_.osList.size(), 1u) << c.text;
    EXPECT_EQ(result_.osList[0]->size, c.value) << c.text;
    EXPECT_EQ(result_.osList[0]->bits, static_cast<int32_t>(static_cast<uint32_t>(c.value))) << c.text;
  }
}

// Whatever the service or the cache holds, the parse ends with a list of the sound
// entries only, and never reads more than is there.
TEST_F(ParseCatalogueTest, MalformedOrHostileCataloguesLeaveOnlySoundEntries) {
  const std::string good = Text(Entry("Windows 10", "64", "good.gho"));
  const std::string good2 = Text(Entry("Windows 10", "64", "good2.gho"));
  std::string deep(100000, '[');
  std::string many = "{\"count\":50000";
  for (int i = 0; i < 50000; ++i) many += ",\"" + std::to_string(i) + "\":" + good;
  many += "}";
  struct Case {
    const char* what;
    std::string text;
    size_t count;
  };
  const Case cases[] = {
      {"empty text", "", 0},
      {"not JSON", "<html>502 Bad Gateway</html>", 0},
      {"truncated", "{\"count\":2,\"0\":" + good + ",\"1\":{\"os_name\":\"Win", 0},
      {"an array", "[" + good + "]", 0},
      {"a number", "42", 0},
      {"nested without end", deep, 0},
      {"count missing", "{\"0\":" + good + "}", 0},
      {"count as text", "{\"count\":\"1\",\"0\":" + good + "}", 0},
      {"count negative", "{\"count\":-1,\"0\":" + good + "}", 0},
      {"count a fraction", "{\"count\":0.5,\"0\":" + good + "}", 0},
      {"count huge, two entries", "{\"count\":9223372036854775807,\"0\":" + good + ",\"7\":" + good2 + "}", 2},
      {"count beyond 64 bits", "{\"count\":18446744073709551615,\"0\":" + good + "}", 1},
      {"entries beyond count are not read", "{\"count\":1,\"0\":" + good + ",\"1\":" + good2 + "}", 1},
      {"names that are not plain numbers", "{\"count\":5,\"00\":" + good + ",\"+1\":" + good + ",\" 2\":" + good + "}", 0},
      {"entry not an object", "{\"count\":2,\"0\":\"text\",\"1\":" + good + "}", 1},
      {"member of another type skips its entry",
       "{\"count\":3,\"0\":{\"os_name\":10},\"1\":{\"size\":1048576},\"2\":" + good + "}", 1},
      {"missing members read as empty", "{\"count\":1,\"0\":{}}", 1},
      {"text after the first 0xFF byte is ignored", "{\"count\":1,\"0\":" + good + "}\xFF garbage", 1},
      {"fifty thousand entries", many, 50000},
  };
  facts_.machineText = L"其他系统64位 ";
  for (const Case& c : cases) {
    Parse(c.text);
    EXPECT_EQ(result_.osList.size(), c.count) << c.what;
  }
}

}  // namespace
