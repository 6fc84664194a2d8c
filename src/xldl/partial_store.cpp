#include "xldl/partial_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

namespace xldl {
namespace fs = std::filesystem;
namespace {

// Makes a rename or a removal in `folder` survive a power cut.
bool SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

LockedData& LockedData::operator=(LockedData&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

int64_t LockedData::Size() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

void LockedData::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

PartialStore::PartialStore(fs::path target)
    : target_(std::move(target)), data_(target_.string() + ".xltd"), info_(target_.string() + ".xltd.info") {}

LockedData PartialStore::Lock() const {
  // The holder of the lock may move the data into place or delete it: a lock won on a
  // file that no longer has the data's name locks nothing, so open again.
  for (int tries = 0; tries < 8; ++tries) {
    LockedData data(::open(data_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!data) return data;
    if (::flock(data.fd(), LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      data.Close();
      errno = error;
      return {};
    }
    struct stat opened {}, named {};
    if (::fstat(data.fd(), &opened) == 0 && ::stat(data_.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev) {
      return data;
    }
  }
  errno = EWOULDBLOCK;
  return {};
}

// One "key=value" line per field; values never hold a line end (URLs with one are
// refused when the task is made, header values cannot carry one).
std::optional<PartialInfo> PartialStore::ReadInfo() const {
  std::ifstream in(info_, std::ios::binary);
  if (!in) return std::nullopt;
  PartialInfo info;
  bool sized = false;
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "url") {
      info.url = value;
    } else if (key == "etag") {
      info.etag = value;
    } else if (key == "lastModified") {
      info.lastModified = value;
    } else if (key == "complete") {
      info.complete = value == "1";
    } else if (key == "totalSize") {
      try {
        info.totalSize = std::stoll(value);
        sized = true;
      } catch (const std::exception&) {
        return std::nullopt;
      }
    }
  }
  if (info.url.empty() || !sized) return std::nullopt;
  return info;
}

bool PartialStore::WriteInfo(const PartialInfo& info) const {
  fs::path temporary = info_.string() + ".new";
  std::string text = "url=" + info.url + "\netag=" + info.etag + "\nlastModified=" + info.lastModified +
                     "\ntotalSize=" + std::to_string(info.totalSize) + "\ncomplete=" + (info.complete ? "1" : "0") +
                     "\n";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // Synced before it replaces the old info, so that a power cut leaves the one or the other.
  bool written = WriteAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written) return false;
  std::error_code ec;
  fs::rename(temporary, info_, ec);
  return !ec && SyncFolder(info_.parent_path());
}

std::error_code PartialStore::Finish() const {
  std::error_code ec;
  fs::rename(data_, target_, ec);
  if (ec) return ec;
  fs::remove(info_, ec);
  SyncFolder(target_.parent_path());  // the file is in place either way
  return {};
}

bool PartialStore::Remove() const {
  int fd = ::open(data_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  std::error_code ec;
  fs::remove(data_, ec);
  fs::remove(info_, ec);
  if (fd >= 0) ::close(fd);
  return true;
}

void PartialStore::RemoveIfEmpty(const LockedData& data) const {
  std::error_code ec;
  if (data.Size() == 0 && !fs::exists(info_, ec)) fs::remove(data_, ec);
}

}  // namespace xldl
