// CopyFileEx: the bytes of a file copied in chunks by the host kernel, with progress and
// the Windows error of a failure.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "platform/sim/attribute_store.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/unique_fd.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

// Large enough that a big file costs few calls, small enough that progress and a cancel
// come several times a second.
constexpr size_t kChunkBytes = 8u << 20;
constexpr size_t kFallbackBufferBytes = 1u << 20;

uint32_t OpenError(int error) {
  switch (error) {
    case ENOENT: return platform::kErrorPathNotFound;
    case ENOSPC: case EDQUOT: return platform::kErrorDiskFull;
    default: return platform::kErrorAccessDenied;
  }
}

uint32_t WriteError(int error) {
  return error == ENOSPC || error == EDQUOT ? platform::kErrorDiskFull : platform::kErrorWriteFault;
}

// Copies with read and write, where the kernel cannot copy between the two files itself.
uint32_t CopyThroughBuffer(int in, int out, int64_t copied, int64_t total, const platform::CopyProgress& progress) {
  std::vector<char> buffer(kFallbackBufferBytes);
  for (;;) {
    ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return platform::kErrorReadFault;
    if (got == 0) return platform::kErrorSuccess;
    for (ssize_t put = 0; put < got;) {
      ssize_t n = ::write(out, buffer.data() + put, static_cast<size_t>(got - put));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return WriteError(errno);
      put += n;
    }
    copied += got;
    if (progress && !progress(copied, total)) return platform::kErrorRequestAborted;
  }
}

uint32_t CopyBytes(int in, int out, int64_t total, const platform::CopyProgress& progress) {
  int64_t copied = 0;
  for (;;) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunkBytes, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
      return CopyThroughBuffer(in, out, copied, total, progress);
    }
    if (n < 0) return errno == EIO ? platform::kErrorReadFault : WriteError(errno);
    if (n == 0) break;
    copied += n;
    if (progress && !progress(copied, total)) return platform::kErrorRequestAborted;
  }
  if (copied == 0 && progress && !progress(0, total)) return platform::kErrorRequestAborted;
  return platform::kErrorSuccess;
}

}  // namespace

uint32_t SimFiles::CopyFileEx(const std::wstring& from, const std::wstring& to, const platform::CopyProgress& progress) {
  auto source = machine_.MapPath(from);
  auto target = machine_.MapPath(to);
  std::error_code ec;
  if (!source || !fs::is_directory(source->parent_path(), ec)) return platform::kErrorPathNotFound;
  const auto sourceStatus = fs::status(*source, ec);
  if (!fs::exists(sourceStatus)) return platform::kErrorFileNotFound;
  if (fs::is_directory(sourceStatus)) return platform::kErrorAccessDenied;
  if (!target || !fs::is_directory(target->parent_path(), ec)) return platform::kErrorPathNotFound;
  // The source is held open by another program; the target may not be written.
  if (Listed(machine_.config().faults.unreadableFiles, *source)) return platform::kErrorSharingViolation;
  if (Listed(machine_.config().faults.unwritableFiles, *target)) return platform::kErrorAccessDenied;

  const AttributeStore store(machine_);
  const AttributeStore::CopyAttributes attributes = store.ReadForCopy(*source, *target);
  if (attributes.target != platform::kInvalidFileAttributes) {
    // The source, open for reading, cannot be opened again for writing.
    if (fs::equivalent(*source, *target, ec)) return platform::kErrorSharingViolation;
    const uint32_t hiddenOrSystem = platform::kFileAttributeHidden | platform::kFileAttributeSystem;
    if ((attributes.target & platform::kFileAttributeDirectory) ||
        (attributes.target & platform::kFileAttributeReadOnly) ||
        (attributes.target & hiddenOrSystem & ~attributes.source)) {
      return platform::kErrorAccessDenied;
    }
  }

  UniqueFd in(::open(source->c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return errno == ENOENT ? platform::kErrorFileNotFound : platform::kErrorAccessDenied;
  struct stat sourceStat {};
  if (::fstat(in.get(), &sourceStat) != 0) return platform::kErrorReadFault;
  uint32_t error;
  {
    UniqueFd out(::open(target->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0) return OpenError(errno);
    error = CopyBytes(in.get(), out.get(), sourceStat.st_size, progress);
  }
  if (error != platform::kErrorSuccess) {
    fs::remove(*target, ec);  // no half file is left behind
    if (attributes.targetEntry) store.Drop(*target);
    return error;
  }
  return store.FinishCopy(*target, attributes) ? platform::kErrorSuccess : platform::kErrorWriteFault;
}

}  // namespace sim
