#pragma once
// The size of one file, read from its folder's listing.

#include <cstdint>
#include <optional>
#include <string>

// The bytes of the file at a Windows path; nothing when no file is there.
std::optional<int64_t> FileSizeOf(const std::wstring& path);
