#include "stats/image_labels.h"

#include <algorithm>

#include "app/text_helpers.h"

namespace {

const char kSeparator[] = "@@";

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Substring test with only the ASCII capitals folded, as image names are classified.
bool ContainsNoCase(const std::wstring& text, const std::wstring& part) {
  auto equal = [](wchar_t a, wchar_t b) { return FoldAscii(a) == FoldAscii(b); };
  return std::search(text.begin(), text.end(), part.begin(), part.end(), equal) != text.end();
}

std::string Join(const std::vector<std::wstring>& labels) {
  std::string joined;
  for (const std::wstring& label : labels) {
    if (!joined.empty()) joined += kSeparator;
    joined += WideToLocal(label);
  }
  return joined;
}

}  // namespace

std::wstring OsFamilyLabel(const std::wstring& imageName) {
  auto has = [&](const wchar_t* part) { return ContainsNoCase(imageName, part); };
  if (has(L"win")) {
    const bool bits64 = has(L"64");
    // The order of the tests decides names that carry several numbers ("win10 1709").
    if (has(L"xp")) return L"xp";
    if (has(L"7")) return bits64 ? L"win7 64" : L"win7 32";
    if (has(L"10")) return bits64 ? L"win10 64" : L"win10 32";
    if (has(L"8")) return bits64 ? L"win8 64" : L"win8 32";
    return L"Other";
  }
  if (has(L"pe")) return L"pe";
  return L"Other";
}

std::string JoinedLabels(const std::set<std::wstring>& imageNames) {
  if (imageNames.empty()) return "null";
  std::vector<std::wstring> labels;
  for (const std::wstring& name : imageNames) labels.push_back(OsFamilyLabel(name));
  return Join(labels);
}

std::string JoinedLabels(const std::vector<std::string>& imageNames) {
  std::vector<std::wstring> labels;
  for (const std::string& name : imageNames) labels.push_back(OsFamilyLabel(LocalToWide(name)));
  return Join(labels);
}
