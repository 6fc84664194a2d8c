#include "app/size_text.h"

#include <cwchar>

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;
constexpr int64_t kGiB = int64_t(1) << 30;

std::wstring Format(const wchar_t* format, double value) {
  wchar_t text[64];
  std::swprintf(text, 64, format, value);
  return text;
}

}  // namespace

std::wstring SpeedText(int64_t b) {
  // The quotient is taken in single precision, as the display always did.
  if (b < kMiB) return Format(L"%.1fK/s", static_cast<float>(static_cast<double>(b) / 1024.0));
  if (b < kGiB) return Format(L"%.1fM/s", static_cast<float>(static_cast<double>(b) / kMiB));
  return Format(L"%.1fG/s", static_cast<float>(static_cast<double>(b) / kGiB));
}

std::wstring GigabyteText(int64_t bytes) { return Format(L"%.2fGB", static_cast<double>(bytes) / kGiB); }
