#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/codepage.h"
#include "platform/sim/attribute_store.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/state_files.h"
#include "platform/sim/unique_fd.h"

namespace sim {
namespace fs = std::filesystem;

bool SimFiles::DirectoryExists(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  return host && fs::is_directory(*host, ec);
}

bool SimFiles::CreateDirectory(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec)) return false;
  return fs::create_directory(*host, ec);
}

bool SimFiles::Listed(const std::vector<std::wstring>& faultPaths, const fs::path& host) const {
  if (faultPaths.empty()) return false;
  // A name that matches no file yet is mapped as written: compare without case.
  auto folded = [](const fs::path& p) { return FoldCase(platform::Utf8ToWide(p.lexically_normal().string())); };
  const std::wstring wanted = folded(host);
  for (const std::wstring& path : faultPaths) {
    auto faulted = machine_.MapPath(path);
    if (faulted && folded(*faulted) == wanted) return true;
  }
  return false;
}

std::optional<std::string> SimFiles::ReadFile(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec) || Listed(machine_.config().faults.unreadableFiles, *host)) {
    return std::nullopt;
  }
  std::ifstream in(*host, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool SimFiles::ReadFileInChunks(const std::wstring& path, size_t chunkBytes,
                                const std::function<void(const char* data, size_t size)>& consume) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || chunkBytes == 0 || !fs::is_regular_file(*host, ec)) return false;
  UniqueFd file(::open(host->c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return false;
  std::vector<char> buffer(chunkBytes);
  for (;;) {
    ssize_t got = ::read(file.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    consume(buffer.data(), static_cast<size_t>(got));
  }
}

// A read-only file is not written; a hidden or system file keeps its attributes.
bool SimFiles::WriteFile(const std::wstring& path, const std::string& bytes) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec) ||
      Listed(machine_.config().faults.unwritableFiles, *host)) {
    return false;
  }
  if (!AttributeStore(machine_).PrepareWrite(*host)) return false;
  std::ofstream out(*host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

namespace {

// The volume a path lies on ("C:", "C:\\..."), when the machine has it.
std::optional<VolumeOnDisk> VolumeOfPath(const MachineConfig& m, const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':' || (path.size() > 2 && path[2] != L'\\')) return std::nullopt;
  return FindVolume(m, path[0]);
}

}  // namespace

bool SimFiles::FileExists(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  return host && fs::is_regular_file(*host, ec);
}

bool SimFiles::RemoveFile(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec)) return false;
  const AttributeStore attributes(machine_);
  if ((attributes.Get(*host) & platform::kFileAttributeReadOnly) || !fs::remove(*host, ec)) return false;
  attributes.Drop(*host);
  return true;
}

uint32_t SimFiles::GetFileAttributes(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::exists(*host, ec)) return platform::kInvalidFileAttributes;
  return AttributeStore(machine_).Get(*host);
}

bool SimFiles::SetFileAttributes(const std::wstring& path, uint32_t attributes) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::exists(*host, ec)) return false;
  return AttributeStore(machine_).Set(*host, attributes);
}

// As CopyFileW: the target is created with the source's attributes, which CreateFileW
// refuses over a read-only file and over a hidden or system file when the source does
// not carry that attribute too.
bool SimFiles::CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
  auto source = machine_.MapPath(from);
  auto target = machine_.MapPath(to);
  std::error_code ec;
  if (!source || !target || !fs::is_regular_file(*source, ec) || !fs::is_directory(target->parent_path(), ec) ||
      fs::is_directory(*target, ec) || Listed(machine_.config().faults.unreadableFiles, *source) ||
      Listed(machine_.config().faults.unwritableFiles, *target)) {
    return false;
  }
  const AttributeStore store(machine_);
  const uint32_t sourceAttributes = store.Get(*source);
  if (fs::exists(*target, ec)) {
    const uint32_t targetAttributes = store.Get(*target);
    const uint32_t hiddenOrSystem = platform::kFileAttributeHidden | platform::kFileAttributeSystem;
    if (failIfExists || (targetAttributes & platform::kFileAttributeReadOnly) ||
        (targetAttributes & hiddenOrSystem & ~sourceAttributes)) {
      return false;
    }
  }
  if (fs::equivalent(*source, *target, ec)) return false;
  if (!fs::copy_file(*source, *target, fs::copy_options::overwrite_existing, ec)) return false;
  return store.Set(*target, sourceAttributes);
}

std::shared_ptr<void> SimFiles::LockFile(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  if (!host) return nullptr;
  return LockHostFile(*host);
}

namespace {

// The host's write time as Windows counts it: 100-nanosecond intervals since 1601.
int64_t FileTimeOf(fs::file_time_type time) {
  auto sinceEpoch = std::chrono::file_clock::to_sys(time).time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 100 + platform::kFileTimeOf1970;
}

}  // namespace

std::optional<std::vector<platform::DirectoryEntry>> SimFiles::ListDirectory(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec)) return std::nullopt;
  std::vector<platform::DirectoryEntry> entries;
  for (const auto& entry : fs::directory_iterator(*host, ec)) {
    platform::DirectoryEntry e;
    e.name = platform::Utf8ToWide(entry.path().filename().string());
    e.isDirectory = entry.is_directory(ec);
    if (!e.isDirectory) e.size = static_cast<int64_t>(entry.file_size(ec));
    e.lastWriteTime = FileTimeOf(entry.last_write_time(ec));
    entries.push_back(std::move(e));
  }
  if (ec) return std::nullopt;
  // NTFS lists a folder in name order.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return entries;
}

std::optional<platform::DiskFreeSpace> SimFiles::QueryDiskFreeSpace(const std::wstring& path) {
  auto found = VolumeOfPath(machine_.config(), path);
  if (!found || found->disk->noMedia) return std::nullopt;
  uint64_t total = static_cast<uint64_t>(found->volume->sizeBytes);
  uint64_t free = static_cast<uint64_t>(found->volume->freeBytes);
  return platform::DiskFreeSpace{free, total, free};
}

std::optional<platform::VolumeInformation> SimFiles::QueryVolumeInformation(const std::wstring& root,
                                                                            uint32_t labelChars,
                                                                            uint32_t fileSystemChars) {
  // Only a root names a volume here; a volume without a file system is not recognised.
  if (root.size() != 3) return std::nullopt;
  auto found = VolumeOfPath(machine_.config(), root);
  if (!found || found->disk->noMedia || found->volume->fileSystem.empty()) return std::nullopt;
  const Partition& v = *found->volume;
  if ((labelChars != 0 && v.label.size() + 1 > labelChars) || v.fileSystem.size() + 1 > fileSystemChars) {
    return std::nullopt;
  }
  return platform::VolumeInformation{labelChars != 0 ? v.label : L"", v.fileSystem};
}

}  // namespace sim
