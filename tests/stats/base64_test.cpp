#include "app/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "stats/random_bytes.h"
#include "support/openssl_cipher.h"

namespace {

struct Vector {
  std::string bytes;
  std::string text;
};

// RFC 4648, section 10.
const Vector kRfc4648Vectors[] = {
    {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};

TEST(Base64Test, Rfc4648Vectors) {
  for (const auto& v : kRfc4648Vectors) {
    EXPECT_EQ(Base64Encode(v.bytes), v.text) << v.bytes;
    EXPECT_EQ(Base64Decode(v.text), v.bytes) << v.text;
  }
}

TEST(Base64Test, RandomBytesMatchOpenSslAndRoundTrip) {
  std::mt19937 random(4648);
  for (int trial = 0; trial < 2000; ++trial) {
    const std::string bytes = RandomBytes(random, trial % 70);
    const std::string text = Base64Encode(bytes);
    ASSERT_EQ(text, testing_support::OpenSslBase64(bytes)) << "trial " << trial;
    ASSERT_EQ(Base64Decode(text), bytes) << "trial " << trial;
    ASSERT_EQ(Base64Problem(text), "") << "trial " << trial;  // whatever the encoder writes is sound
  }
}

TEST(Base64Test, DecoderStopsAtPaddingOrForeignCharacter) {
  const Vector cases[] = {
      {"foo", "Zm9v=Zm9v"},                   // stops at the first "="
      {"f", "Zg==Zm9v"},                      // text after padding is ignored
      {"foo", "Zm9v!Zm9v"},                   // a character outside the alphabet
      {"foo", "Zm9v\r\nZm9v"},                // line breaks end the text too
      {"foo", std::string("Zm9v\0Zm9v", 9)},  // so does a zero byte
      {"", "-_AA"},                           // the URL-safe alphabet is not accepted
      {"", "\xd6\xd0Zm9v"},                   // nor are bytes above 0x7f
      {"foo", "Zm9vY"},                       // a lone trailing character gives nothing
      {"foob", "Zm9vYg"},                     // two trailing characters give one byte
      {"fooba", "Zm9vYmE"},                   // three give two
      {"", "Z"},
  };
  for (const auto& c : cases) EXPECT_EQ(Base64Decode(c.text), c.bytes) << c.text;
}

}  // namespace
