// The catalogue asked of the service, cached in os.json, and read from the cache
// without network.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "platform/codepage.h"
#include "program_machine.h"
#include "services/local_service.h"
#include "support/local_http_server.h"
#include "support/service_base_override.h"
#include "support/temp_dir.h"

namespace {

using testing_support::LocalHttpServer;
using testing_support::ServiceBaseOverride;
using testing_support::TempDir;

const char kCatalogue[] =
    R"({"count":2,)"
    R"("0":{"os_name":"Windows 7 旗舰版 64位","digit":"64","file_name":"win7_x64.gho","file_time":"2018-01-01",)"
    R"("url":"http://127.0.0.1/images/win7_x64.gho","md5":"","size":"4096","flag":"0"},)"
    R"("1":{"os_name":"Windows 10 专业版 64位","digit":"64","file_name":"win10_x64.gho","file_time":"2018-06-01",)"
    R"("url":"http://127.0.0.1/images/win10_x64.gho","md5":"","size":"8192","flag":"0"},)"
    R"("pe_row":[{"pe_name":"WEPE.iso","pe_url":"http://127.0.0.1/pe/WEPE.iso","pe_size":"2048"}]})";

std::vector<std::string> FileNames(const CatalogueResult& c) {
  std::vector<std::string> names;
  for (const auto& e : c.osList) names.push_back(platform::WideToUtf8(e->fileName));
  return names;
}

class FetchCatalogueTest : public testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(root_.path() / "catalogue.json", std::ios::binary) << kCatalogue;
    ASSERT_TRUE(service_.Bind());
    service_.Start();
    facts_.machineText = L"Win7 64位 旗舰版";
  }

  CatalogueResult Fetch(bool networkOk) {
    return FetchCatalogue(facts_, machine_.params().channel, networkOk, PeEntry{});
  }

  std::string CacheText() {
    auto text = platform::Current().files().ReadFile(machine_.params().cacheDir + L"os.json");
    return text.value_or("(no os.json)");
  }

  ProgramMachine machine_;
  CatalogueMachine facts_;
  TempDir root_;
  services::LocalService service_{{root_.path(), 0}};
};

TEST_F(FetchCatalogueTest, ReplyIsCachedAndTheCacheServesRunsWithoutNetwork) {
  ServiceBaseOverride base(service_.port());
  CatalogueResult online = Fetch(true);
  EXPECT_EQ(FileNames(online), (std::vector<std::string>{"win7_x64.gho", "win10_x64.gho"}));
  EXPECT_EQ(online.peEntry.fileName, L"WEPE.iso");
  EXPECT_EQ(CacheText(), kCatalogue);  // the decrypted text exactly as received

  // The next check finds no network: the same list comes from os.json, even though the
  // service could still be reached.
  CatalogueResult offline = Fetch(false);
  EXPECT_EQ(FileNames(offline), FileNames(online));
  EXPECT_EQ(offline.peEntry.fileName, L"WEPE.iso");
}

TEST_F(FetchCatalogueTest, FailedRequestLeavesTheListEmptyAndTheCacheAsItWas) {
  platform::Current().files().WriteFile(machine_.params().cacheDir + L"os.json", kCatalogue);
  testing_support::ClosedPort closed;
  ServiceBaseOverride base(closed.port());
  // The network test passed, then the request fails.
  EXPECT_TRUE(Fetch(true).osList.empty());  // the cache is no fallback here
  EXPECT_EQ(CacheText(), kCatalogue);
}

TEST_F(FetchCatalogueTest, WithoutNetworkOrCacheTheListIsEmpty) {
  EXPECT_TRUE(Fetch(false).osList.empty());
  EXPECT_EQ(CacheText(), "(no os.json)");
}

// The service sees the channel encrypted, Base64 unescaped in the body; a reply that
// is no catalogue (an error page) leaves the last good cache in place.
TEST_F(FetchCatalogueTest, RequestCarriesTheEncryptedChannelAndBadRepliesKeepTheCache) {
  std::mutex lock;
  std::string seenBody;
  LocalHttpServer server([&](httplib::Server& s) {
    s.Post("/api/os-list", [&](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard guard(lock);
      seenBody = request.body;
      response.status = 500;
      response.set_content("<html>Internal error</html>", "text/html");
    });
  });
  ServiceBaseOverride base(server.Url(""));
  platform::Current().files().WriteFile(machine_.params().cacheDir + L"os.json", kCatalogue);
  machine_.params().channel = L"渠道2";  // a channel whose cipher text holds "+"
  CatalogueResult result = Fetch(true);

  std::lock_guard guard(lock);
  const std::string expected = "channel=" + EncryptString(WideToLocal(L"渠道2"), kStatsKey);
  EXPECT_EQ(seenBody, expected);
  EXPECT_TRUE(result.osList.empty());
  EXPECT_EQ(CacheText(), kCatalogue);
}

}  // namespace
