// The statistics endpoint: POST /api/indepth takes one tracking point, decrypts each value
// and appends the point to <root>/indepth.jsonl, one JSON object per line, for operators
// and tests to read.

#include <httplib.h>
#include <json/json.h>

#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>

#include "platform/codepage.h"
#include "services/local_service.h"
#include "stats/payload_cipher.h"
#include "stats/query_view.h"

namespace services {
namespace {

std::string Quoted(const std::string& utf8) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, Json::Value(utf8));
}

std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// {"time":"...","mac":"...",...} with the keys in the order they were posted and the
// values decrypted from code page 936 into UTF-8.
std::string PointLine(const std::string& body) {
  std::string line = "{\"time\":" + Quoted(UtcNow());
  for (const auto& [key, value] : QueryPairs(body)) {
    const std::string plain = platform::WideToUtf8(platform::CodePage936ToWide(DecryptString(value, kStatsKey)));
    line += "," + Quoted(platform::WideToUtf8(platform::CodePage936ToWide(key))) + ":" + Quoted(plain);
  }
  return line + "}";
}

void Install(httplib::Server& server, const ServiceOptions& options) {
  auto logLock = std::make_shared<std::mutex>();
  const std::filesystem::path log = options.root / "indepth.jsonl";
  // The body is read raw: its Base64 values carry "+" unescaped, which form decoding
  // would turn into blanks.
  server.Post("/api/indepth", [logLock, log](const httplib::Request& request, httplib::Response& response) {
    const std::string line = PointLine(request.body);
    {
      std::lock_guard lock(*logLock);
      std::ofstream(log, std::ios::app | std::ios::binary) << line << "\n";
    }
    response.set_content("{\"code\":0,\"msg\":\"ok\"}", "application/json");
  });
}

const bool registered = RegisterEndpoints("statistics", Install);

}  // namespace
}  // namespace services
