#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace testing_support {
namespace {

std::string LoopbackUrl(int port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

}  // namespace

LocalHttpServer::LocalHttpServer(const std::function<void(httplib::Server&)>& addRoutes) {
  addRoutes(server_);
  // Bound and listening from here on: connections wait in the queue until the loop runs.
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ < 0) throw std::runtime_error("cannot bind a loopback port");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() does nothing to a server whose loop has not begun, so wait for the loop.
  for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!server_.is_running()) {
    server_.stop();
    thread_.join();
    throw std::runtime_error("the loopback server on port " + std::to_string(port_) + " did not start serving");
  }
}

LocalHttpServer::~LocalHttpServer() {
  server_.stop();
  thread_.join();
}

std::string LocalHttpServer::Url(const std::string& path) const { return LoopbackUrl(port_, path); }

BoundPort::BoundPort() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
  if (socket_ < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(socket_);
    throw std::runtime_error("bind failed");
  }
  port_ = ntohs(address.sin_port);
}

BoundPort::~BoundPort() { close(socket_); }

std::string BoundPort::Url(const std::string& path) const { return LoopbackUrl(port_, path); }

void BoundPort::Listen() {
  if (listen(socket_, 16) != 0) throw std::runtime_error("listen failed");
}

HangUpPort::HangUpPort() {
  Listen();
  thread_ = std::thread([this] { Serve(); });
}

HangUpPort::~HangUpPort() {
  stop_ = true;
  thread_.join();
}

void HangUpPort::Serve() {
  while (!stop_) {
    pollfd listening{socket(), POLLIN, 0};
    if (poll(&listening, 1, 50) != 1) continue;
    int client = accept(socket(), nullptr, nullptr);
    if (client < 0) continue;
    pollfd incoming{client, POLLIN, 0};
    char buffer[4096];
    if (poll(&incoming, 1, 2000) == 1 && recv(client, buffer, sizeof buffer, 0) > 0) ++requests_;
    close(client);
  }
}

}  // namespace testing_support
