#pragma once
// HTTP servers on 127.0.0.1 for tests, each on a port the system picks.

#include <httplib.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace testing_support {

// A cpp-httplib server with the routes a test gives it, serving on its own thread from
// construction until the end of the scope.
class LocalHttpServer {
 public:
  explicit LocalHttpServer(const std::function<void(httplib::Server&)>& addRoutes);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string Url(const std::string& path) const;

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
};

// A port that takes connections but never reads or answers: the system completes each
// connection into the listen queue and nothing accepts it. For time-out tests.
class SilentPort {
 public:
  SilentPort();
  ~SilentPort();
  SilentPort(const SilentPort&) = delete;
  SilentPort& operator=(const SilentPort&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path) const;

 private:
  int port_ = -1;  // before socket_: the socket's set-up fills it in
  int socket_ = -1;
};

// A port that accepts each connection, reads what the client sends and hangs up without
// answering: connections succeed, HTTP requests fail. Counts the connections that sent
// something (a request), not those closed without a word (a connection check).
class HangUpPort {
 public:
  HangUpPort();
  ~HangUpPort();
  HangUpPort(const HangUpPort&) = delete;
  HangUpPort& operator=(const HangUpPort&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path) const;
  int RequestsSeen() const { return requests_; }

 private:
  void Serve();

  int port_ = -1;
  int socket_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

// A loopback port that nothing listens on (it was free a moment ago), so connecting to
// it is refused.
int ClosedPort();

}  // namespace testing_support
