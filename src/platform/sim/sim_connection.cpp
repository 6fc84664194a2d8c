#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <fcntl.h>

#include <cerrno>
#include <string>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace sim {
namespace {

constexpr int kConnectTimeoutMs = 5000;

struct HostPort {
  std::string host;
  std::string port;
};

// "http://host:port/path" → host and port (80 for http, 443 for https by default).
std::optional<HostPort> ParseUrl(const std::string& url) {
  size_t scheme = url.find("://");
  if (scheme == std::string::npos) return std::nullopt;
  std::string name = url.substr(0, scheme);
  std::string rest = url.substr(scheme + 3);
  std::string authority = rest.substr(0, rest.find_first_of("/?#"));
  size_t at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);
  HostPort hp{authority, name == "https" ? "443" : "80"};
  if (!authority.empty() && authority[0] == '[') {  // [::1]:port
    size_t close = authority.find(']');
    if (close == std::string::npos) return std::nullopt;
    hp.host = authority.substr(1, close - 1);
    if (close + 1 < authority.size() && authority[close + 1] == ':') hp.port = authority.substr(close + 2);
  } else if (size_t colon = authority.rfind(':'); colon != std::string::npos) {
    hp.host = authority.substr(0, colon);
    hp.port = authority.substr(colon + 1);
  }
  if (hp.host.empty() || hp.port.empty()) return std::nullopt;
  return hp;
}

bool ConnectWithin(const addrinfo& a, int timeoutMs) {
  int fd = socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
  if (fd < 0) return false;
  bool connected = connect(fd, a.ai_addr, a.ai_addrlen) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    connected = poll(&p, 1, timeoutMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
  close(fd);
  return connected;
}

}  // namespace

bool SimNetwork::CheckConnection(const std::wstring& url) {
  if (!machine_.config().networkUp) return false;
  auto target = ParseUrl(platform::WideToUtf8(url));
  if (!target) return false;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(target->host.c_str(), target->port.c_str(), &hints, &found) != 0) return false;
  bool reached = false;
  for (addrinfo* a = found; a != nullptr && !reached; a = a->ai_next) reached = ConnectWithin(*a, kConnectTimeoutMs);
  freeaddrinfo(found);
  return reached;
}

}  // namespace sim
