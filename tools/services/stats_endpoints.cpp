// The statistics endpoint: POST /api/indepth takes one tracking point, decrypts each value
// and appends the point to <root>/indepth.jsonl, one JSON object per line, for operators
// and tests to read. A point that cannot be written is answered with 500, never "ok".

#include <httplib.h>
#include <json/json.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "app/payload_cipher.h"
#include "platform/codepage.h"
#include "services/local_service.h"
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

// The keys whose values the program sends as UTF-8; every other value is code page 936.
bool SentAsUtf8(const std::string& key) { return key == "type" || key == "os" || key == "final_os"; }

std::string PlainUtf8(const std::string& key, const std::string& cipher) {
  const std::string plain = DecryptString(cipher, kStatsKey);
  const std::wstring wide = SentAsUtf8(key) ? platform::Utf8ToWide(plain) : platform::CodePage936ToWide(plain);
  return platform::WideToUtf8(wide);
}

// {"time":"...","mac":"...",...} with the keys in the order they were posted and the
// values decrypted into UTF-8.
std::string PointLine(const std::string& body) {
  std::string line = "{\"time\":" + Quoted(UtcNow());
  for (const auto& [key, value] : QueryPairs(body)) {
    line += "," + Quoted(platform::WideToUtf8(platform::CodePage936ToWide(key))) + ":" + Quoted(PlainUtf8(key, value));
  }
  return line + "}";
}

bool AppendLine(const std::filesystem::path& file, const std::string& line) {
  std::ofstream out(file, std::ios::app | std::ios::binary);
  out << line << "\n";
  out.close();
  return static_cast<bool>(out);
}

void Install(httplib::Server& server, const ServiceOptions& options) {
  auto logLock = std::make_shared<std::mutex>();
  const std::filesystem::path log = options.root / "indepth.jsonl";
  // The body is read raw: its Base64 values carry "+" unescaped, which form decoding
  // would turn into blanks.
  server.Post("/api/indepth", [logLock, log](const httplib::Request& request, httplib::Response& response) {
    const std::string line = PointLine(request.body);
    bool written = false;
    {
      std::lock_guard lock(*logLock);
      written = AppendLine(log, line);
    }
    if (!written) {
      // The point is lost unless the sender hears of it.
      std::fprintf(stderr, "statistics: cannot append to %s\n", log.string().c_str());
      response.status = 500;
      response.set_content("{\"code\":1,\"msg\":" + Quoted("cannot write " + log.string()) + "}", "application/json");
      return;
    }
    response.set_content("{\"code\":0,\"msg\":\"ok\"}", "application/json");
  });
}

const bool registered = RegisterEndpoints("statistics", Install);

}  // namespace
}  // namespace services
