#include "app/aes.h"

#include <algorithm>

namespace {

using Table = std::array<std::uint8_t, 256>;

constexpr Table kSbox = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

// The inverse table follows from the forward one, so the two cannot disagree.
constexpr Table kInverseSbox = [] {
  Table inverse{};
  for (int i = 0; i < 256; ++i) inverse[kSbox[i]] = static_cast<std::uint8_t>(i);
  return inverse;
}();

// Multiplication by x in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr std::uint8_t Xtime(std::uint8_t a) {
  return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0x00));
}

constexpr std::uint8_t Multiply(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  for (; b != 0; b >>= 1, a = Xtime(a)) {
    if (b & 1) product ^= a;
  }
  return product;
}

// The state is kept as the 16 bytes of the block: column c, row r is byte 4 * c + r.
void SubBytes(std::uint8_t* state, const Table& table) {
  for (int i = 0; i < AES::kBlockSize; ++i) state[i] = table[state[i]];
}

// Row r moves r places to the left (right for the inverse).
void ShiftRows(std::uint8_t* state, bool inverse) {
  std::uint8_t old[AES::kBlockSize];
  std::copy_n(state, AES::kBlockSize, old);
  for (int c = 0; c < 4; ++c) {
    for (int r = 1; r < 4; ++r) {
      int from = 4 * ((c + r) % 4) + r;
      int to = 4 * c + r;
      if (inverse) std::swap(from, to);
      state[to] = old[from];
    }
  }
}

void MixColumns(std::uint8_t* state) {
  for (int c = 0; c < 4; ++c) {
    std::uint8_t* a = state + 4 * c;
    const std::uint8_t a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
    const std::uint8_t all = a0 ^ a1 ^ a2 ^ a3;
    a[0] ^= all ^ Xtime(a0 ^ a1);
    a[1] ^= all ^ Xtime(a1 ^ a2);
    a[2] ^= all ^ Xtime(a2 ^ a3);
    a[3] ^= all ^ Xtime(a3 ^ a0);
  }
}

void InverseMixColumns(std::uint8_t* state) {
  for (int c = 0; c < 4; ++c) {
    std::uint8_t* a = state + 4 * c;
    const std::uint8_t a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
    a[0] = Multiply(a0, 14) ^ Multiply(a1, 11) ^ Multiply(a2, 13) ^ Multiply(a3, 9);
    a[1] = Multiply(a0, 9) ^ Multiply(a1, 14) ^ Multiply(a2, 11) ^ Multiply(a3, 13);
    a[2] = Multiply(a0, 13) ^ Multiply(a1, 9) ^ Multiply(a2, 14) ^ Multiply(a3, 11);
    a[3] = Multiply(a0, 11) ^ Multiply(a1, 13) ^ Multiply(a2, 9) ^ Multiply(a3, 14);
  }
}

}  // namespace

AES::AES(std::span<const std::uint8_t, kBlockSize> key) : sbox_(kSbox), inverseSbox_(kInverseSbox) {
  // Key expansion for Nk = 4: word i of the schedule is bytes 4 * (i % 4) .. of round key i / 4.
  std::copy(key.begin(), key.end(), roundKeys_[0].begin());
  std::uint8_t roundConstant = 0x01;
  for (int i = 4; i < 4 * (kRounds + 1); ++i) {
    const std::uint8_t* previous = &roundKeys_[(i - 1) / 4][4 * ((i - 1) % 4)];
    std::uint8_t word[4] = {previous[0], previous[1], previous[2], previous[3]};
    if (i % 4 == 0) {
      const std::uint8_t first = word[0];
      word[0] = static_cast<std::uint8_t>(sbox_[word[1]] ^ roundConstant);
      word[1] = sbox_[word[2]];
      word[2] = sbox_[word[3]];
      word[3] = sbox_[first];
      roundConstant = Xtime(roundConstant);
    }
    const std::uint8_t* fourBack = &roundKeys_[(i - 4) / 4][4 * (i % 4)];
    std::uint8_t* out = &roundKeys_[i / 4][4 * (i % 4)];
    for (int j = 0; j < 4; ++j) out[j] = fourBack[j] ^ word[j];
  }
}

AES::~AES() = default;

std::uint8_t* AES::EncryptBlocks(std::uint8_t* buffer, int length) const {
  for (int offset = 0; offset < length; offset += kBlockSize) EncryptBlock(buffer + offset);
  return buffer;
}

std::uint8_t* AES::DecryptBlocks(std::uint8_t* buffer, int length) const {
  for (int offset = 0; offset < length; offset += kBlockSize) DecryptBlock(buffer + offset);
  return buffer;
}

void AES::AddRoundKey(std::uint8_t* state, int round) const {
  for (int i = 0; i < kBlockSize; ++i) state[i] ^= roundKeys_[round][i];
}

void AES::EncryptBlock(std::uint8_t* state) const {
  AddRoundKey(state, 0);
  for (int round = 1; round <= kRounds; ++round) {
    SubBytes(state, sbox_);
    ShiftRows(state, false);
    if (round != kRounds) MixColumns(state);
    AddRoundKey(state, round);
  }
}

void AES::DecryptBlock(std::uint8_t* state) const {
  AddRoundKey(state, kRounds);
  for (int round = kRounds - 1; round >= 0; --round) {
    ShiftRows(state, true);
    SubBytes(state, inverseSbox_);
    AddRoundKey(state, round);
    if (round != 0) InverseMixColumns(state);
  }
}
