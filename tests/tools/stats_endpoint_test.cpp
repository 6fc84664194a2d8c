// The local service's statistics endpoint, posted to over loopback as the reporter posts.

#include <httplib.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <fstream>
#include <sstream>

#include "app/payload_cipher.h"
#include "app/post_form.h"
#include "app/text_helpers.h"
#include "services/local_service.h"
#include "stats/fixed_points.h"
#include "stats/point_identity.h"
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

class StatsEndpointService : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Bind());
    service_.Start();
  }
  httplib::Result Post(const std::string& body) {
    httplib::Client client("127.0.0.1", service_.port());
    return client.Post("/api/indepth", body, "application/x-www-form-urlencoded");
  }
  std::filesystem::path LogFile() const { return root_.path() / "indepth.jsonl"; }

  testing_support::TempDir root_;
  services::LocalService service_{{root_.path(), 0}};
};

TEST_F(StatsEndpointService, APointThatCannotBeWrittenIsAnsweredWithAnError) {
  std::filesystem::create_directory(LogFile());  // no file can be opened there, whoever runs the test
  const std::string body = "step=" + EncryptString("2", kStatsKey);
  testing::internal::CaptureStderr();
  auto refused = Post(body);
  const std::string serviceErrors = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 500);
  Json::Value reply;
  ASSERT_TRUE(Json::Reader().parse(refused->body, reply)) << refused->body;
  EXPECT_NE(reply["code"].asInt(), 0);
  EXPECT_EQ(reply["msg"].asString(), "cannot write " + LogFile().string());
  EXPECT_NE(serviceErrors.find("indepth.jsonl"), std::string::npos) << serviceErrors;

  std::filesystem::remove(LogFile());
  auto accepted = Post(body);
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->status, 200);
  EXPECT_EQ(Lines(LogFile()).size(), 1u);
}

// The check's point sends its boot mode and system label as UTF-8, the identity as code
// page 936: the log shows both as they were meant.
TEST_F(StatsEndpointService, EachValueIsReadInTheCodePageItIsSentIn) {
  CurrentPointIdentity() = {EncryptString(Utf8ToAnsi("网卡"), kStatsKey), EncryptString("17654321001234", kStatsKey), true};
  const std::string checkQuery = FixedChkFinish(Utf8ToAnsi("UEFI 启动"), Utf8ToAnsi("Win10 64位 专业版"), 16384).BuildQuery();
  const std::string installQuery = FixedDldInstall(Utf8ToAnsi("Windows 7 旗舰版 64位")).BuildQuery();
  CurrentPointIdentity() = PointIdentity{};
  ASSERT_EQ(Post(checkQuery)->status, 200);
  ASSERT_EQ(Post(installQuery)->status, 200);

  const std::vector<std::string> lines = Lines(LogFile());
  ASSERT_EQ(lines.size(), 2u);
  Json::Value check, install;
  ASSERT_TRUE(Json::Reader().parse(lines[0], check)) << lines[0];
  ASSERT_TRUE(Json::Reader().parse(lines[1], install)) << lines[1];
  EXPECT_EQ(check["mac"].asString(), "网卡");
  EXPECT_EQ(check["type"].asString(), "UEFI 启动");
  EXPECT_EQ(check["os"].asString(), "win10 64");
  EXPECT_EQ(check["mem"].asString(), "16384");
  EXPECT_EQ(install["final_os"].asString(), "win7 64");
}

}  // namespace
