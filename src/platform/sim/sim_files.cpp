#include <fstream>
#include <sstream>
#include <system_error>

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

}  // namespace sim
