#include "support/file_server.h"

#include <httplib.h>

#include <fstream>
#include <random>
#include <stdexcept>

namespace testing_support {

FileServer::FileServer(services::ServiceOptions options) : options_(std::move(options)) {
  options_.root = dir_.path();
  Launch();
}

FileServer::~FileServer() { service_.reset(); }

void FileServer::Launch() {
  service_ = std::make_unique<services::LocalService>(options_);
  if (!service_->Bind()) throw std::runtime_error("file server: cannot bind 127.0.0.1");
  options_.port = service_->port();
  service_->Start();
}

void FileServer::Restart(services::ServiceOptions options) {
  service_.reset();
  options.root = dir_.path();
  options.port = options_.port;
  options_ = options;
  Launch();
}

std::string FileServer::Url(const std::string& name) const {
  return "http://127.0.0.1:" + std::to_string(options_.port) + "/files/" + name;
}

void FileServer::WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(dir_.path() / name, std::ios::binary | std::ios::trunc) << bytes;
}

int64_t FileServer::BytesSent() const {
  httplib::Client client("127.0.0.1", options_.port);
  auto reply = client.Get("/files-sent");
  if (!reply || reply->status != 200) throw std::runtime_error("file server: no byte count");
  return std::stoll(reply->body);
}

std::string PatternBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

}  // namespace testing_support
