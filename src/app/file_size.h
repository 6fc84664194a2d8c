#pragma once
// One file's entry (size, write time), read from its folder's listing.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

// The entry of the file at a Windows path; nothing when no file is there.
std::optional<platform::DirectoryEntry> FileEntryOf(const std::wstring& path);
// Its size in bytes.
std::optional<int64_t> FileSizeOf(const std::wstring& path);
