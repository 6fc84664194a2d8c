// tarnvikctl cipher, run as a process the way support staff run it.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "support/openssl_cipher.h"
#include "support/tarnvikctl_process.h"

namespace {

using testing_support::Outcome;
using testing_support::RunTarnvikctl;

TEST(CipherCommandTest, EncryptsCodePage936FormAsOpenSslAndDecryptsBack) {
  const std::string texts[] = {
      "",
      "x",
      std::string(15, 'a'),
      "0123456789abcdef",
      std::string(17, 'q'),
      std::string(31, '+'),
      std::string(32, ' '),
      std::string(100, 'z'),
      "mac=AA-BB-CC-DD-EE-FF&sole=17654321001234",
      "重装系统",
      "统计：U盘制作完成 100%",
  };
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    const std::string expected = testing_support::OpenSslBase64(
        testing_support::OpenSslAes128Ecb(Utf8ToAnsi(text), kStatsKey, true));

    const Outcome encrypted = RunTarnvikctl({"cipher", "encrypt", text});
    EXPECT_EQ(encrypted.exitCode, 0);
    EXPECT_EQ(encrypted.out, expected + "\n");
    EXPECT_EQ(encrypted.err, "");

    const Outcome decrypted = RunTarnvikctl({"cipher", "decrypt", expected});
    EXPECT_EQ(decrypted.exitCode, 0);
    EXPECT_EQ(decrypted.out, text + "\n");
  }
}

TEST(CipherCommandTest, UsageErrorsExitWithTwo) {
  const std::vector<std::string> cases[] = {
      {"cipher"},
      {"cipher", "encrypt"},
      {"cipher", "decrypt"},
      {"cipher", "scramble", "text"},
      {"cipher", "encrypt", "one", "two"},
  };
  for (const auto& args : cases) {
    const Outcome outcome = RunTarnvikctl(args);
    EXPECT_EQ(outcome.exitCode, 2) << testing::PrintToString(args);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("usage: tarnvikctl cipher"), std::string::npos);
  }
}

TEST(CipherCommandTest, DecryptOfTextThatIsNotACipherTextSaysWhy) {
  struct Case {
    std::string text;
    const char* problem;
  };
  const Case cases[] = {
      {"abc", "not Base64: its length 3 is not a multiple of 4"},
      {"ab!d", "not Base64: the character '!' at offset 2 is not Base64"},
      {"QUJD REVG", "not Base64: its length 9"},
      {"a===", "not Base64: its \"=\" padding is wrong"},
      {"====", "not Base64: its \"=\" padding is wrong"},
      {"AAB=", "not Base64: its \"=\" padding is wrong"},  // bits past the last byte are set
      {"AAAA", "decodes to 3 bytes, not whole 16-byte cipher blocks"},
      {"", "decodes to 0 bytes"},
      // A whole block that does not end in PKCS#7 padding: another key, or no cipher text.
      {testing_support::OpenSslBase64(testing_support::OpenSslAes128Ecb(std::string(16, 'x'), kStatsKey, false)),
       "the padding is wrong"},
      {EncryptString("mac=AA-BB", "another key 1234"), "the padding is wrong"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = RunTarnvikctl({"cipher", "decrypt", c.text});
    EXPECT_EQ(outcome.exitCode, 1) << c.text;
    EXPECT_EQ(outcome.out, "") << c.text;
    EXPECT_NE(outcome.err.find("tarnvikctl cipher: cannot decrypt '" + c.text + "': "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(c.problem), std::string::npos) << outcome.err;
  }
}

}  // namespace
