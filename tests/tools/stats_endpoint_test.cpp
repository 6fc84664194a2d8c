// The local service's statistics endpoint, posted to over loopback as the reporter posts.

#include <gtest/gtest.h>
#include <json/json.h>

#include <fstream>
#include <sstream>

#include "app/post_form.h"
#include "app/text_helpers.h"
#include "services/local_service.h"
#include "stats/payload_cipher.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> Lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A plain text whose cipher text carries a "+", which form decoding would spoil.
std::string PlainWithPlusInItsCipher() {
  for (int i = 0; i < 10000; ++i) {
    std::string plain = "value " + std::to_string(i);
    if (EncryptString(plain, kStatsKey).find('+') != std::string::npos) return plain;
  }
  return "";
}

TEST(StatsEndpoint, LogsEachPointDecryptedInPostedOrder) {
  testing_support::TempDir root;
  services::LocalService service({root.path(), 0});
  ASSERT_TRUE(service.Bind());
  service.Start();
  const std::string url = "http://127.0.0.1:" + std::to_string(service.port()) + "/api/indepth";

  const std::string plus = PlainWithPlusInItsCipher();
  ASSERT_FALSE(plus.empty());
  const std::string body = "step=" + EncryptString("2", kStatsKey) + "&os=" + EncryptString(plus, kStatsKey) +
                           "&noequals&name=" + EncryptString(Utf8ToAnsi("点击客服"), kStatsKey) + "&auto=" +
                           EncryptString("0", kStatsKey);
  for (int i = 0; i < 2; ++i) {
    std::string response;
    ASSERT_EQ(PostForm().Post(url, body, response), 0);
    Json::Value reply;
    ASSERT_TRUE(Json::Reader().parse(response, reply)) << response;
    EXPECT_EQ(reply["code"].asInt(), 0);
  }

  const std::vector<std::string> lines = Lines(root.path() / "indepth.jsonl");
  ASSERT_EQ(lines.size(), 2u);
  Json::Value point;
  ASSERT_TRUE(Json::Reader().parse(lines[0], point)) << lines[0];
  EXPECT_EQ(point["step"].asString(), "2");
  EXPECT_EQ(point["os"].asString(), plus);
  EXPECT_EQ(point["name"].asString(), "点击客服");  // UTF-8 in the log
  EXPECT_EQ(point["auto"].asString(), "0");
  EXPECT_FALSE(point.isMember("noequals"));
  EXPECT_EQ(point["time"].asString().size(), 20u);  // 2026-01-01T00:00:00Z
  // The keys keep the order of the query, and the text is UTF-8 itself, not escaped.
  EXPECT_LT(lines[0].find("\"step\""), lines[0].find("\"os\""));
  EXPECT_LT(lines[0].find("\"os\""), lines[0].find("\"name\""));
  EXPECT_NE(lines[0].find("点击客服"), std::string::npos);
}

}  // namespace
