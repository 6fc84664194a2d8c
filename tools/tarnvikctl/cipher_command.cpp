// tarnvikctl cipher: encrypts or decrypts one text with the statistics key, as the
// program does for the values it sends.

#include <cstdio>
#include <string>
#include <vector>

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "arguments.h"
#include "command.h"

namespace {

constexpr char kUsage[] = "cipher encrypt|decrypt TEXT";

// The terminal speaks UTF-8; the program's texts are code page 936.
int RunCipher(const std::vector<std::string>& args) {
  // The TEXT itself may begin with "-"; nothing else may.
  for (size_t i = 0; i < args.size(); ++i) {
    if (i != 1 && args[i].rfind('-', 0) == 0) tarnvikctl::UnknownOption(args[i]);
  }
  if (args.empty() || (args[0] != "encrypt" && args[0] != "decrypt")) {
    throw tarnvikctl::UsageError(args.empty() ? "encrypt or decrypt?" : "'" + args[0] + "' is neither encrypt nor decrypt");
  }
  if (args.size() != 2) throw tarnvikctl::UsageError(args.size() < 2 ? "the TEXT is missing" : "one TEXT only");
  std::string output;
  if (args[0] == "encrypt") {
    output = EncryptString(Utf8ToAnsi(args[1]), kStatsKey);
  } else {
    const CheckedPlain decrypted = DecryptChecked(args[1], kStatsKey);
    if (!decrypted.ok) {
      std::fprintf(stderr, "tarnvikctl cipher: cannot decrypt '%s': %s\n", args[1].c_str(), decrypted.problem.c_str());
      return 1;
    }
    output = AnsiToUtf8(decrypted.plain);
  }
  std::fwrite(output.data(), 1, output.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

const bool registered = tarnvikctl::RegisterCommand({"cipher", kUsage, RunCipher});

}  // namespace
