#pragma once
// AES-128 block cipher (FIPS-197, byte-oriented), used in ECB mode: every 16-byte block
// is processed on its own, with no chaining and no initialisation vector.

#include <array>
#include <cstdint>
#include <span>

class AES {
 public:
  static constexpr int kBlockSize = 16;

  explicit AES(std::span<const std::uint8_t, kBlockSize> key);
  virtual ~AES();

  // Encrypt or decrypt `buffer` in place, one block at a time from offset 0 while the
  // offset is below `length`. The caller guarantees that the buffer holds whole blocks
  // covering `length`; a length of 0 or less does nothing. Both return `buffer`.
  std::uint8_t* EncryptBlocks(std::uint8_t* buffer, int length) const;
  std::uint8_t* DecryptBlocks(std::uint8_t* buffer, int length) const;

 private:
  using Block = std::array<std::uint8_t, kBlockSize>;
  static constexpr int kRounds = 10;

  void EncryptBlock(std::uint8_t* block) const;
  void DecryptBlock(std::uint8_t* block) const;
  void AddRoundKey(std::uint8_t* state, int round) const;

  std::array<std::uint8_t, 256> sbox_;
  std::array<std::uint8_t, 256> inverseSbox_;
  std::array<Block, kRounds + 1> roundKeys_;
};
