#include "skin/attributes.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace DuiLib {
namespace {

// The number at `p` in `base`, clamped to [lo, hi]; `end` is left after its digits (at `p`
// when there are none, and the value is then 0). wcstoll itself stops at its own limits.
long long ReadNumber(const wchar_t* p, const wchar_t** end, int base, long long lo, long long hi) {
  wchar_t* stop = nullptr;
  long long value = std::wcstoll(p, &stop, base);
  *end = stop;
  return stop == p ? 0 : std::clamp(value, lo, hi);
}

std::vector<int> ParseInts(const CDuiString& text) {
  std::vector<int> values;
  const wchar_t* p = text.c_str();
  while (*p) {
    const wchar_t* end = p;
    long long v = ReadNumber(p, &end, 10, -kSkinNumberLimit, kSkinNumberLimit);
    if (end == p) {
      ++p;
      continue;
    }
    values.push_back(static_cast<int>(v));
    p = end;
  }
  return values;
}

}  // namespace

int ParseInt(const CDuiString& text, int lo, int hi) {
  const wchar_t* end = nullptr;
  return static_cast<int>(ReadNumber(text.c_str(), &end, 10, lo, hi));
}

RECT ParseRect(const CDuiString& text) {
  std::vector<int> v = ParseInts(text);
  v.resize(4, 0);
  return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ParseSize(const CDuiString& text) {
  std::vector<int> v = ParseInts(text);
  v.resize(2, 0);
  return SIZE{v[0], v[1]};
}

DWORD ParseColor(const CDuiString& text) {
  size_t start = text.find_first_not_of(L" \t");
  if (start == CDuiString::npos) return 0;
  const wchar_t* end = nullptr;
  if (text[start] == L'#') {
    CDuiString digits = text.substr(start + 1);
    DWORD value = static_cast<DWORD>(ReadNumber(digits.c_str(), &end, 16, 0, 0xFFFFFFFFLL));
    return digits.size() <= 6 ? (value | 0xFF000000u) : value;
  }
  return static_cast<DWORD>(ReadNumber(text.c_str() + start, &end, 0, 0, 0xFFFFFFFFLL));
}

bool ParseBool(const CDuiString& text) { return text == L"true" || text == L"1"; }

}  // namespace DuiLib
