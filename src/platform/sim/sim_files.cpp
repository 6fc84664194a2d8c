#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

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

std::optional<std::string> SimFiles::ReadFile(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec)) return std::nullopt;
  std::ifstream in(*host, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool SimFiles::WriteFile(const std::wstring& path, const std::string& bytes) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec)) return false;
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
  return fs::remove(*host, ec);
}

// Attributes are not kept yet: a file is plain, a folder a folder.
uint32_t SimFiles::GetFileAttributes(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::exists(*host, ec)) return platform::kInvalidFileAttributes;
  return fs::is_directory(*host, ec) ? platform::kFileAttributeDirectory : platform::kFileAttributeArchive;
}

bool SimFiles::SetFileAttributes(const std::wstring&, uint32_t) { return false; }

bool SimFiles::CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
  auto bytes = ReadFile(from);
  if (!bytes || (failIfExists && FileExists(to))) return false;
  return WriteFile(to, *bytes);
}

std::shared_ptr<void> SimFiles::LockFile(const std::wstring& path) {
  auto host = machine_.MapPath(path);
  if (!host) return nullptr;
  int fd = ::open(host->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return nullptr;
    }
  }
  // Closing the file releases the lock.
  return std::shared_ptr<void>(new int(fd), [](void* held) {
    ::close(*static_cast<int*>(held));
    delete static_cast<int*>(held);
  });
}

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
