#pragma once
// CBlowfish: the Blowfish block cipher (64-bit blocks, keys of 1 to 56 bytes) over byte
// buffers in ECB, CBC or CFB mode, without padding.
//
// Kept as files encrypted with it expect:
//  - a key longer than 56 bytes is cut to its first 56;
//  - every CBC or CFB call starts again from the chain given to the constructor, so a
//    message split over two calls is not the same as one call over the whole message.
// Errors are thrown as std::invalid_argument with a fixed text: "Incorrect key length" for a
// key of length 0, "Incorrect buffer length" for a buffer length of 0 or one that is not a
// multiple of 8 (the buffer is then left untouched).
#include <cstdint>

#include "util/BlowfishTables.h"

namespace util {

struct BlowfishBlock {
  std::uint32_t left = 0;
  std::uint32_t right = 0;

  constexpr BlowfishBlock() = default;
  constexpr BlowfishBlock(std::uint32_t l, std::uint32_t r) : left(l), right(r) {}
  BlowfishBlock& operator^=(const BlowfishBlock& other) {
    left ^= other.left;
    right ^= other.right;
    return *this;
  }
  friend bool operator==(const BlowfishBlock&, const BlowfishBlock&) = default;
};

// Buffer bytes <-> block: the first four bytes are the left word, the next four the right
// word, each most significant byte first.
BlowfishBlock BytesToBlock(const std::uint8_t* bytes);
void BlockToBytes(const BlowfishBlock& block, std::uint8_t* bytes);

enum BlowfishMode : int { kBlowfishEcb = 0, kBlowfishCbc = 1, kBlowfishCfb = 2 };

class CBlowfish {
 public:
  static constexpr std::uint32_t kMaxKeyLength = 56;

  CBlowfish(const std::uint8_t* key, std::uint32_t keyLength, const BlowfishBlock& chain = BlowfishBlock());

  const BlowfishBlock& InitialChain() const { return m_initialChain; }

  void EncryptBlock(BlowfishBlock& block) const;
  void DecryptBlock(BlowfishBlock& block) const;

  // In place. A mode other than CBC or CFB works as ECB.
  void EncryptBuffer(std::uint8_t* buffer, std::uint32_t length, int mode = kBlowfishEcb) const;
  void DecryptBuffer(std::uint8_t* buffer, std::uint32_t length, int mode = kBlowfishEcb) const;
  // From input to output (the same number of bytes); the two may be the same buffer.
  void EncryptBuffer(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length, int mode = kBlowfishEcb) const;
  void DecryptBuffer(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length, int mode = kBlowfishEcb) const;

 private:
  std::uint32_t Round(std::uint32_t x) const;
  static void CheckLength(std::uint32_t length);

  BlowfishBlock m_initialChain;
  BlowfishBlock m_chain;
  std::uint32_t m_P[kBlowfishRounds + 2];
  std::uint32_t m_S[4][256];
};

}  // namespace util
