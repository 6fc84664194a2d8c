#include "app/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kNotInAlphabet = -1;

constexpr std::array<int, 256> kValueOf = [] {
  std::array<int, 256> values{};
  values.fill(kNotInAlphabet);
  for (int i = 0; i < static_cast<int>(kAlphabet.size()); ++i) {
    values[static_cast<unsigned char>(kAlphabet[i])] = i;
  }
  return values;
}();

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (size_t j = 0; j < 3; ++j) {
      const std::uint32_t byte = j < count ? static_cast<unsigned char>(bytes[i + j]) : 0;
      group = (group << 8) | byte;
    }
    // count bytes fill count + 1 characters; the rest of the four is padding.
    for (size_t j = 0; j < 4; ++j) {
      text += j <= count ? kAlphabet[(group >> (18 - 6 * j)) & 0x3f] : '=';
    }
  }
  return text;
}

std::string Base64Decode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 2);
  std::uint32_t bits = 0;
  int bitCount = 0;
  for (char c : text) {
    const int value = kValueOf[static_cast<unsigned char>(c)];
    if (value == kNotInAlphabet) break;  // "=" is not in the alphabet either
    bits = ((bits << 6) | static_cast<std::uint32_t>(value)) & 0xffffff;
    bitCount += 6;
    // Every complete byte is emitted as soon as it is known; a lone trailing character
    // holds only 6 bits and so gives nothing.
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes += static_cast<char>((bits >> bitCount) & 0xff);
    }
  }
  return bytes;
}

std::string Base64Problem(std::string_view text) {
  if (text.size() % 4 != 0) return "its length " + std::to_string(text.size()) + " is not a multiple of 4";
  const size_t padding = text.size() - text.find_last_not_of('=') - 1;
  const size_t end = text.size() - std::min(padding, text.size());
  for (size_t i = 0; i < end; ++i) {
    if (kValueOf[static_cast<unsigned char>(text[i])] == kNotInAlphabet) {
      return "the character '" + std::string(1, text[i]) + "' at offset " + std::to_string(i) + " is not Base64";
    }
  }
  if (padding > 2 || (padding > 0 && end == 0)) return "its \"=\" padding is wrong";
  // The last character before the padding carries 2 (one "=") or 4 (two) bits that no
  // byte uses; an encoder writes them as zero.
  if (padding > 0) {
    const int unused = kValueOf[static_cast<unsigned char>(text[end - 1])] & (padding == 1 ? 0x3 : 0xf);
    if (unused != 0) return "its \"=\" padding is wrong";
  }
  return "";
}
