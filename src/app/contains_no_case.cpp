#include "app/contains_no_case.h"

namespace {

std::wstring FoldAsciiCapitals(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

}  // namespace

bool ContainsNoCase(const std::wstring& text, const std::wstring& part) {
  return FoldAsciiCapitals(text).find(FoldAsciiCapitals(part)) != std::wstring::npos;
}
