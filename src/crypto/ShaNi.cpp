// SHA-1 and SHA-256 compression with the processor's SHA extensions, compiled for them with
// target attributes and called only when the processor has them (see CpuFeatures.h).
#include "crypto/ShaCompress.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace crypto::sha {

#define STATION_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

namespace {

STATION_SHA_TARGET inline __m128i LoadBlockWords(const std::uint8_t* p, __m128i byteSwap) {
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), byteSwap);
}

// Four SHA-1 rounds with the round function of the given group (0..3).
STATION_SHA_TARGET inline __m128i Sha1Rounds(__m128i abcd, __m128i e, int function) {
  switch (function) {
    case 0: return _mm_sha1rnds4_epu32(abcd, e, 0);
    case 1: return _mm_sha1rnds4_epu32(abcd, e, 1);
    case 2: return _mm_sha1rnds4_epu32(abcd, e, 2);
    default: return _mm_sha1rnds4_epu32(abcd, e, 3);
  }
}

}  // namespace

STATION_SHA_TARGET void Sha1CompressNi(std::uint32_t state[5], const std::uint8_t* blocks,
                                       std::size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abcdSaved = abcd;
    const __m128i eSaved = e0;
    __m128i w[4];
    __m128i e1 = _mm_setzero_si128();
    // Twenty groups of four rounds; the message schedule runs three groups ahead in the four
    // registers (sha1msg1, the XOR, sha1msg2), and E alternates between two registers.
#pragma GCC unroll 20
    for (int g = 0; g < 20; ++g) {
      if (g < 4) {
        w[g] = LoadBlockWords(blocks + 16 * g, byteSwap);
      }
      __m128i& current = (g % 2 == 0) ? e0 : e1;
      __m128i& other = (g % 2 == 0) ? e1 : e0;
      if (g == 0) {
        current = _mm_add_epi32(current, w[0]);
      } else {
        current = _mm_sha1nexte_epu32(current, w[g % 4]);
      }
      other = abcd;
      if (g >= 3 && g <= 18) {
        w[(g + 1) % 4] = _mm_sha1msg2_epu32(w[(g + 1) % 4], w[g % 4]);
      }
      abcd = Sha1Rounds(abcd, current, g / 5);
      if (g >= 1 && g <= 16) {
        w[(g + 3) % 4] = _mm_sha1msg1_epu32(w[(g + 3) % 4], w[g % 4]);
      }
      if (g >= 2 && g <= 17) {
        w[(g + 2) % 4] = _mm_xor_si128(w[(g + 2) % 4], w[g % 4]);
      }
    }
    e0 = _mm_sha1nexte_epu32(e0, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

STATION_SHA_TARGET void Sha256CompressNi(std::uint32_t state[8], const std::uint8_t* blocks,
                                         std::size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  // The instructions keep the state as ABEF and CDGH.
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abefSaved = abef;
    const __m128i cdghSaved = cdgh;
    __m128i w[4];
    // Sixteen groups of four rounds; the message schedule runs ahead in the four registers.
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g) {
      if (g < 4) {
        w[g] = LoadBlockWords(blocks + 16 * g, byteSwap);
      }
      __m128i message = _mm_add_epi32(
          w[g % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSha256RoundConstants + 4 * g)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      if (g >= 3 && g <= 14) {
        const __m128i shifted = _mm_alignr_epi8(w[g % 4], w[(g + 3) % 4], 4);
        w[(g + 1) % 4] = _mm_sha256msg2_epu32(_mm_add_epi32(w[(g + 1) % 4], shifted), w[g % 4]);
      }
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
      if (g >= 1 && g <= 12) {
        w[(g + 3) % 4] = _mm_sha256msg1_epu32(w[(g + 3) % 4], w[g % 4]);
      }
    }
    abef = _mm_add_epi32(abef, abefSaved);
    cdgh = _mm_add_epi32(cdgh, cdghSaved);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

}  // namespace crypto::sha

#endif
