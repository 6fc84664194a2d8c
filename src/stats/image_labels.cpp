#include "stats/image_labels.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "app/contains_no_case.h"
#include "app/text_helpers.h"

namespace {

const char kSeparator[] = "@@";

std::string Join(const std::vector<std::wstring>& labels) {
  std::string joined;
  for (const std::wstring& label : labels) {
    if (!joined.empty()) joined += kSeparator;
    joined += WideToLocal(label);
  }
  return joined;
}

// The name as UTF-16 code units, the way Windows holds and compares it.
std::u16string Utf16Units(const std::wstring& text) {
  std::u16string units;
  for (wchar_t c : text) {
    auto point = static_cast<uint32_t>(c);
    if (point >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(point));
    }
  }
  return units;
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
  // A set of wide strings here orders by code point; on Windows it orders by UTF-16 code
  // unit, which puts a name outside the Basic Multilingual Plane before U+E000 to U+FFFF.
  std::vector<std::pair<std::u16string, const std::wstring*>> ordered;
  for (const std::wstring& name : imageNames) ordered.emplace_back(Utf16Units(name), &name);
  std::sort(ordered.begin(), ordered.end());
  std::vector<std::wstring> labels;
  for (const auto& [units, name] : ordered) labels.push_back(OsFamilyLabel(*name));
  return Join(labels);
}

std::string JoinedLabels(const std::vector<std::string>& imageNames) {
  std::vector<std::wstring> labels;
  for (const std::string& name : imageNames) labels.push_back(OsFamilyLabel(LocalToWide(name)));
  return Join(labels);
}
