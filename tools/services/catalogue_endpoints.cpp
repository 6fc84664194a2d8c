// The catalogue service: POST /api/os-list with the form field "channel" (the channel
// encrypted with the statistics key) answers the encrypted catalogue, read from
// catalogue.json in the served folder. Each request logs its channel on standard output.

#include <httplib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "services/local_service.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A field of a form body, with %XX escapes decoded. The program sends the Base64 text
// unescaped, so "+" stands for itself here, not for a blank.
std::string FormField(const std::string& body, const std::string& name) {
  std::istringstream pairs(body);
  std::string pair;
  while (std::getline(pairs, pair, '&')) {
    if (pair.compare(0, name.size() + 1, name + "=") != 0) continue;
    std::string raw = pair.substr(name.size() + 1), value;
    for (size_t i = 0; i < raw.size(); ++i) {
      int high = 0, low = 0;
      if (raw[i] == '%' && i + 2 < raw.size() && (high = HexDigit(raw[i + 1])) >= 0 &&
          (low = HexDigit(raw[i + 2])) >= 0) {
        value.push_back(static_cast<char>(high * 16 + low));
        i += 2;
      } else {
        value.push_back(raw[i]);
      }
    }
    return value;
  }
  return "";
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void InstallCatalogue(httplib::Server& server, const services::ServiceOptions& options) {
  const std::filesystem::path catalogue = options.root / "catalogue.json";
  server.Post("/api/os-list", [catalogue](const httplib::Request& request, httplib::Response& response) {
    std::string channel = AnsiToUtf8(DecryptString(FormField(request.body, "channel"), kStatsKey));
    // The channel comes from the client: keep control characters off the terminal.
    for (char& c : channel) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    std::printf("catalogue request: channel=%s\n", channel.c_str());
    std::fflush(stdout);
    auto text = ReadWholeFile(catalogue);
    if (!text) {
      response.status = 404;
      return;
    }
    response.set_content(EncryptString(*text, kStatsKey), "text/plain");
  });
}

const bool registered = services::RegisterEndpoints("catalogue", InstallCatalogue);

}  // namespace
