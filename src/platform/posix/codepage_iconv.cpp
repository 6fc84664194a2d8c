#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/codepage.h"

namespace platform {
namespace {

// Converts with iconv; an input unit that cannot be converted is replaced by
// `replacement` (already in the target encoding) and skipped.
std::string Convert(const char* to, const char* from, const char* input, size_t inputBytes,
                    size_t unitBytes, std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(input);
  size_t inLeft = inputBytes;
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ or EINVAL (truncated sequence at the end): replace one unit and go on.
    size_t skip = std::min(unitBytes, inLeft);
    in += skip;
    inLeft -= skip;
    out.append(replacement);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

std::wstring ToWide(const std::string& bytes) {
  std::wstring out(bytes.size() / sizeof(wchar_t), L'\0');
  std::copy_n(bytes.data(), out.size() * sizeof(wchar_t), reinterpret_cast<char*>(out.data()));
  return out;
}

// Text of ASCII alone is the same in every encoding here: most paths and log lines are,
// and opening a converter costs more than converting them.
template <typename Char>
bool IsAscii(std::basic_string_view<Char> text) {
  return std::all_of(text.begin(), text.end(), [](Char c) { return static_cast<unsigned long>(c) < 0x80; });
}

std::string NarrowAscii(std::wstring_view text) { return std::string(text.begin(), text.end()); }
std::wstring WidenAscii(std::string_view text) { return std::wstring(text.begin(), text.end()); }

const std::string kWideReplacement = [] {
  wchar_t c = 0xFFFD;
  return std::string(reinterpret_cast<const char*>(&c), sizeof c);
}();

}  // namespace

std::string WideToCodePage936(std::wstring_view text) {
  if (IsAscii(text)) return NarrowAscii(text);
  return Convert("CP936", "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                 text.size() * sizeof(wchar_t), sizeof(wchar_t), "?");
}

std::wstring CodePage936ToWide(std::string_view text) {
  if (IsAscii(text)) return WidenAscii(text);
  return ToWide(Convert("WCHAR_T", "CP936", text.data(), text.size(), 1, kWideReplacement));
}

std::string WideToUtf8(std::wstring_view text) {
  if (IsAscii(text)) return NarrowAscii(text);
  return Convert("UTF-8", "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                 text.size() * sizeof(wchar_t), sizeof(wchar_t), "\xEF\xBF\xBD");
}

std::wstring Utf8ToWide(std::string_view text) {
  if (IsAscii(text)) return WidenAscii(text);
  return ToWide(Convert("WCHAR_T", "UTF-8", text.data(), text.size(), 1, kWideReplacement));
}

}  // namespace platform
