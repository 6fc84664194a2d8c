#pragma once
// The local file service on a temporary folder, on 127.0.0.1, for download tests.

#include <cstdint>
#include <memory>
#include <string>

#include "services/local_service.h"
#include "support/temp_dir.h"

namespace testing_support {

class FileServer {
 public:
  explicit FileServer(services::ServiceOptions options = {});
  ~FileServer();

  // The URL of a file below the root.
  std::string Url(const std::string& name) const;
  void WriteFile(const std::string& name, const std::string& bytes);
  // Body bytes the file answers have sent since this server started.
  int64_t BytesSent() const;
  // Serves the same folder on the same port with other options (faults), so that the
  // same URLs answer differently.
  void Restart(services::ServiceOptions options);
  const std::filesystem::path& root() const { return dir_.path(); }
  int port() const { return options_.port; }

 private:
  void Launch();
  TempDir dir_;
  services::ServiceOptions options_;
  std::unique_ptr<services::LocalService> service_;
};

// Bytes that differ at every position, so that a misplaced byte shows.
std::string PatternBytes(size_t size, unsigned seed = 1);

}  // namespace testing_support
