#pragma once
// The attributes of files and folders (read-only, hidden, system, archive), kept in
// state/attributes.json for every process of the machine:
//   {"c:\\boot.ini": 7, "d:\\tarnvik\\config.ini": 2}
// keyed by the lower-cased Windows path of the file as it lies on its drive ("c:\\..."; a
// partition without a letter as "\\device\\harddisk0\\partition1\\..."), valued with the
// FILE_ATTRIBUTE_* bits. A file without an entry is plain archive, a folder plain folder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class SimPlatform;

class AttributeStore {
 public:
  explicit AttributeStore(const SimPlatform& machine) : machine_(machine) {}

  // GetFileAttributesW of the file or folder at the host path; kInvalidFileAttributes when
  // nothing is there.
  uint32_t Get(const std::filesystem::path& host) const;
  // Keeps the read-only, hidden, system and archive bits of `attributes` for the host path.
  bool Set(const std::filesystem::path& host, uint32_t attributes) const;
  // Whether a file may be written at the host path: not over a read-only file. Where no
  // file is, an entry left by a file deleted behind the machine's back is dropped.
  bool PrepareWrite(const std::filesystem::path& host) const;
  // Drops the entry of the path and the entries of everything below it.
  void Drop(const std::filesystem::path& host) const;
  // Moves the entries of the path and everything below it to the new path.
  void Move(const std::filesystem::path& from, const std::filesystem::path& to) const;

  // The attributes a file copy works with, from one read of the store, so that copying
  // many plain files costs no write of it.
  struct CopyAttributes {
    uint32_t source = 0;
    uint32_t target = 0;       // kInvalidFileAttributes when no file is there
    bool targetEntry = false;  // the store holds an entry for the target path, live or stale
  };
  CopyAttributes ReadForCopy(const std::filesystem::path& source, const std::filesystem::path& target) const;
  // Gives the copied target the source's attributes; writes the store only when that
  // changes it.
  bool FinishCopy(const std::filesystem::path& target, const CopyAttributes& read) const;

 private:
  std::optional<std::string> KeyOf(const std::filesystem::path& host) const;
  const SimPlatform& machine_;
};

// One drive root whose entries follow its files: from the root key ("e:",
// "\\device\\harddisk2\\partition1") to another, or to nothing when the files went.
struct AttributeRootMove {
  std::string from;
  std::optional<std::string> to;
};

// Carries the entries below each `from` root to its `to` root (dropping those moved to
// nothing) and drops the stale entries below the `emptied` roots, whose files start anew;
// for a caller that holds the state lock.
bool MoveAttributeRoots(const SimPlatform& machine, const std::vector<AttributeRootMove>& moves,
                        const std::vector<std::string>& emptied);

}  // namespace sim
