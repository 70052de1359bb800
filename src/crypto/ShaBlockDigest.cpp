#include "crypto/ShaBlockDigest.h"

#include <algorithm>

#include "crypto/ShaCompress.h"
#include "util/SecureWipe.h"

namespace crypto {

namespace {

constexpr std::uint32_t kSha1Initial[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                           0xC3D2E1F0};
constexpr std::uint32_t kSha256Initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

}  // namespace

CShaBlockDigest::~CShaBlockDigest() {
  SecureWipeObject(m_state);
  SecureWipeObject(m_tail);
}

bool CShaBlockDigest::SetParameter(std::uint32_t /*parameter*/, std::uint32_t /*value*/) { return false; }

bool CShaBlockDigest::Sha1(const std::uint8_t* message, std::size_t length, std::uint8_t* digest,
                           std::size_t digestLength) {
  std::copy(std::begin(kSha1Initial), std::end(kSha1Initial), m_state.begin());
  return Run(&sha::Sha1Compress, 5, message, length, digest, digestLength);
}

bool CShaBlockDigest::Sha256(const std::uint8_t* message, std::size_t length, std::uint8_t* digest,
                             std::size_t digestLength) {
  std::copy(std::begin(kSha256Initial), std::end(kSha256Initial), m_state.begin());
  return Run(&sha::Sha256Compress, 8, message, length, digest, digestLength);
}

bool CShaBlockDigest::Run(Compress compress, std::size_t stateWords, const std::uint8_t* message,
                          std::size_t length, std::uint8_t* digest, std::size_t digestLength) {
  if (length >= kMaxLength || (message == nullptr && length != 0) || digest == nullptr ||
      digestLength < 4 * stateWords) {
    return true;
  }
  const std::size_t whole = length / 64;
  compress(m_state.data(), message, whole);
  // The tail, 0x80, zeros, and the length in bits as a 32-bit big-endian value in the last four
  // bytes of the last block (the upper length word stays zero).
  const std::size_t rest = length % 64;
  const std::size_t tailBlocks = rest + 9 <= 64 ? 1 : 2;
  m_tail.fill(0);
  std::copy_n(message + whole * 64, rest, m_tail.begin());
  m_tail[rest] = 0x80;
  const auto bits = static_cast<std::uint32_t>(length * 8);
  std::uint8_t* end = m_tail.data() + 64 * tailBlocks;
  end[-4] = static_cast<std::uint8_t>(bits >> 24);
  end[-3] = static_cast<std::uint8_t>(bits >> 16);
  end[-2] = static_cast<std::uint8_t>(bits >> 8);
  end[-1] = static_cast<std::uint8_t>(bits);
  compress(m_state.data(), m_tail.data(), tailBlocks);
  SecureWipeObject(m_tail);
  for (std::size_t i = 0; i < stateWords; ++i) {
    for (std::size_t k = 0; k < 4; ++k) {
      digest[4 * i + k] = static_cast<std::uint8_t>(m_state[i] >> (8 * k));
    }
  }
  return false;
}

}  // namespace crypto
