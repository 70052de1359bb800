#include "crypto/AesRounds.h"

#include <array>

#include "util/SecureWipe.h"

namespace crypto::aes {

namespace {

using Table = std::array<std::uint32_t, 256>;

struct Tables {
  std::array<std::uint8_t, 256> forwardSbox{};
  std::array<Table, 4> forward{};
  std::array<std::uint8_t, 256> reverseSbox{};
  std::array<Table, 4> reverse{};
  std::array<std::uint32_t, 10> roundConstants{};
};

constexpr std::uint8_t XTime(std::uint32_t x) {
  return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) != 0 ? 0x1B : 0x00));
}

constexpr std::uint32_t RotateLeft(std::uint32_t x, int bits) {
  return (x << bits) | (x >> (32 - bits));
}

constexpr std::uint8_t RotateLeft8(std::uint8_t x, int bits) {
  return static_cast<std::uint8_t>((x << bits) | (x >> (8 - bits)));
}

// The tables from arithmetic in GF(2^8): powers and logarithms with generator 3, the S-box as
// the affine transform of the inverse, and the round tables packing (2s, s, s, 3s) forward and
// (14r, 9r, 13r, 11r) in reverse, low byte first; the other three tables of each direction are
// the first rotated by 8, 16 and 24 bits.
constexpr Tables GenerateTables() {
  Tables t;
  std::array<std::uint8_t, 256> power{};
  std::array<std::uint8_t, 256> logarithm{};
  std::uint32_t x = 1;
  for (int i = 0; i < 256; ++i) {
    power[i] = static_cast<std::uint8_t>(x);
    logarithm[x] = static_cast<std::uint8_t>(i);
    x = (x ^ XTime(x)) & 0xFF;
  }
  x = 1;
  for (auto& constant : t.roundConstants) {
    constant = x;
    x = XTime(x);
  }
  t.forwardSbox[0] = 0x63;
  t.reverseSbox[0x63] = 0;
  for (int i = 1; i < 256; ++i) {
    std::uint8_t s = power[255 - logarithm[i]];
    std::uint8_t y = s;
    for (int k = 0; k < 4; ++k) {
      y = RotateLeft8(y, 1);
      s ^= y;
    }
    s ^= 0x63;
    t.forwardSbox[i] = s;
    t.reverseSbox[s] = static_cast<std::uint8_t>(i);
  }
  const auto multiply = [&](std::uint32_t a, std::uint32_t b) -> std::uint32_t {
    if (a == 0 || b == 0) {
      return 0;
    }
    return power[(logarithm[a] + logarithm[b]) % 255];
  };
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t s = t.forwardSbox[i];
    const std::uint32_t twice = XTime(s);
    const std::uint32_t thrice = twice ^ s;
    t.forward[0][i] = twice ^ (s << 8) ^ (s << 16) ^ (thrice << 24);
    const std::uint32_t r = t.reverseSbox[i];
    t.reverse[0][i] = multiply(0x0E, r) ^ (multiply(0x09, r) << 8) ^ (multiply(0x0D, r) << 16) ^
                      (multiply(0x0B, r) << 24);
    for (int k = 1; k < 4; ++k) {
      t.forward[k][i] = RotateLeft(t.forward[0][i], 8 * k);
      t.reverse[k][i] = RotateLeft(t.reverse[0][i], 8 * k);
    }
  }
  return t;
}

constexpr Tables kTables = GenerateTables();
static_assert(kTables.forwardSbox[0x53] == 0xED, "FIPS 197 S-box");
static_assert(kTables.reverseSbox[0xED] == 0x53, "FIPS 197 inverse S-box");

inline std::uint32_t Load(const std::uint8_t* p) {
  return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16) |
         (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void Store(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline std::uint32_t Byte(std::uint32_t x, int index) { return (x >> (8 * index)) & 0xFF; }

// One S-box substitution of each byte of a word, the bytes rotated by `rotate` places first.
inline std::uint32_t SubWord(std::uint32_t x, int rotate) {
  const auto& s = kTables.forwardSbox;
  std::uint32_t result = 0;
  for (int k = 0; k < 4; ++k) {
    result |= static_cast<std::uint32_t>(s[Byte(x, (k + rotate) % 4)]) << (8 * k);
  }
  return result;
}

}  // namespace

int ExpandEncryptionKey(const std::uint8_t* key, std::size_t length, std::uint32_t* rk) {
  int rounds;
  switch (length) {
    case 16: rounds = 10; break;
    case 24: rounds = 12; break;
    case 32: rounds = 14; break;
    default: return 0;
  }
  const std::size_t keyWords = length / 4;
  for (std::size_t i = 0; i < keyWords; ++i) {
    rk[i] = Load(key + 4 * i);
  }
  const std::size_t total = 4 * static_cast<std::size_t>(rounds + 1);
  for (std::size_t i = keyWords; i < total; ++i) {
    std::uint32_t temp = rk[i - 1];
    if (i % keyWords == 0) {
      temp = SubWord(temp, 1) ^ kTables.roundConstants[i / keyWords - 1];
    } else if (keyWords == 8 && i % keyWords == 4) {
      temp = SubWord(temp, 0);
    }
    rk[i] = rk[i - keyWords] ^ temp;
  }
  return rounds;
}

void MakeDecryptionSchedule(const std::uint32_t* encryption, int rounds, std::uint32_t* decryption) {
  const auto& s = kTables.forwardSbox;
  const auto& r = kTables.reverse;
  const std::uint32_t* sk = encryption + 4 * rounds;
  for (int j = 0; j < 4; ++j) {
    decryption[j] = sk[j];
  }
  for (int round = 1; round < rounds; ++round) {
    sk = encryption + 4 * (rounds - round);
    for (int j = 0; j < 4; ++j) {
      const std::uint32_t w = sk[j];
      decryption[4 * round + j] = r[0][s[Byte(w, 0)]] ^ r[1][s[Byte(w, 1)]] ^
                                  r[2][s[Byte(w, 2)]] ^ r[3][s[Byte(w, 3)]];
    }
  }
  for (int j = 0; j < 4; ++j) {
    decryption[4 * rounds + j] = encryption[j];
  }
}

namespace {

// One block through the rounds. Forward takes byte k of each column from the column k places
// on (ShiftRows), the reverse direction from the column k places back (InvShiftRows).
template <bool Forward>
void CryptBlock(const std::uint32_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out) {
  const auto& t = Forward ? kTables.forward : kTables.reverse;
  const auto& s = Forward ? kTables.forwardSbox : kTables.reverseSbox;
  constexpr int kStep = Forward ? 1 : 3;
  std::uint32_t x[4], y[4];
  for (int j = 0; j < 4; ++j) {
    x[j] = Load(in + 4 * j) ^ rk[j];
  }
  for (int round = 1; round < rounds; ++round) {
    rk += 4;
    for (int j = 0; j < 4; ++j) {
      y[j] = rk[j] ^ t[0][Byte(x[j], 0)] ^ t[1][Byte(x[(j + kStep) % 4], 1)] ^
             t[2][Byte(x[(j + 2 * kStep) % 4], 2)] ^ t[3][Byte(x[(j + 3 * kStep) % 4], 3)];
    }
    for (int j = 0; j < 4; ++j) {
      x[j] = y[j];
    }
  }
  rk += 4;
  for (int j = 0; j < 4; ++j) {
    const std::uint32_t w = rk[j] ^ s[Byte(x[j], 0)] ^ (s[Byte(x[(j + kStep) % 4], 1)] << 8) ^
                            (s[Byte(x[(j + 2 * kStep) % 4], 2)] << 16) ^
                            (static_cast<std::uint32_t>(s[Byte(x[(j + 3 * kStep) % 4], 3)]) << 24);
    Store(out + 4 * j, w);
  }
  SecureWipeObject(x);
  SecureWipeObject(y);
}

}  // namespace

void EncryptBlock(const std::uint32_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out) {
  CryptBlock<true>(rk, rounds, in, out);
}

void DecryptBlock(const std::uint32_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out) {
  CryptBlock<false>(rk, rounds, in, out);
}

}  // namespace crypto::aes
