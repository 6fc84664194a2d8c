#pragma once
// OpenSSL's AES-128-ECB and Base64, as an independent reference for the payload cipher.

#include <string>
#include <string_view>

namespace testing_support {

// Raw cipher bytes of `plain` under `key` zero-padded to 16 bytes (key at most 16 bytes).
// Without PKCS#7 padding the plain text must fill whole blocks.
std::string OpenSslAes128Ecb(std::string_view plain, std::string_view key, bool pkcs7Padding);

std::string OpenSslBase64(std::string_view bytes);

}  // namespace testing_support
