#include "catalogue/check_texts.h"

#include <cwchar>

std::wstring MemoryText(int64_t bytes) {
  wchar_t text[64];
  std::swprintf(text, 64, L"%2.1lfG", static_cast<double>(bytes) / (1 << 30));
  return text;
}

std::wstring NetworkText(bool ok) { return ok ? L"网络已连接" : L"网络连接失败"; }

std::wstring RecommendationSentence(const std::wstring& label) {
  std::wstring text = L"根据您的电脑配置，推荐您安装 " + label;
  if (text.size() > 127) text.resize(127);  // the page's buffer holds 128 with its zero
  return text;
}
