#pragma once
// Reproducible random byte strings for the cipher tests; every byte value can occur.

#include <cstddef>
#include <random>
#include <string>

inline std::string RandomBytes(std::mt19937& random, std::size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(length, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}
