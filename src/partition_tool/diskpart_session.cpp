#include "diskpart_session.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform_shim.h"

namespace molvane {
namespace {

std::wstring Quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

// Lines end at LF; the CR before it belongs to the line end, not to the text.
std::optional<std::vector<std::wstring>> ReadCp936Lines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    const size_t next = end == std::string::npos ? bytes.size() : end + 1;
    if (end == std::string::npos) end = bytes.size();
    while (end > start && bytes[end - 1] == '\r') --end;
    lines.push_back(platform::Cp936ToWide(bytes.substr(start, end - start)));
    start = next;
  }
  return lines;
}

}  // namespace

DiskpartSession::DiskpartSession(std::filesystem::path systemDirectory,
                                 std::filesystem::path workFolder)
    : diskpart_(systemDirectory / L"diskpart.exe"),
      scriptFile_(workFolder / L"ctemp.txt"),
      batchFile_(workFolder / L"ctemp_bat.bat"),
      outputFile_(workFolder / L"cout.txt") {}

std::optional<std::vector<std::wstring>> DiskpartSession::Run(const std::wstring& script) const {
  std::error_code error;
  if (!std::filesystem::is_regular_file(diskpart_, error)) return std::nullopt;
  if (!platform::WriteCp936TextFile(scriptFile_, script)) return std::nullopt;
  const std::wstring commandLine =
      Quoted(diskpart_) + L" /s " + Quoted(scriptFile_) + L" > " + Quoted(outputFile_);
  if (!platform::WriteCp936TextFile(batchFile_, commandLine)) return std::nullopt;
  // An answer left from an earlier step must never be read as this step's answer.
  std::filesystem::remove(outputFile_, error);
  if (error || !platform::RunBatchHiddenAndWait(batchFile_)) return std::nullopt;
  return ReadCp936Lines(outputFile_);
}

}  // namespace molvane
