#pragma once
// The payload cipher of the statistics, the catalogue and the hand-off values: AES-128 in
// ECB mode with PKCS#7 padding, carried as standard Base64 text.

#include <string>

// The one key the program uses; callers pass it explicitly.
inline constexpr char kStatsKey[] = "xirpelquat583920";

// Keys shorter than 16 bytes are padded with zero bytes; a longer key gives "".
std::string EncryptString(std::string plain, std::string key);

// Gives "" for a key longer than 16 bytes and for text that is not the Base64 form of
// whole cipher blocks. The padding is removed by its last byte alone, as senders expect.
std::string DecryptString(std::string base64, std::string key);

// For people reading a cipher text: the plain text, or why the text is not one that
// EncryptString made with this key (not Base64, not whole blocks, or PKCS#7 padding that
// does not check out, which is what a wrong key or a damaged text gives).
struct CheckedPlain {
  bool ok = false;
  std::string plain;    // when ok
  std::string problem;  // when not ok
};
CheckedPlain DecryptChecked(const std::string& base64, const std::string& key);
