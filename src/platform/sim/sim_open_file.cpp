// Files opened for reading or writing piece by piece, on host file descriptors.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/sim/attribute_store.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/unique_fd.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

class HostOpenFile : public platform::OpenFile {
 public:
  explicit HostOpenFile(UniqueFd fd) : fd_(std::move(fd)) {}

  std::optional<size_t> Read(char* data, size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_.get(), data, size);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) return std::nullopt;
    }
  }

  bool Write(const char* data, size_t size) override {
    while (size > 0) {
      ssize_t put = ::write(fd_.get(), data, size);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      data += put;
      size -= static_cast<size_t>(put);
    }
    return true;
  }

 private:
  UniqueFd fd_;
};

}  // namespace

std::unique_ptr<platform::OpenFile> SimFiles::OpenFileForReading(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec) || Listed(machine_.config().faults.unreadableFiles, *host)) {
    return nullptr;
  }
  UniqueFd fd(::open(host->c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return nullptr;
  return std::make_unique<HostOpenFile>(std::move(fd));
}

std::unique_ptr<platform::OpenFile> SimFiles::CreateFileForWriting(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec) ||
      Listed(machine_.config().faults.unwritableFiles, *host) || !AttributeStore(machine_).PrepareWrite(*host)) {
    return nullptr;
  }
  UniqueFd fd(::open(host->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) return nullptr;
  return std::make_unique<HostOpenFile>(std::move(fd));
}

}  // namespace sim
