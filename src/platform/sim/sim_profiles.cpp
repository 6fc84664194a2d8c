#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/codepage.h"
#include "platform/sim/attribute_store.h"
#include "platform/sim/sim_services.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

std::wstring Trim(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return L"";
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The lines of an INI file, its bytes read as the ANSI code page.
std::vector<std::wstring> ReadLines(const fs::path& file) {
  std::vector<std::wstring> lines;
  std::ifstream in(file, std::ios::binary);
  if (!in) return lines;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::wistringstream text(platform::CodePage936ToWide(bytes.str()));
  std::wstring line;
  while (std::getline(text, line)) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool WriteLines(const fs::path& file, const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << platform::WideToCodePage936(text);
  return static_cast<bool>(out.flush());
}

// The section a "[name]" line opens, or nothing for other lines.
std::optional<std::wstring> SectionOf(const std::wstring& line) {
  const std::wstring trimmed = Trim(line);
  if (trimmed.empty() || trimmed[0] != L'[') return std::nullopt;
  return Trim(trimmed.substr(1, trimmed.find(L']') - 1));
}

// The key of a "key=value" line, or nothing for other lines.
std::optional<std::wstring> KeyOf(const std::wstring& line) {
  const size_t equals = line.find(L'=');
  if (equals == std::wstring::npos) return std::nullopt;
  return Trim(line.substr(0, equals));
}

struct Location {
  size_t section = 0;     // index of the "[section]" line
  size_t end = 0;         // one past the section's last non-blank line
  std::optional<size_t> key;
};

std::optional<Location> Find(const std::vector<std::wstring>& lines, const std::wstring& section,
                             const std::wstring& key) {
  const std::wstring wantedSection = FoldCase(section);
  const std::wstring wantedKey = FoldCase(key);
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionOf(lines[i]);
    if (!name || FoldCase(*name) != wantedSection) continue;
    Location found{i, i + 1, std::nullopt};
    for (size_t j = i + 1; j < lines.size() && !SectionOf(lines[j]); ++j) {
      if (!Trim(lines[j]).empty()) found.end = j + 1;
      auto k = KeyOf(lines[j]);
      if (!found.key && k && FoldCase(*k) == wantedKey) found.key = j;
    }
    return found;
  }
  return std::nullopt;
}

}  // namespace

bool SimProfiles::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                              const std::wstring& path) {
  auto host = machine_.MapPath(path);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec)) return false;

  std::lock_guard lock(lock_);
  if (!AttributeStore(machine_).PrepareWrite(*host)) return false;
  std::vector<std::wstring> lines = ReadLines(*host);
  const std::wstring entry = key + L"=" + value;
  if (auto at = Find(lines, section, key)) {
    if (at->key) {
      lines[*at->key] = entry;
    } else {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at->end), entry);
    }
  } else {
    lines.push_back(L"[" + section + L"]");
    lines.push_back(entry);
  }
  return WriteLines(*host, lines);
}

std::wstring SimProfiles::ReadString(const std::wstring& section, const std::wstring& key,
                                     const std::wstring& defaultValue, const std::wstring& path) {
  auto host = machine_.MapPath(path);
  if (!host) return defaultValue;
  std::lock_guard lock(lock_);
  const std::vector<std::wstring> lines = ReadLines(*host);
  auto at = Find(lines, section, key);
  if (!at || !at->key) return defaultValue;
  const std::wstring& line = lines[*at->key];
  std::wstring value = Trim(line.substr(line.find(L'=') + 1));
  // One pair of enclosing quotes is not part of the value.
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace sim
