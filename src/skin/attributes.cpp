#include "skin/attributes.h"

#include <cwchar>
#include <vector>

namespace DuiLib {
namespace {

std::vector<int> ParseInts(const CDuiString& text) {
  std::vector<int> values;
  const wchar_t* p = text.c_str();
  while (*p) {
    wchar_t* end = nullptr;
    long v = std::wcstol(p, &end, 10);
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

int ParseInt(const CDuiString& text) { return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10)); }

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
  if (text[start] == L'#') {
    CDuiString digits = text.substr(start + 1);
    DWORD value = static_cast<DWORD>(std::wcstoul(digits.c_str(), nullptr, 16));
    return digits.size() <= 6 ? (value | 0xFF000000u) : value;
  }
  return static_cast<DWORD>(std::wcstoul(text.c_str() + start, nullptr, 0));
}

bool ParseBool(const CDuiString& text) { return text == L"true" || text == L"1"; }

}  // namespace DuiLib
