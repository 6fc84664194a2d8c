#include "catalogue/os_labels.h"

#include <utility>

#include "app/contains_no_case.h"
#include "catalogue/windows_version.h"

std::wstring CurrentOsLabel() {
  static const std::pair<const wchar_t*, const wchar_t*> families[] = {
      {L"windows 10", L"Win10 "},       {L"windows 7", L"Win7 "},  {L"windows vista", L"Win7 "},
      {L"windows xp", L"Windows XP"},   {L"windows 8.1", L"Win8.1 "}, {L"windows 8", L"Win8 "}};
  std::wstring product = ReadCurrentVersionValue(L"ProductName").value_or(L"");
  std::wstring label = L"其他系统";
  for (const auto& [part, family] : families) {
    if (ContainsNoCase(product, part)) {
      label = family;
      break;
    }
  }
  if (!ContainsNoCase(product, L"windows xp")) label += RunsUnderWow64() ? L"64位" : L"32位";
  return label;
}

std::wstring RecommendLabel(const std::wstring& machineText) {
  auto has = [&](const wchar_t* part) { return ContainsNoCase(machineText, part); };
  std::wstring label;
  if (has(L"Win7")) {
    label = L"Win7 ";
  } else if (has(L"XP")) {
    label = L"Windows XP ";
  } else if (has(L"Win8") || has(L"Win10")) {
    label = L"Win10 ";
  }
  if (has(L"32")) {
    label += L"32位 ";
  } else if (has(L"64")) {
    label += L"64位 ";
  }
  if (has(L"XP")) {
    if (has(L"旗舰")) {
      label += L"旗舰版";
    } else if (has(L"专业")) {
      label += L"专业版";
    } else if (has(L"家庭")) {
      label += L"家庭版";
    }
  }
  return label;
}
