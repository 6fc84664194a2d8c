#include "service_url.h"

#include <cstdlib>

#include "app/service_config.h"

namespace tarnvikctl {
namespace {

// "http://HOST[:PORT][/PATH]" or the same with https: what the program's requests are
// built on.
bool IsServiceUrl(const std::string& base) {
  size_t start = base.rfind("http://", 0) == 0 ? 7 : base.rfind("https://", 0) == 0 ? 8 : 0;
  if (start == 0) return false;
  size_t end = base.find('/', start);
  std::string authority = base.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t colon = authority.rfind(':');
  std::string host = authority.substr(0, colon);
  if (host.empty() || host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") !=
                          std::string::npos) {
    return false;
  }
  if (colon == std::string::npos) return true;
  std::string port = authority.substr(colon + 1);
  return !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos &&
         std::stoi(port) >= 1 && std::stoi(port) <= 65535;
}

}  // namespace

std::string ServiceBaseProblem() {
  const std::string base = ServiceBase();
  if (IsServiceUrl(base)) return "";
  return "the service address '" + base + "'" + (std::getenv("TARNVIK_SERVICE_BASE") ? " (TARNVIK_SERVICE_BASE)" : "") +
         " is not a URL (http://HOST[:PORT])";
}

}  // namespace tarnvikctl
