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
