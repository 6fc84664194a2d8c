#include "catalogue/image_verification.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>

#include "app/file_size.h"
#include "platform/platform.h"

namespace {

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Checksums computed in this process, by lower-cased path, with the size and write time
// the file had: an image checked once is not read again until it changes, so that
// finding it again (on the UI thread, among others) costs a folder listing, not minutes.
struct KnownChecksum {
  int64_t size = 0;
  int64_t lastWriteTime = 0;
  std::string md5;
};

std::mutex knownLock;
std::map<std::wstring, KnownChecksum> knownChecksums;

// A write time is trusted only when it lies this long before the check ended: a file
// changed again within the file system's time granularity could keep its write time.
constexpr int64_t kTrustedAge = 2 * 10'000'000;  // FILETIME units: 2 s

int64_t FileTimeNow() {
  return platform::Current().system().CurrentTime() * 10'000'000 + platform::kFileTimeOf1970;
}

std::wstring PathKey(const std::wstring& path) {
  std::wstring key = path;
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return key;
}

std::optional<std::string> ComputeMd5(const std::wstring& path) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return std::nullopt;
  bool hashed = true;
  bool read = platform::Current().files().ReadFileInChunks(
      path, kChecksumChunkBytes,
      [&](const char* data, size_t size) { hashed = hashed && EVP_DigestUpdate(context.get(), data, size) == 1; });
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!read || !hashed || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 15];
  }
  return text;
}

}  // namespace

bool HasImageChecksum(const OsEntry& entry) {
  return entry.md5.size() == 32 &&
         std::all_of(entry.md5.begin(), entry.md5.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

std::optional<std::string> FileMd5(const std::wstring& path) {
  const std::wstring key = PathKey(path);
  std::optional<platform::DirectoryEntry> before = FileEntryOf(path);
  if (!before) return std::nullopt;
  {
    std::lock_guard lock(knownLock);
    auto known = knownChecksums.find(key);
    if (known != knownChecksums.end() && known->second.size == before->size &&
        known->second.lastWriteTime == before->lastWriteTime) {
      return known->second.md5;
    }
  }
  std::optional<std::string> md5 = ComputeMd5(path);
  std::optional<platform::DirectoryEntry> after = FileEntryOf(path);
  const bool unchanged = after && after->size == before->size && after->lastWriteTime == before->lastWriteTime;
  std::lock_guard lock(knownLock);
  if (md5 && unchanged && before->lastWriteTime + kTrustedAge < FileTimeNow()) {
    knownChecksums[key] = {before->size, before->lastWriteTime, *md5};
  } else {
    knownChecksums.erase(key);
  }
  return md5;
}

bool ChecksumMatches(const OsEntry& entry, const std::optional<std::string>& fileMd5) {
  return !HasImageChecksum(entry) || (fileMd5 && *fileMd5 == LowerCase(entry.md5));
}

ImageVerdict VerifyImageFile(const OsEntry& entry, const std::wstring& path) {
  ImageVerdict verdict;
  if (!HasImageChecksum(entry)) {
    verdict.matches = true;
    return verdict;
  }
  std::optional<std::string> fileMd5 = FileMd5(path);
  verdict.actualMd5 = fileMd5.value_or("");
  verdict.matches = ChecksumMatches(entry, fileMd5);
  return verdict;
}

std::wstring ChecksumMismatchText(const OsEntry& entry, const std::wstring& path, const ImageVerdict& verdict) {
  std::wstring actual = verdict.actualMd5.empty() ? L"(unreadable)" : Widen(verdict.actualMd5);
  return L"镜像校验失败：" + path + L"，MD5 应为 " + Widen(LowerCase(entry.md5)) + L"，实为 " + actual;
}
