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

// A TCP socket bound to a loopback port the system picks, until the end of the scope. It
// is bound without SO_REUSEADDR, so no other socket, a server of another test included,
// takes the port meanwhile.
class BoundPort {
 public:
  BoundPort();
  ~BoundPort();
  BoundPort(const BoundPort&) = delete;
  BoundPort& operator=(const BoundPort&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string Url(const std::string& path) const;

 protected:
  int socket() const { return socket_; }
  void Listen();

 private:
  int port_ = -1;
  int socket_ = -1;
};

// A loopback port where nothing listens, for as long as this lives: a bound socket that
// never listens refuses connections on Linux.
class ClosedPort : public BoundPort {};

// A port that takes connections but never reads or answers: the system completes each
// connection into the listen queue and nothing accepts it. For time-out tests.
class SilentPort : public BoundPort {
 public:
  SilentPort() { Listen(); }
};

// A port that accepts each connection, reads what the client sends and hangs up without
// answering: connections succeed, HTTP requests fail. Counts the connections that sent
// something (a request), not those closed without a word (a connection check).
class HangUpPort : public BoundPort {
 public:
  HangUpPort();
  ~HangUpPort();

  int RequestsSeen() const { return requests_; }

 private:
  void Serve();

  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace testing_support
