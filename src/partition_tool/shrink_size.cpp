#include "shrink_size.h"

#include <climits>

#include "diskpart_text.h"

namespace molvane {
namespace {

constexpr wchar_t kMaxShrinkMarker[] = L"可回收的最大字节数";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The digits of the number that ends just before "MB" (blanks between them allowed).
std::wstring DigitsBeforeMb(const std::wstring& line, size_t mb) {
  size_t end = mb;
  while (end > 0 && line[end - 1] == L' ') --end;
  size_t start = end;
  while (start > 0 && IsDigit(line[start - 1])) --start;
  return line.substr(start, end - start);
}

std::wstring AllDigits(const std::wstring& line) {
  std::wstring digits;
  for (wchar_t c : line) {
    if (IsDigit(c)) digits += c;
  }
  return digits;
}

std::optional<int> ToInt(const std::wstring& digits) {
  if (digits.empty()) return std::nullopt;
  long long value = 0;
  for (wchar_t c : digits) {
    value = value * 10 + (c - L'0');
    if (value > INT_MAX) return std::nullopt;
  }
  return static_cast<int>(value);
}

}  // namespace

std::optional<int> ReadMaxShrinkMb(const std::vector<std::wstring>& lines) {
  for (size_t i = kDiskpartPreambleLines; i < lines.size(); ++i) {
    const size_t marker = lines[i].find(kMaxShrinkMarker);
    if (marker == std::wstring::npos) continue;
    const size_t mb = lines[i].find(L"MB", marker);
    return ToInt(mb == std::wstring::npos ? AllDigits(lines[i]) : DigitsBeforeMb(lines[i], mb));
  }
  return std::nullopt;
}

}  // namespace molvane
