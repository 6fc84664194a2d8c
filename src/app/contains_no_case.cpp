#include "app/contains_no_case.h"

std::wstring FoldAsciiCapitals(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

bool ContainsNoCase(const std::wstring& text, const std::wstring& part) {
  return FoldAsciiCapitals(text).find(FoldAsciiCapitals(part)) != std::wstring::npos;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) { return FoldAsciiCapitals(a) == FoldAsciiCapitals(b); }
