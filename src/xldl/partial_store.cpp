#include "xldl/partial_store.h"

#include <fstream>
#include <system_error>

namespace xldl {
namespace fs = std::filesystem;

PartialStore::PartialStore(fs::path target)
    : target_(std::move(target)), data_(target_.string() + ".xltd"), info_(target_.string() + ".xltd.info") {}

// One "key=value" line per field; values never hold a line end (URLs with one are
// refused when the task is made, header values cannot carry one).
std::optional<PartialInfo> PartialStore::ReadInfo() const {
  std::ifstream in(info_, std::ios::binary);
  if (!in) return std::nullopt;
  PartialInfo info;
  bool sized = false;
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "url") {
      info.url = value;
    } else if (key == "etag") {
      info.etag = value;
    } else if (key == "lastModified") {
      info.lastModified = value;
    } else if (key == "totalSize") {
      try {
        info.totalSize = std::stoll(value);
        sized = true;
      } catch (const std::exception&) {
        return std::nullopt;
      }
    }
  }
  if (info.url.empty() || !sized) return std::nullopt;
  return info;
}

bool PartialStore::WriteInfo(const PartialInfo& info) const {
  fs::path temporary = info_.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << "url=" << info.url << "\netag=" << info.etag << "\nlastModified=" << info.lastModified
        << "\ntotalSize=" << info.totalSize << "\n";
    out.flush();
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(temporary, info_, ec);
  return !ec;
}

int64_t PartialStore::DataSize() const {
  std::error_code ec;
  auto size = fs::file_size(data_, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

bool PartialStore::Finish() const {
  std::error_code ec;
  fs::rename(data_, target_, ec);
  if (ec) return false;
  fs::remove(info_, ec);
  return true;
}

void PartialStore::Remove() const {
  std::error_code ec;
  fs::remove(data_, ec);
  fs::remove(info_, ec);
}

}  // namespace xldl
