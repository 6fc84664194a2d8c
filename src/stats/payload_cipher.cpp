#include "stats/payload_cipher.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>

#include "stats/aes.h"
#include "stats/base64.h"

namespace {

using Key = std::array<std::uint8_t, AES::kBlockSize>;

std::optional<Key> ZeroPaddedKey(const std::string& key) {
  if (key.size() > AES::kBlockSize) return std::nullopt;
  Key padded{};
  std::copy(key.begin(), key.end(), padded.begin());
  return padded;
}

// AES walks its buffer with an int length.
bool FitsBlockWalk(size_t length) {
  return length <= static_cast<size_t>(std::numeric_limits<int>::max());
}

std::uint8_t* Bytes(std::string& text) { return reinterpret_cast<std::uint8_t*>(text.data()); }

}  // namespace

std::string EncryptString(std::string plain, std::string key) try {
  const std::optional<Key> keyBytes = ZeroPaddedKey(key);
  if (!keyBytes) return "";
  // PKCS#7: a text that already fills whole blocks gains a whole block of padding.
  const size_t pad = AES::kBlockSize - plain.size() % AES::kBlockSize;
  if (!FitsBlockWalk(plain.size() + pad)) return "";
  plain.append(pad, static_cast<char>(pad));
  AES(*keyBytes).EncryptBlocks(Bytes(plain), static_cast<int>(plain.size()));
  return Base64Encode(plain);
} catch (const std::bad_alloc&) {
  return "";
}

std::string DecryptString(std::string base64, std::string key) try {
  const std::optional<Key> keyBytes = ZeroPaddedKey(key);
  if (!keyBytes) return "";
  if (base64.size() % 4 != 0) return "";
  std::string bytes = Base64Decode(base64);
  // Only whole blocks can be deciphered; anything else is not one of our cipher texts.
  if (bytes.empty() || bytes.size() % AES::kBlockSize != 0 || !FitsBlockWalk(bytes.size())) {
    return "";
  }
  AES(*keyBytes).DecryptBlocks(Bytes(bytes), static_cast<int>(bytes.size()));
  // The last byte says how many bytes to drop; it is trusted without checking the other
  // pad bytes, and a value above one block leaves everything in place. The text holds at
  // least one block, so a single block of padding yields "".
  const size_t pad = static_cast<std::uint8_t>(bytes.back());
  if (pad <= AES::kBlockSize) bytes.resize(bytes.size() - pad);
  return bytes;
} catch (const std::bad_alloc&) {
  return "";
}
