#pragma once
// The local HTTP service that plays the outside services on this machine: it serves the
// files of one folder and answers the endpoints registered with it. It listens on
// 127.0.0.1 only.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace services {

struct ServiceOptions {
  std::filesystem::path root;  // the served folder; endpoints keep their files here too
  int port = 0;                // 0: any free port

  // How the files below the root are served (file_endpoints.cpp); the faults are for
  // tests of clients on bad connections and servers.
  int64_t throttleBytesPerSecond = 0;  // 0: as fast as the connection takes it
  int64_t stallAtOffset = -1;          // an answer sends nothing for stallSeconds on reaching this file offset
  int stallSeconds = 0;
  int64_t truncateAtOffset = -1;       // an answer closes the connection on reaching this file offset
  bool ignoreRanges = false;           // every answer is the whole file with 200
};

// Adds one group of endpoints to a server; groups register themselves, one file each.
using EndpointInstaller = void (*)(httplib::Server& server, const ServiceOptions& options);
bool RegisterEndpoints(const char* name, EndpointInstaller install);

class LocalService {
 public:
  explicit LocalService(ServiceOptions options);
  ~LocalService();  // stops and joins

  // Binds 127.0.0.1 and the port; false when the port cannot be had.
  bool Bind();
  int port() const { return port_; }
  // Serves until Stop(), on the calling thread.
  void Run();
  // Serves on a thread of its own until Stop() or destruction.
  void Start();
  void Stop();
  const ServiceOptions& options() const { return options_; }

 private:
  ServiceOptions options_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace services
