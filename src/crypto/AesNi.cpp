// AES-NI forms of the AES block functions, compiled for the instructions with target
// attributes and called only when the processor has them (see CpuFeatures.h).
#include "crypto/AesRounds.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace crypto::aes {

namespace {

#define STATION_AES_TARGET __attribute__((target("aes,sse4.1")))

STATION_AES_TARGET inline __m128i RoundKey(const std::uint32_t* roundKeys, int round) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(roundKeys + 4 * round));
}

STATION_AES_TARGET inline __m128i Encrypt(const __m128i* keys, int rounds, __m128i block) {
  block = _mm_xor_si128(block, keys[0]);
  for (int round = 1; round < rounds; ++round) {
    block = _mm_aesenc_si128(block, keys[round]);
  }
  return _mm_aesenclast_si128(block, keys[rounds]);
}

STATION_AES_TARGET inline void LoadKeys(const std::uint32_t* roundKeys, int rounds, __m128i* keys) {
  for (int round = 0; round <= rounds; ++round) {
    keys[round] = RoundKey(roundKeys, round);
  }
}

STATION_AES_TARGET inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

STATION_AES_TARGET inline void Store(std::uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Clears the copies of the round keys held on the stack.
STATION_AES_TARGET inline void WipeKeys(__m128i* keys, int rounds) {
  for (int round = 0; round <= rounds; ++round) {
    keys[round] = _mm_setzero_si128();
  }
  asm volatile("" : : "r"(keys) : "memory");
}

}  // namespace

STATION_AES_TARGET void EncryptBlockNi(const std::uint32_t* roundKeys, int rounds,
                                       const std::uint8_t* in, std::uint8_t* out) {
  __m128i keys[15] = {};
  LoadKeys(roundKeys, rounds, keys);
  Store(out, Encrypt(keys, rounds, Load(in)));
  WipeKeys(keys, rounds);
}

STATION_AES_TARGET void DecryptBlockNi(const std::uint32_t* roundKeys, int rounds,
                                       const std::uint8_t* in, std::uint8_t* out) {
  __m128i block = _mm_xor_si128(Load(in), RoundKey(roundKeys, 0));
  for (int round = 1; round < rounds; ++round) {
    block = _mm_aesdec_si128(block, RoundKey(roundKeys, round));
  }
  Store(out, _mm_aesdeclast_si128(block, RoundKey(roundKeys, rounds)));
}

STATION_AES_TARGET void CbcEncryptNi(const std::uint32_t* roundKeys, int rounds, std::size_t blocks,
                                     std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out) {
  __m128i keys[15] = {};
  LoadKeys(roundKeys, rounds, keys);
  __m128i chain = Load(iv);
  for (std::size_t i = 0; i < blocks; ++i) {
    chain = Encrypt(keys, rounds, _mm_xor_si128(chain, Load(in + 16 * i)));
    Store(out + 16 * i, chain);
  }
  Store(iv, chain);
  WipeKeys(keys, rounds);
}

STATION_AES_TARGET void CbcDecryptNi(const std::uint32_t* roundKeys, int rounds, std::size_t blocks,
                                     std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out) {
  __m128i keys[15] = {};
  LoadKeys(roundKeys, rounds, keys);
  __m128i chain = Load(iv);
  std::size_t i = 0;
  // Eight blocks at a time: their decryptions are independent, so the rounds overlap. The
  // plaintext is written from the last block down, so that each ciphertext block is still in
  // place when the block after it needs it (in and out may be the same); only the chain
  // value for the next eight is held back.
  constexpr int kLanes = 8;
  for (; i + kLanes <= blocks; i += kLanes) {
    const std::uint8_t* cipher = in + 16 * i;
    __m128i b[kLanes];
#pragma GCC unroll 8
    for (int k = 0; k < kLanes; ++k) {
      b[k] = _mm_xor_si128(Load(cipher + 16 * k), keys[0]);
    }
    for (int round = 1; round < rounds; ++round) {
      const __m128i key = keys[round];
  #pragma GCC unroll 8
    for (int k = 0; k < kLanes; ++k) {
        b[k] = _mm_aesdec_si128(b[k], key);
      }
    }
    const __m128i nextChain = Load(cipher + 16 * (kLanes - 1));
#pragma GCC unroll 8
    for (int k = kLanes - 1; k > 0; --k) {
      b[k] = _mm_xor_si128(_mm_aesdeclast_si128(b[k], keys[rounds]), Load(cipher + 16 * (k - 1)));
      Store(out + 16 * (i + k), b[k]);
    }
    Store(out + 16 * i, _mm_xor_si128(_mm_aesdeclast_si128(b[0], keys[rounds]), chain));
    chain = nextChain;
  }
  for (; i < blocks; ++i) {
    const __m128i cipher = Load(in + 16 * i);
    __m128i block = _mm_xor_si128(cipher, keys[0]);
    for (int round = 1; round < rounds; ++round) {
      block = _mm_aesdec_si128(block, keys[round]);
    }
    Store(out + 16 * i, _mm_xor_si128(_mm_aesdeclast_si128(block, keys[rounds]), chain));
    chain = cipher;
  }
  Store(iv, chain);
  WipeKeys(keys, rounds);
}

}  // namespace crypto::aes

#endif
