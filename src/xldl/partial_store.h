#pragma once
// The partial data of one target file, kept beside it until every byte is there:
// "<target>.xltd" holds the bytes received so far, "<target>.xltd.info" what they belong
// to. The target itself appears only when the data is complete, so a file under the
// target name is never a partial one. A transfer holds an exclusive lock on the data for
// as long as it runs, so that no other transfer, in this process or another, writes it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace xldl {

// What the partial data belongs to. A resume is only sound against the same URL and an
// unchanged file on the server, which the validators identify.
struct PartialInfo {
  std::string url;
  std::string etag;          // strong entity tag as the server sent it, quotes included
  std::string lastModified;  // the server's Last-Modified date, as sent
  int64_t totalSize = -1;    // the whole file's size; -1 when the server did not say
  bool complete = false;     // every byte is on disk and synced; only the move into place is left
};

// Writes every byte, across short writes and interruptions; false on an error (errno tells).
bool WriteAll(int fd, const char* data, size_t size);

// The open, locked partial data; closing it releases the lock.
class LockedData {
 public:
  LockedData() = default;
  explicit LockedData(int fd) : fd_(fd) {}
  LockedData(LockedData&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  LockedData& operator=(LockedData&& other) noexcept;
  ~LockedData() { Close(); }

  int fd() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Bytes on disk; 0 when unknown.
  int64_t Size() const;
  void Close();

 private:
  int fd_ = -1;
};

class PartialStore {
 public:
  explicit PartialStore(std::filesystem::path target);

  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& dataPath() const { return data_; }

  // Opens the partial data for reading and writing, creating it empty when missing, and
  // locks it. Fails (with errno EWOULDBLOCK when another transfer holds the lock) rather
  // than wait.
  LockedData Lock() const;
  std::optional<PartialInfo> ReadInfo() const;
  // Replaces the info file in one durable step, so that it never describes half of two files.
  bool WriteInfo(const PartialInfo& info) const;
  // Moves the complete data to the target name, durably, and forgets the info; the
  // rename's error when it fails, the data and its info then staying as they were.
  std::error_code Finish() const;
  // Deletes the partial data and its info; false when a transfer holds them.
  bool Remove() const;
  // Deletes data that never received a byte and describes nothing; the caller holds the lock.
  void RemoveIfEmpty(const LockedData& data) const;

 private:
  std::filesystem::path target_;
  std::filesystem::path data_;
  std::filesystem::path info_;
};

}  // namespace xldl
