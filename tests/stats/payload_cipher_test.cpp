#include "app/payload_cipher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/base64.h"
#include "app/text_helpers.h"
#include "stats/random_bytes.h"
#include "support/openssl_cipher.h"

namespace {

using testing_support::OpenSslAes128Ecb;
using testing_support::OpenSslBase64;

std::string OpenSslEncryptString(const std::string& plain, const std::string& key) {
  return OpenSslBase64(OpenSslAes128Ecb(plain, key, true));
}

// Base64 of raw cipher blocks whose deciphered form is exactly `plain` (no padding added),
// so that DecryptString sees whatever last byte a test wants.
std::string CipherTextOf(const std::string& plain) {
  return OpenSslBase64(OpenSslAes128Ecb(plain, kStatsKey, false));
}

TEST(PayloadCipherTest, AgreesWithOpenSslForRandomTextsAndKeys) {
  std::mt19937 random(583920);
  std::uniform_int_distribution<int> keyLength(0, 16);
  for (int trial = 0; trial < 3000; ++trial) {
    const size_t length = trial % 25 == 0 ? 1000 + trial : trial % 101;
    const std::string plain = RandomBytes(random, length);
    const std::string key = RandomBytes(random, keyLength(random));
    const std::string cipher = EncryptString(plain, key);
    ASSERT_EQ(cipher, OpenSslEncryptString(plain, key)) << "trial " << trial;
    ASSERT_EQ(DecryptString(cipher, key), plain) << "trial " << trial;
  }
}

TEST(PayloadCipherTest, GbkTextRoundTrips) {
  const std::string gbk = Utf8ToAnsi("统计数据：重装系统 OK");
  ASSERT_NE(gbk.find('\xcd'), std::string::npos);  // really code page 936 bytes
  const std::string cipher = EncryptString(gbk, kStatsKey);
  EXPECT_EQ(cipher, OpenSslEncryptString(gbk, kStatsKey));
  EXPECT_EQ(DecryptString(cipher, kStatsKey), gbk);
}

TEST(PayloadCipherTest, PaddingAlwaysAddsBetweenOneAndSixteenBytes) {
  const std::string empty = EncryptString("", kStatsKey);
  EXPECT_EQ(empty.size(), 24u);
  EXPECT_TRUE(empty.ends_with("=="));
  EXPECT_EQ(Base64Decode(empty), OpenSslAes128Ecb(std::string(16, '\x10'), kStatsKey, false));
  EXPECT_EQ(DecryptString(empty, kStatsKey), "");

  EXPECT_EQ(EncryptString(std::string(15, 'x'), kStatsKey).size(), 24u);
  EXPECT_EQ(EncryptString(std::string(16, 'x'), kStatsKey).size(), 44u);
}

TEST(PayloadCipherTest, KeyLongerThanSixteenBytesGivesEmpty) {
  const std::string longKey = std::string(kStatsKey) + "1";
  const std::string cipher = EncryptString("text", kStatsKey);
  EXPECT_EQ(EncryptString("text", longKey), "");
  EXPECT_EQ(DecryptString(cipher, longKey), "");
}

TEST(PayloadCipherTest, HostileCipherTextGivesEmpty) {
  const std::string valid = EncryptString("some text", kStatsKey);
  const std::string cases[] = {
      "",
      "abc",                                        // length not a multiple of 4
      valid + "A",                                  // ditto
      "!!!!!!!!",                                   // not Base64 at all: nothing decodes
      "AAAA",                                       // 3 bytes: not whole blocks
      Base64Encode(std::string(15, 'a')),           // one byte short of a block
      Base64Encode(std::string(17, 'a')),           // one byte past a block
      valid.substr(0, 12) + "!" + valid.substr(13),  // decoding stops inside the first block
      std::string(4'000'004, 'A'),                  // huge, 3'000'003 bytes
  };
  for (const auto& text : cases) {
    EXPECT_EQ(DecryptString(text, kStatsKey), "") << text.substr(0, 40);
  }
}

// The pad length is read from the last byte alone; values that cannot be a pad length
// leave the text whole.
TEST(PayloadCipherTest, LastByteDecidesWhatIsStripped) {
  struct Case {
    std::string plain;
    std::string expected;
  };
  const std::string body(15, 'b');
  const Case cases[] = {
      {body + '\x00', body + '\x00'},                              // zero: nothing dropped
      {body + '\x11', body + '\x11'},                              // 17: above one block
      {body + '\xff', body + '\xff'},                              // 255
      {body + '\x05', "bbbbbbbbbbb"},                              // pad bytes not compared
      {std::string(16, '\x10'), ""},                               // a whole pad block
      {body + 'c' + std::string(16, '\x10'), body + 'c'},          // ditto after a block
      {std::string(16, 'd') + body + '\x10', std::string(16, 'd')},  // drops 16 bytes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecryptString(CipherTextOf(c.plain), kStatsKey), c.expected)
        << "last byte " << int(static_cast<unsigned char>(c.plain.back()));
  }
}

TEST(PayloadCipherTest, HugeWholeBlockInputDecryptsWithinItsBuffer) {
  const std::string text(4'000'000, 'A');  // 3'000'000 zero bytes, whole blocks
  const std::string plain = DecryptString(text, kStatsKey);
  EXPECT_GE(plain.size(), 3'000'000u - 16);
  EXPECT_LE(plain.size(), 3'000'000u);
}

}  // namespace
