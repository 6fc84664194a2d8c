// tarnvikctl cipher: encrypts or decrypts one text with the statistics key, as the
// program does for the values it sends.

#include <cstdio>
#include <string>
#include <vector>

#include "app/text_helpers.h"
#include "command.h"
#include "stats/payload_cipher.h"

namespace {

constexpr char kUsage[] = "cipher encrypt|decrypt TEXT";

// The terminal speaks UTF-8; the program's texts are code page 936.
int RunCipher(const std::vector<std::string>& args) {
  if (args.size() != 2 || (args[0] != "encrypt" && args[0] != "decrypt")) {
    std::fprintf(stderr, "usage: tarnvikctl %s\n", kUsage);
    return 2;
  }
  const std::string output = args[0] == "encrypt"
                                 ? EncryptString(Utf8ToAnsi(args[1]), kStatsKey)
                                 : AnsiToUtf8(DecryptString(args[1], kStatsKey));
  std::fwrite(output.data(), 1, output.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

const bool registered = tarnvikctl::RegisterCommand({"cipher", kUsage, RunCipher});

}  // namespace
