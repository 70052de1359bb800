#include "util/Blowfish.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace util {

BlowfishBlock BytesToBlock(const std::uint8_t* bytes) {
  auto word = [](const std::uint8_t* b) {
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | static_cast<std::uint32_t>(b[3]);
  };
  return BlowfishBlock(word(bytes), word(bytes + 4));
}

void BlockToBytes(const BlowfishBlock& block, std::uint8_t* bytes) {
  auto put = [](std::uint32_t w, std::uint8_t* b) {
    b[0] = static_cast<std::uint8_t>(w >> 24);
    b[1] = static_cast<std::uint8_t>(w >> 16);
    b[2] = static_cast<std::uint8_t>(w >> 8);
    b[3] = static_cast<std::uint8_t>(w);
  };
  put(block.left, bytes);
  put(block.right, bytes + 4);
}

CBlowfish::CBlowfish(const std::uint8_t* key, std::uint32_t keyLength, const BlowfishBlock& chain)
    : m_initialChain(chain), m_chain(chain) {
  if (keyLength == 0 || key == nullptr) throw std::invalid_argument("Incorrect key length");
  const std::uint32_t length = std::min(keyLength, kMaxKeyLength);
  std::uint8_t work[kMaxKeyLength] = {};
  std::memcpy(work, key, length);

  std::memcpy(m_P, kBlowfishInitialP, sizeof m_P);
  std::memcpy(m_S, kBlowfishInitialS, sizeof m_S);

  // Each P word is XORed with the next four key bytes (first most significant), the key
  // starting again from its first byte whenever it runs out.
  std::uint32_t next = 0;
  for (std::uint32_t& p : m_P) {
    std::uint32_t keyWord = 0;
    for (int i = 0; i < 4; ++i) {
      keyWord = (keyWord << 8) | work[next];
      next = (next + 1) % length;
    }
    p ^= keyWord;
  }

  // A zero block encrypted again and again replaces P, then the S-boxes, two words a time.
  BlowfishBlock block;
  for (int i = 0; i < kBlowfishRounds + 2; i += 2) {
    EncryptBlock(block);
    m_P[i] = block.left;
    m_P[i + 1] = block.right;
  }
  for (auto& box : m_S) {
    for (int i = 0; i < 256; i += 2) {
      EncryptBlock(block);
      box[i] = block.left;
      box[i + 1] = block.right;
    }
  }
}

std::uint32_t CBlowfish::Round(std::uint32_t x) const {
  const std::uint32_t a = x >> 24, b = (x >> 16) & 0xFF, c = (x >> 8) & 0xFF, d = x & 0xFF;
  return ((m_S[0][a] + m_S[1][b]) ^ m_S[2][c]) + m_S[3][d];
}

void CBlowfish::EncryptBlock(BlowfishBlock& block) const {
  std::uint32_t left = block.left ^ m_P[0];
  std::uint32_t right = block.right;
  for (int i = 1; i < kBlowfishRounds; i += 2) {
    right ^= Round(left) ^ m_P[i];
    left ^= Round(right) ^ m_P[i + 1];
  }
  block.left = right ^ m_P[kBlowfishRounds + 1];
  block.right = left;
}

void CBlowfish::DecryptBlock(BlowfishBlock& block) const {
  std::uint32_t left = block.left ^ m_P[kBlowfishRounds + 1];
  std::uint32_t right = block.right;
  for (int i = kBlowfishRounds; i > 1; i -= 2) {
    right ^= Round(left) ^ m_P[i];
    left ^= Round(right) ^ m_P[i - 1];
  }
  block.left = right ^ m_P[0];
  block.right = left;
}

void CBlowfish::CheckLength(std::uint32_t length) {
  if (length == 0 || length % 8 != 0) throw std::invalid_argument("Incorrect buffer length");
}

void CBlowfish::EncryptBuffer(std::uint8_t* buffer, std::uint32_t length, int mode) const {
  EncryptBuffer(buffer, buffer, length, mode);
}

void CBlowfish::DecryptBuffer(std::uint8_t* buffer, std::uint32_t length, int mode) const {
  DecryptBuffer(buffer, buffer, length, mode);
}

void CBlowfish::EncryptBuffer(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length, int mode) const {
  CheckLength(length);
  BlowfishBlock chain = m_chain;  // local to this call: m_chain stays as constructed
  for (std::uint32_t offset = 0; offset < length; offset += 8) {
    BlowfishBlock block = BytesToBlock(input + offset);
    if (mode == kBlowfishCbc) {
      block ^= chain;
      EncryptBlock(block);
      chain = block;
    } else if (mode == kBlowfishCfb) {
      EncryptBlock(chain);
      block ^= chain;
      chain = block;
    } else {
      EncryptBlock(block);
    }
    BlockToBytes(block, output + offset);
  }
}

void CBlowfish::DecryptBuffer(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length, int mode) const {
  CheckLength(length);
  BlowfishBlock chain = m_chain;
  for (std::uint32_t offset = 0; offset < length; offset += 8) {
    BlowfishBlock block = BytesToBlock(input + offset);
    const BlowfishBlock cipher = block;
    if (mode == kBlowfishCbc) {
      DecryptBlock(block);
      block ^= chain;
      chain = cipher;
    } else if (mode == kBlowfishCfb) {
      EncryptBlock(chain);  // CFB runs the cipher forwards both ways
      block ^= chain;
      chain = cipher;
    } else {
      DecryptBlock(block);
    }
    BlockToBytes(block, output + offset);
  }
}

}  // namespace util
