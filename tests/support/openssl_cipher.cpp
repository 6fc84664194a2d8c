#include "support/openssl_cipher.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace testing_support {

std::string OpenSslAes128Ecb(std::string_view plain, std::string_view key, bool pkcs7Padding) {
  if (key.size() > 16) throw std::invalid_argument("AES-128 key longer than 16 bytes");
  unsigned char keyBytes[16] = {};
  std::copy(key.begin(), key.end(), keyBytes);

  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
  std::string out(plain.size() + 16, '\0');
  auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
  int written = 0;
  int finalWritten = 0;
  if (!context ||
      EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, keyBytes, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), pkcs7Padding ? 1 : 0) != 1 ||
      EVP_EncryptUpdate(context.get(), outBytes, &written,
                        reinterpret_cast<const unsigned char*>(plain.data()),
                        static_cast<int>(plain.size())) != 1 ||
      EVP_EncryptFinal_ex(context.get(), outBytes + written, &finalWritten) != 1) {
    throw std::runtime_error("OpenSSL AES-128-ECB encryption failed");
  }
  out.resize(written + finalWritten);
  return out;
}

std::string OpenSslBase64(std::string_view bytes) {
  std::string text((bytes.size() + 2) / 3 * 4 + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  text.resize(length);
  return text;
}

}  // namespace testing_support
