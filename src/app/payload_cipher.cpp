#include "app/payload_cipher.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>

#include "app/aes.h"
#include "app/base64.h"

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

namespace {

// The deciphered bytes of Base64 text holding whole blocks, padding still on; nothing for
// a key longer than a block or text that does not decode to whole blocks.
std::optional<std::string> DecipheredBlocks(const std::string& base64, const std::string& key) {
  const std::optional<Key> keyBytes = ZeroPaddedKey(key);
  if (!keyBytes || base64.size() % 4 != 0) return std::nullopt;
  std::string bytes = Base64Decode(base64);
  // Only whole blocks can be deciphered; anything else is not one of our cipher texts.
  if (bytes.empty() || bytes.size() % AES::kBlockSize != 0 || !FitsBlockWalk(bytes.size())) {
    return std::nullopt;
  }
  AES(*keyBytes).DecryptBlocks(Bytes(bytes), static_cast<int>(bytes.size()));
  return bytes;
}

}  // namespace

std::string DecryptString(std::string base64, std::string key) try {
  std::optional<std::string> bytes = DecipheredBlocks(base64, key);
  if (!bytes) return "";
  // The last byte says how many bytes to drop; it is trusted without checking the other
  // pad bytes, and a value above one block leaves everything in place. The text holds at
  // least one block, so a single block of padding yields "".
  const size_t pad = static_cast<std::uint8_t>(bytes->back());
  if (pad <= AES::kBlockSize) bytes->resize(bytes->size() - pad);
  return *bytes;
} catch (const std::bad_alloc&) {
  return "";
}

CheckedPlain DecryptChecked(const std::string& base64, const std::string& key) {
  if (key.size() > AES::kBlockSize) return {false, "", "the key is longer than 16 bytes"};
  if (std::string problem = Base64Problem(base64); !problem.empty()) return {false, "", "not Base64: " + problem};
  std::optional<std::string> bytes = DecipheredBlocks(base64, key);
  if (!bytes) {
    return {false, "", "decodes to " + std::to_string(Base64Decode(base64).size()) +
                           " bytes, not whole 16-byte cipher blocks"};
  }
  const size_t pad = static_cast<std::uint8_t>(bytes->back());
  const bool padded = pad >= 1 && pad <= AES::kBlockSize &&
                      std::all_of(bytes->end() - static_cast<std::ptrdiff_t>(pad), bytes->end(),
                                  [pad](char c) { return static_cast<std::uint8_t>(c) == pad; });
  if (!padded) return {false, "", "the padding is wrong (a damaged text, or not encrypted with this key)"};
  bytes->resize(bytes->size() - pad);
  return {true, *bytes, ""};
}
