// The local file service: byte ranges, validators, and nothing outside its root.

#include <httplib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/file_server.h"

namespace {

using testing_support::FileServer;
using testing_support::PatternBytes;

httplib::Result Get(const FileServer& server, const std::string& path, const httplib::Headers& headers = {}) {
  httplib::Client client("127.0.0.1", server.port());
  return client.Get("/files/" + path, headers);
}

TEST(FileEndpoints, AnswersSingleRangesWithPartialContentOrNotSatisfiable) {
  FileServer server;
  const std::string bytes = PatternBytes(1000);
  server.WriteFile("a.bin", bytes);
  struct Case {
    const char* range;
    int status;
    const char* contentRange;
    size_t first, length;
  };
  const Case cases[] = {
      {"bytes=0-99", 206, "bytes 0-99/1000", 0, 100},
      {"bytes=900-", 206, "bytes 900-999/1000", 900, 100},
      {"bytes=-10", 206, "bytes 990-999/1000", 990, 10},
      {"bytes=990-5000", 206, "bytes 990-999/1000", 990, 10},
      {"bytes=1000-", 416, "bytes */1000", 0, 0},
      {"bytes=0-1,5-6", 200, "", 0, 1000},  // several ranges: the whole file
  };
  for (const Case& c : cases) {
    auto reply = Get(server, "a.bin", {{"Range", c.range}});
    ASSERT_TRUE(reply) << c.range;
    EXPECT_EQ(reply->status, c.status) << c.range;
    EXPECT_EQ(reply->get_header_value("Content-Range"), c.contentRange) << c.range;
    if (c.status != 416) {
      EXPECT_TRUE(reply->body == bytes.substr(c.first, c.length)) << c.range;
    }
  }
}

TEST(FileEndpoints, IfRangeHonoursTheRangeOnlyForTheCurrentFile) {
  FileServer server;
  const std::string bytes = PatternBytes(1000);
  server.WriteFile("a.bin", bytes);
  auto whole = Get(server, "a.bin");
  ASSERT_TRUE(whole);
  const std::string etag = whole->get_header_value("ETag"), date = whole->get_header_value("Last-Modified");
  ASSERT_FALSE(etag.empty());
  ASSERT_FALSE(date.empty());
  EXPECT_EQ(Get(server, "a.bin", {{"Range", "bytes=10-"}, {"If-Range", etag}})->status, 206);
  EXPECT_EQ(Get(server, "a.bin", {{"Range", "bytes=10-"}, {"If-Range", date}})->status, 206);
  auto changed = Get(server, "a.bin", {{"Range", "bytes=10-"}, {"If-Range", "\"other\""}});
  EXPECT_EQ(changed->status, 200);
  EXPECT_TRUE(changed->body == bytes);

  // Rewriting the file gives it another entity tag.
  server.WriteFile("a.bin", PatternBytes(1000, 2));
  auto file = server.root() / "a.bin";
  std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
  EXPECT_NE(Get(server, "a.bin")->get_header_value("ETag"), etag);
  EXPECT_EQ(Get(server, "a.bin", {{"Range", "bytes=10-"}, {"If-Range", etag}})->status, 200);
}

TEST(FileEndpoints, IgnoringRangesAlwaysSendsTheWholeFile) {
  services::ServiceOptions options;
  options.ignoreRanges = true;
  FileServer server(options);
  const std::string bytes = PatternBytes(1000);
  server.WriteFile("a.bin", bytes);
  auto reply = Get(server, "a.bin", {{"Range", "bytes=10-"}});
  EXPECT_EQ(reply->status, 200);
  EXPECT_TRUE(reply->body == bytes);
  EXPECT_EQ(server.BytesSent(), 1000);
}

TEST(FileEndpoints, ServesNothingOutsideItsRoot) {
  FileServer server;
  std::ofstream(server.root().parent_path() / (server.root().filename().string() + "-secret")) << "secret";
  std::filesystem::create_symlink("/etc/passwd", server.root() / "link");
  std::filesystem::create_directories(server.root() / "sub");
  server.WriteFile("sub/ok.bin", "ok");
  httplib::Client client("127.0.0.1", server.port());
  EXPECT_EQ(Get(server, "sub/ok.bin")->body, "ok");
  const std::string secret = server.root().filename().string() + "-secret";
  for (const std::string& path : std::vector<std::string>{"/files/../" + secret, "/files/%2e%2e/" + secret,
                                  "/files/sub/../../etc/passwd", "/files/link", "/files/sub", "/files/missing"}) {
    auto reply = client.Get(path);
    ASSERT_TRUE(reply) << path;
    EXPECT_EQ(reply->status, 404) << path;
  }
  std::filesystem::remove(server.root().parent_path() / secret);
}

}  // namespace
