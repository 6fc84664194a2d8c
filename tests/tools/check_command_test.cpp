// tarnvikctl check on the demo machine against the local service, and the catalogue
// endpoint that service answers with.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/payload_cipher.h"
#include "app/post_form.h"
#include "services/local_service.h"
#include "support/service_base_override.h"
#include "support/tarnvikctl_process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::RunTarnvikctl;
using testing_support::ServiceBaseOverride;
using testing_support::TempDir;

const char kCatalogue[] =
    R"({"count":4,)"
    R"("0":{"os_name":"Windows 7 旗舰版 64位","digit":"64","file_name":"win7_x64.gho","file_time":"2018-03-01","url":"u","md5":"","size":"300"},)"
    R"("1":{"os_name":"Windows 10 专业版 32位","digit":"32","file_name":"win10_x86.gho","file_time":"2018-06-15","url":"u","md5":"","size":"200"},)"
    R"("2":{"os_name":"Windows 10 专业版 64位","digit":"64","file_name":"win10_x64.gho","file_time":"2018-06-15","url":"u","md5":"","size":"400"},)"
    R"("3":{"os_name":"Windows XP SP3","digit":"32","file_name":"winxp.gho","file_time":"2015-04-01","url":"u","md5":"","size":"100"},)"
    R"("pe_row":[{"pe_name":"WEPE64.iso","pe_url":"http://127.0.0.1/pe/WEPE64.iso","pe_size":"786432"}]})";

class LocalCatalogueService : public testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(root_.path() / "catalogue.json", std::ios::binary) << kCatalogue;
    ASSERT_TRUE(service_.Bind());
    service_.Start();
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(service_.port()); }

  TempDir root_;
  services::LocalService service_{{root_.path(), 0}};
};

TEST_F(LocalCatalogueService, CheckOnTheDemoMachinePrintsTheRecommendationAndTheOrderedList) {
  TempDir machine;
  std::filesystem::copy(TARNVIK_SOURCE_DIR "/tools/machines/demo", machine.path(),
                        std::filesystem::copy_options::recursive);
  ServiceBaseOverride base(Base());
  testing::internal::CaptureStdout();  // the service logs each request
  auto outcome = RunTarnvikctl({"check", "--machine", machine.path().string()});
  std::string serviceLog = testing::internal::GetCapturedStdout();

  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(serviceLog, "catalogue request: channel=B3\n");
  // The demo machine: 64-bit Windows 10 Pro on a GPT disk with 16 GiB; UEFI hides XP and
  // 32-bit images. Its console shows the log before the results.
  const std::string results =
      "boot mode: UEFI 启动 [ok]\n"
      "memory: 16.0G (17179869184 bytes)\n"
      "system: Win10 64位 专业版 [ok]\n"
      "network: 网络已连接 [ok]\n"
      "recommendation: 根据您的电脑配置，推荐您安装 Win10 64位 \n"
      "1\t64\twin10_x64.gho\tWindows 10 专业版 64位\n"
      "0\t64\twin7_x64.gho\tWindows 7 旗舰版 64位\n"
      "WinPE:\tWEPE64.iso\t786432\thttp://127.0.0.1/pe/WEPE64.iso\t0\n";
  ASSERT_GE(outcome.out.size(), results.size()) << outcome.out;
  EXPECT_EQ(outcome.out.substr(outcome.out.size() - results.size()), results) << outcome.out;
}

TEST_F(LocalCatalogueService, CheckWithTheServiceDownShowsTheFailure) {
  TempDir machine;
  std::filesystem::copy(TARNVIK_SOURCE_DIR "/tools/machines/demo", machine.path(),
                        std::filesystem::copy_options::recursive);
  service_.Stop();
  ServiceBaseOverride base(Base());
  auto outcome = RunTarnvikctl({"check", "--machine", machine.path().string()});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("network: 网络连接失败 [failed]\n"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("WinPE:\t\t0\t\t0\n"), std::string::npos) << outcome.out;  // no cache, no list
}

TEST(CheckCommand, RefusesAMissingMachine) {
  TempDir empty;
  auto outcome = RunTarnvikctl({"check", "--machine", (empty.path() / "none").string()});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.err.find("machine.json"), std::string::npos) << outcome.err;
  EXPECT_EQ(RunTarnvikctl({"check"}).exitCode, 2);
}

TEST(CheckCommand, NamesAServiceAddressThatIsNotAUrl) {
  TempDir machine;
  std::filesystem::copy(TARNVIK_SOURCE_DIR "/tools/machines/demo", machine.path(),
                        std::filesystem::copy_options::recursive);
  for (const char* base : {"127.0.0.1:8080", "http://", "ftp://127.0.0.1", "http://127.0.0.1:99999", "http://a b"}) {
    auto outcome = [&] {
      ServiceBaseOverride override(base);
      return RunTarnvikctl({"check", "--machine", machine.path().string()});
    }();
    EXPECT_EQ(outcome.exitCode, 2) << base;
    EXPECT_NE(outcome.err.find(std::string("the service address '") + base + "' (TARNVIK_SERVICE_BASE) is not a URL"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(outcome.out, "") << base;
  }
}

// The channel arrives as the program sends it: Base64 in the form body, "+" unescaped.
TEST_F(LocalCatalogueService, EndpointDecryptsTheChannelAndAnswersTheEncryptedCatalogue) {
  for (const char* channel : {"B1", "B3", "T1"}) {
    std::string reply;
    testing::internal::CaptureStdout();
    int rc = PostForm().Post(Base() + "/api/os-list", "channel=" + EncryptString(channel, kStatsKey), reply);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(DecryptString(reply, kStatsKey), kCatalogue) << channel;
    EXPECT_EQ(log, std::string("catalogue request: channel=") + channel + "\n");
  }
  std::filesystem::remove(root_.path() / "catalogue.json");
  std::string reply;
  testing::internal::CaptureStdout();
  EXPECT_EQ(PostForm().Post(Base() + "/api/os-list", "channel=x", reply), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(reply, "");  // nothing to answer with
}

}  // namespace
