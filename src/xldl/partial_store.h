#pragma once
// The partial data of one target file, kept beside it until every byte is there:
// "<target>.xltd" holds the bytes received so far, "<target>.xltd.info" what they belong
// to. The target itself appears only when the data is complete, so a file under the
// target name is never a partial one.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace xldl {

// What the partial data belongs to. A resume is only sound against the same URL and an
// unchanged file on the server, which the validators identify.
struct PartialInfo {
  std::string url;
  std::string etag;          // strong entity tag as the server sent it, quotes included
  std::string lastModified;  // the server's Last-Modified date, as sent
  int64_t totalSize = -1;    // the whole file's size; -1 when the server did not say
};

class PartialStore {
 public:
  explicit PartialStore(std::filesystem::path target);

  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& dataPath() const { return data_; }

  std::optional<PartialInfo> ReadInfo() const;
  // Replaces the info file in one step, so that it never describes half of two files.
  bool WriteInfo(const PartialInfo& info) const;
  // Bytes of partial data on disk; 0 when there is none.
  int64_t DataSize() const;
  // Moves the complete data to the target name and forgets the info.
  bool Finish() const;
  // Deletes the partial data and its info.
  void Remove() const;

 private:
  std::filesystem::path target_;
  std::filesystem::path data_;
  std::filesystem::path info_;
};

}  // namespace xldl
