#include "services/local_service.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <utility>
#include <vector>

namespace services {
namespace {

std::vector<std::pair<const char*, EndpointInstaller>>& Installers() {
  static std::vector<std::pair<const char*, EndpointInstaller>> installers;
  return installers;
}

}  // namespace

bool RegisterEndpoints(const char* name, EndpointInstaller install) {
  Installers().emplace_back(name, install);
  return true;
}

LocalService::LocalService(ServiceOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
  // The library's default adds SO_REUSEPORT, with which a second service would share a
  // port already in use instead of being refused it.
  server_->set_socket_options([](int socket) {
    int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  });
  for (const auto& [name, install] : Installers()) install(*server_, options_);
}

LocalService::~LocalService() { Stop(); }

bool LocalService::Bind() {
  if (options_.port == 0) {
    port_ = server_->bind_to_any_port("127.0.0.1");
    return port_ > 0;
  }
  if (!server_->bind_to_port("127.0.0.1", options_.port)) return false;
  port_ = options_.port;
  return true;
}

void LocalService::Run() { server_->listen_after_bind(); }

void LocalService::Start() {
  thread_ = std::thread([this] { Run(); });
  // stop() does nothing to a server whose loop has not begun, and the join would then
  // wait for ever: return once the loop runs.
  for (int i = 0; i < 5000 && !server_->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void LocalService::Stop() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

}  // namespace services
