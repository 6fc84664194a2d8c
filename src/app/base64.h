#pragma once
// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).

#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);

// Reads up to the first "=" or the first character outside the alphabet. Each group of
// 4 characters gives 3 bytes, a trailing group of 2 or 3 characters gives 1 or 2 bytes,
// and a trailing lone character gives nothing.
std::string Base64Decode(std::string_view text);

// Why `text` is not Base64 as Base64Encode writes it (length a multiple of 4, only the
// alphabet, "=" only as the last one or two characters, zero bits in the unused part of
// the last character), or "" when it is.
std::string Base64Problem(std::string_view text);
