#include "app/file_size.h"

#include <boost/algorithm/string/predicate.hpp>

std::optional<platform::DirectoryEntry> FileEntryOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::nullopt;
  auto entries = platform::Current().files().ListDirectory(path.substr(0, slash));
  if (!entries) return std::nullopt;
  std::wstring name = path.substr(slash + 1);
  for (platform::DirectoryEntry& entry : *entries) {
    if (!entry.isDirectory && boost::algorithm::iequals(entry.name, name)) return std::move(entry);
  }
  return std::nullopt;
}

std::optional<int64_t> FileSizeOf(const std::wstring& path) {
  std::optional<platform::DirectoryEntry> entry = FileEntryOf(path);
  if (!entry) return std::nullopt;
  return entry->size;
}
