#pragma once
// Whether a downloaded image is the one the catalogue describes. An entry whose md5 is 32
// hex digits holds its file to that checksum; an entry without one takes any file.

#include <cstddef>
#include <optional>
#include <string>

#include "catalogue/os_entry.h"

// Pieces the checksum reads a file in: large enough to keep the disk busy, small enough
// that a multi-gigabyte image never sits in memory.
inline constexpr size_t kChecksumChunkBytes = 4 << 20;

// The entry names a checksum: 32 hex digits, in either case.
bool HasImageChecksum(const OsEntry& entry);

// The MD5 of a file in lower-case hex; nothing when it cannot be read. A file read once
// and unchanged since (size and write time) is answered from memory.
std::optional<std::string> FileMd5(const std::wstring& path);

// Whether a file's MD5 (as FileMd5 gives it) is the entry's checksum; true without one.
bool ChecksumMatches(const OsEntry& entry, const std::optional<std::string>& fileMd5);

struct ImageVerdict {
  bool matches = false;   // no checksum to hold to, or the file's MD5 equals it
  std::string actualMd5;  // the file's MD5; empty when not computed or the file is unreadable
};

// Checks the file at `path` against `entry`'s checksum; without one the file is not read.
ImageVerdict VerifyImageFile(const OsEntry& entry, const std::wstring& path);

// What a failed check tells the user and the log: the file and both checksums.
std::wstring ChecksumMismatchText(const OsEntry& entry, const std::wstring& path, const ImageVerdict& verdict);
