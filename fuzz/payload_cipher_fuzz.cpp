// Base64 and the payload cipher on text from outside: a reply, a hand-off value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/base64.h"
#include "app/payload_cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  DecryptString(text, kStatsKey);
  Base64Decode(text);
  // Whatever the bytes, encoding then decoding gives them back.
  if (Base64Decode(Base64Encode(text)) != text) std::abort();
  if (DecryptString(EncryptString(text, kStatsKey), kStatsKey) != text) std::abort();
  return 0;
}
