#include "app/aes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "stats/random_bytes.h"
#include "support/openssl_cipher.h"

namespace {

using Block = std::array<std::uint8_t, 16>;

Block Sequence(std::uint8_t first, std::uint8_t step) {
  Block block{};
  for (int i = 0; i < 16; ++i) block[i] = static_cast<std::uint8_t>(first + i * step);
  return block;
}

// FIPS-197 Appendix C.1.
const Block kKey = Sequence(0x00, 0x01);
const Block kPlain = Sequence(0x00, 0x11);
const Block kCipher = {0x69, 0xc4, 0xe0, 0xd8, 0x6a, 0x7b, 0x04, 0x30,
                       0xd8, 0xcd, 0xb7, 0x80, 0x70, 0xb4, 0xc5, 0x5a};

TEST(AesTest, MatchesFips197Vector) {
  AES aes(kKey);
  Block buffer = kPlain;
  EXPECT_EQ(aes.EncryptBlocks(buffer.data(), 16), buffer.data());
  EXPECT_EQ(buffer, kCipher);
  EXPECT_EQ(aes.DecryptBlocks(buffer.data(), 16), buffer.data());
  EXPECT_EQ(buffer, kPlain);
}

TEST(AesTest, NonPositiveLengthLeavesBufferAlone) {
  AES aes(kKey);
  for (int length : {0, -1, -16}) {
    Block buffer = kPlain;
    aes.EncryptBlocks(buffer.data(), length);
    aes.DecryptBlocks(buffer.data(), length);
    EXPECT_EQ(buffer, kPlain) << "length " << length;
  }
}

// Many blocks under random keys: each block is enciphered on its own, as OpenSSL's ECB does.
TEST(AesTest, AgreesWithOpenSslEcbOverManyBlocks) {
  std::mt19937 random(197);
  for (int trial = 0; trial < 200; ++trial) {
    const std::string key = RandomBytes(random, 16);
    const std::string plain = RandomBytes(random, 16 * (1 + trial % 12));
    Block keyBytes{};
    std::copy(key.begin(), key.end(), keyBytes.begin());
    AES aes(keyBytes);

    std::vector<std::uint8_t> buffer(plain.begin(), plain.end());
    aes.EncryptBlocks(buffer.data(), static_cast<int>(buffer.size()));
    const std::string expected = testing_support::OpenSslAes128Ecb(plain, key, false);
    ASSERT_EQ(std::string(buffer.begin(), buffer.end()), expected) << "trial " << trial;

    aes.DecryptBlocks(buffer.data(), static_cast<int>(buffer.size()));
    ASSERT_EQ(std::string(buffer.begin(), buffer.end()), plain) << "trial " << trial;
  }
}

}  // namespace
