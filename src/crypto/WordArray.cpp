#include "crypto/WordArray.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace crypto::words {

namespace {

using Limb = std::uint64_t;
using U128 = unsigned __int128;

// Two words read and written as one 64-bit limb (word 0 low), whatever the host's byte order;
// on a little-endian host that is a plain 64-bit load or store.
inline Limb Load2(const Word* p) {
  if constexpr (std::endian::native == std::endian::little) {
    Limb v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    return p[0] | (static_cast<Limb>(p[1]) << 32);
  }
}
inline void Store2(Word* p, Limb v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, sizeof v);
  } else {
    p[0] = static_cast<Word>(v);
    p[1] = static_cast<Word>(v >> 32);
  }
}

inline unsigned char AddCarry(unsigned char carry, Limb x, Limb y, Limb& sum) {
#if defined(__x86_64__)
  unsigned long long out;
  carry = _addcarry_u64(carry, x, y, &out);
  sum = out;
  return carry;
#else
  const U128 s = static_cast<U128>(x) + y + carry;
  sum = static_cast<Limb>(s);
  return static_cast<unsigned char>(s >> 64);
#endif
}

inline unsigned char SubBorrow(unsigned char borrow, Limb x, Limb y, Limb& difference) {
#if defined(__x86_64__)
  unsigned long long out;
  borrow = _subborrow_u64(borrow, x, y, &out);
  difference = out;
  return borrow;
#else
  const Limb d = x - y - borrow;
  const unsigned char out = (x < y) || (x - y < borrow);
  difference = d;
  return out;
#endif
}

// Column accumulator of the fixed-size products: three limbs (c0 lowest).
struct Accumulator {
  Limb c0 = 0, c1 = 0, c2 = 0;

  // Adds the 128-bit value (high, low).
  inline void Add(Limb low, Limb high) {
    unsigned char carry = AddCarry(0, c0, low, c0);
    carry = AddCarry(carry, c1, high, c1);
    c2 += carry;
  }
  inline void MulAdd(Limb x, Limb y) {
    const U128 p = static_cast<U128>(x) * y;
    Add(static_cast<Limb>(p), static_cast<Limb>(p >> 64));
  }
  // Adds twice the product x * y (a cross product of a square).
  inline void MulAddTwice(Limb x, Limb y) {
    const U128 p = static_cast<U128>(x) * y;
    const auto low = static_cast<Limb>(p);
    const auto high = static_cast<Limb>(p >> 64);
    c2 += high >> 63;
    Add(low << 1, (high << 1) | (low >> 63));
  }
  // Hands out the finished column and moves the accumulator one limb down.
  inline Limb Shift() {
    const Limb out = c0;
    c0 = c1;
    c1 = c2;
    c2 = 0;
    return out;
  }
};

// Product of L limbs by L limbs (2L words each), column by column: all 2L limbs, or only the
// lower L when LowHalf is set.
template <std::size_t L, bool LowHalf = false>
inline void MulFixed(Word* r, const Word* a, const Word* b) {
  Limb x[L], y[L];
  for (std::size_t i = 0; i < L; ++i) {
    x[i] = Load2(a + 2 * i);
    y[i] = Load2(b + 2 * i);
  }
  constexpr std::size_t kColumns = LowHalf ? L : 2 * L - 1;
  Accumulator acc;
#pragma GCC unroll 16
  for (std::size_t k = 0; k < kColumns; ++k) {
    const std::size_t first = k < L ? 0 : k - L + 1;
    const std::size_t last = k < L ? k : L - 1;
#pragma GCC unroll 8
    for (std::size_t i = first; i <= last; ++i) {
      acc.MulAdd(x[i], y[k - i]);
    }
    Store2(r + 2 * k, acc.Shift());
  }
  if constexpr (!LowHalf) {
    Store2(r + 2 * (2 * L - 1), acc.Shift());
  }
}

// Square of L limbs: each cross product is formed once and added twice.
template <std::size_t L>
inline void SquareFixed(Word* r, const Word* a) {
  Limb x[L];
  for (std::size_t i = 0; i < L; ++i) {
    x[i] = Load2(a + 2 * i);
  }
  Accumulator acc;
#pragma GCC unroll 16
  for (std::size_t k = 0; k < 2 * L - 1; ++k) {
    const std::size_t first = k < L ? 0 : k - L + 1;
#pragma GCC unroll 8
    for (std::size_t i = first; 2 * i < k; ++i) {
      acc.MulAddTwice(x[i], x[k - i]);
    }
    if (k % 2 == 0) {
      acc.MulAdd(x[k / 2], x[k / 2]);
    }
    Store2(r + 2 * k, acc.Shift());
  }
  Store2(r + 2 * (2 * L - 1), acc.Shift());
}

// C += A * b over N words; returns the carry word out of the top.
Word MultiplyAddByWord(Word* c, const Word* a, Word b, std::size_t n) {
  DWord carry = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const DWord p = static_cast<DWord>(a[i]) * b + c[i] + carry;
    c[i] = static_cast<Word>(p);
    carry = p >> 32;
  }
  return static_cast<Word>(carry);
}

// R (2N words) = A * B, one word of A at a time: the products of the lengths that halving
// cannot serve (odd ones, and the even ones below the recursion's fixed sizes).
void SchoolbookMul(Word* r, const Word* a, const Word* b, std::size_t n) {
  SetWords(r, 0, n);
  for (std::size_t i = 0; i < n; ++i) {
    r[i + n] = MultiplyAddByWord(r + i, b, a[i], n);
  }
}

// R (N words) = the lower N words of A * B.
void SchoolbookMulLow(Word* r, const Word* a, const Word* b, std::size_t n) {
  SetWords(r, 0, n);
  for (std::size_t i = 0; i < n; ++i) {
    MultiplyAddByWord(r + i, b, a[i], n - i);
  }
}

// Lengths the recursion does not halve: odd ones, and even ones short of the first length
// that halves down to the fixed products.
bool NeedsSchoolbook(std::size_t n) { return n % 2 != 0 || n < 16; }

// The middle product of Karatsuba on halves of N2 words: D (2 N2 words) = (A1 - A0)(B0 - B1)
// modulo 2^(64 N2); the return value (0 or -1) is the word above D that makes it exact. The
// halves' differences are formed in `differences` (2 N2 words); T: 2 N2 words.
int MiddleProduct(Word* d, Word* t, Word* differences, const Word* a, const Word* b,
                  std::size_t n2) {
  const Word* a0 = a;
  const Word* a1 = a + n2;
  const Word* b0 = b;
  const Word* b1 = b + n2;
  Word* x = differences;
  Word* y = differences + n2;
  const int aCompare = Compare(a0, a1, n2);
  const int bCompare = Compare(b0, b1, n2);
  switch (3 * aCompare + bCompare) {
    case -4:  // A0 < A1, B0 < B1: Y wraps, so X is taken off the upper half again.
      Subtract(x, a1, a0, n2);
      Subtract(y, b0, b1, n2);
      KaratsubaMul(d, t, x, y, n2);
      Subtract(d + n2, d + n2, x, n2);
      return -1;
    case -2:  // A0 < A1, B0 > B1
      Subtract(x, a1, a0, n2);
      Subtract(y, b0, b1, n2);
      KaratsubaMul(d, t, x, y, n2);
      return 0;
    case 2:  // A0 > A1, B0 < B1
      Subtract(x, a0, a1, n2);
      Subtract(y, b1, b0, n2);
      KaratsubaMul(d, t, x, y, n2);
      return 0;
    case 4:  // A0 > A1, B0 > B1: X wraps, so Y is taken off the upper half again.
      Subtract(x, a1, a0, n2);
      Subtract(y, b0, b1, n2);
      KaratsubaMul(d, t, x, y, n2);
      Subtract(d + n2, d + n2, y, n2);
      return -1;
    default:  // a pair of equal halves
      SetWords(d, 0, 2 * n2);
      return 0;
  }
}

}  // namespace

Word Add(Word* c, const Word* a, const Word* b, std::size_t n) {
  unsigned char carry = 0;
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    Limb sum;
    carry = AddCarry(carry, Load2(a + i), Load2(b + i), sum);
    Store2(c + i, sum);
  }
  if (i < n) {
    const DWord sum = static_cast<DWord>(a[i]) + b[i] + carry;
    c[i] = static_cast<Word>(sum);
    carry = static_cast<unsigned char>(sum >> 32);
  }
  return carry;
}

Word Subtract(Word* c, const Word* a, const Word* b, std::size_t n) {
  unsigned char borrow = 0;
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    Limb difference;
    borrow = SubBorrow(borrow, Load2(a + i), Load2(b + i), difference);
    Store2(c + i, difference);
  }
  if (i < n) {
    const DWord difference = static_cast<DWord>(a[i]) - b[i] - borrow;
    c[i] = static_cast<Word>(difference);
    borrow = static_cast<unsigned char>((difference >> 32) != 0);
  }
  return borrow;
}

Word Increment(Word* a, std::size_t n, Word b) {
  if (n == 0) {
    return b != 0 ? 1 : 0;
  }
  const Word old = a[0];
  a[0] = old + b;
  if (a[0] >= old) {
    return 0;
  }
  for (std::size_t i = 1; i < n; ++i) {
    if (++a[i] != 0) {
      return 0;
    }
  }
  return 1;
}

Word Decrement(Word* a, std::size_t n, Word b) {
  if (n == 0) {
    return b != 0 ? 1 : 0;
  }
  const Word old = a[0];
  a[0] = old - b;
  if (a[0] <= old) {
    return 0;
  }
  for (std::size_t i = 1; i < n; ++i) {
    if (a[i]-- != 0) {
      return 0;
    }
  }
  return 1;
}

void NegateWords(Word* a, std::size_t n) {
  Decrement(a, n, 1);
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = ~a[i];
  }
}

int Compare(const Word* a, const Word* b, std::size_t n) {
  while (n-- > 0) {
    if (a[n] != b[n]) {
      return a[n] > b[n] ? 1 : -1;
    }
  }
  return 0;
}

std::size_t CountWords(const Word* a, std::size_t n) {
  while (n > 0 && a[n - 1] == 0) {
    --n;
  }
  return n;
}

Word ShiftBitsLeft(Word* a, std::size_t n, unsigned shift) {
  if (shift == 0) {
    return 0;
  }
  Word carry = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Word u = a[i];
    a[i] = (u << shift) | carry;
    carry = u >> (kWordBits - shift);
  }
  return carry;
}

Word ShiftBitsRight(Word* a, std::size_t n, unsigned shift) {
  if (shift == 0) {
    return 0;
  }
  Word carry = 0;
  while (n-- > 0) {
    const Word u = a[n];
    a[n] = (u >> shift) | carry;
    carry = u << (kWordBits - shift);
  }
  return carry;
}

void ShiftWholeWordsLeft(Word* a, std::size_t n, std::size_t shift) {
  shift = std::min(shift, n);
  if (shift == 0) {
    return;
  }
  std::memmove(a + shift, a, (n - shift) * sizeof(Word));
  SetWords(a, 0, shift);
}

void ShiftWholeWordsRight(Word* a, std::size_t n, std::size_t shift) {
  shift = std::min(shift, n);
  if (shift == 0) {
    return;
  }
  std::memmove(a, a + shift, (n - shift) * sizeof(Word));
  SetWords(a + n - shift, 0, shift);
}

Word MultiplyByWord(Word* c, const Word* a, Word b, std::size_t n) {
  DWord carry = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const DWord p = static_cast<DWord>(a[i]) * b + carry;
    c[i] = static_cast<Word>(p);
    carry = p >> 32;
  }
  return static_cast<Word>(carry);
}

void CopyWords(Word* target, const Word* source, std::size_t n, bool byteReverse) {
  if (!byteReverse) {
    if (target != source && n != 0) {
      std::memmove(target, source, n * sizeof(Word));
    }
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    target[i] = __builtin_bswap32(source[i]);
  }
}

void SetWords(Word* target, Word value, std::size_t n) { std::fill_n(target, n, value); }

void KaratsubaMul(Word* r, Word* t, const Word* a, const Word* b, std::size_t n) {
  switch (n) {
    case 2: MulFixed<1>(r, a, b); return;
    case 4: MulFixed<2>(r, a, b); return;
    case 8: MulFixed<4>(r, a, b); return;
    case 16: MulFixed<8>(r, a, b); return;
    default: break;
  }
  if (NeedsSchoolbook(n)) {
    SchoolbookMul(r, a, b, n);
    return;
  }
  const std::size_t n2 = n / 2;
  // T[0..N) = D, the middle product; T[N..2N) is the scratch of the recursion.
  int carry = MiddleProduct(t, t + n, r, a, b, n2);
  KaratsubaMul(r, t + n, a, b, n2);
  KaratsubaMul(r + n, t + n, a + n2, b + n2, n2);
  // D + A0 B0 + A1 B1 = A0 B1 + A1 B0, added into the middle of R.
  carry += static_cast<int>(Add(t, t, r, n));
  carry += static_cast<int>(Add(t, t, r + n, n));
  carry += static_cast<int>(Add(r + n2, r + n2, t, n));
  assert(carry >= 0 && carry <= 2);
  Increment(r + n + n2, n2, static_cast<Word>(carry));
}

void KaratsubaSquare(Word* r, Word* t, const Word* a, std::size_t n) {
  switch (n) {
    case 2: SquareFixed<1>(r, a); return;
    case 4: SquareFixed<2>(r, a); return;
    case 8: SquareFixed<4>(r, a); return;
    case 16: SquareFixed<8>(r, a); return;
    default: break;
  }
  if (NeedsSchoolbook(n)) {
    SchoolbookMul(r, a, a, n);
    return;
  }
  const std::size_t n2 = n / 2;
  KaratsubaSquare(r, t + n, a, n2);
  KaratsubaSquare(r + n, t + n, a + n2, n2);
  KaratsubaMul(t, t + n, a, a + n2, n2);
  Word carry = Add(r + n2, r + n2, t, n);
  carry += Add(r + n2, r + n2, t, n);
  Increment(r + n + n2, n2, carry);
}

void KaratsubaMulLow(Word* r, Word* t, const Word* a, const Word* b, std::size_t n) {
  switch (n) {
    case 2: MulFixed<1, true>(r, a, b); return;
    case 4: MulFixed<2, true>(r, a, b); return;
    case 8: MulFixed<4, true>(r, a, b); return;
    case 16: MulFixed<8, true>(r, a, b); return;
    default: break;
  }
  if (NeedsSchoolbook(n)) {
    SchoolbookMulLow(r, a, b, n);
    return;
  }
  const std::size_t n2 = n / 2;
  KaratsubaMul(r, t, a, b, n2);
  KaratsubaMulLow(t, t + n2, a + n2, b, n2);
  Add(r + n2, r + n2, t, n2);
  KaratsubaMulLow(t, t + n2, a, b + n2, n2);
  Add(r + n2, r + n2, t, n2);
}

void KaratsubaMulHigh(Word* r, Word* t, const Word* l, const Word* a, const Word* b,
                      std::size_t n) {
  // Up to 8 words, and at an odd length, the full product takes no scratch beyond its own
  // 2N words.
  if (n <= 8 || n % 2 != 0) {
    KaratsubaMul(t, t + 2 * n, a, b, n);
    CopyWords(r, t + n, n);
    return;
  }
  // With k = 32 N2 bits, X = A0 B0 and M = A0 B1 + A1 B0 = X + P2 + D, the product is
  // X + M 2^k + P2 2^2k, and its upper half is P2 + ((Xh + M) >> k). The low half L of the
  // product gives Xl directly and Xh = Lh - Xl - P2 - D (mod 2^k), so X needs no product.
  const std::size_t n2 = n / 2;
  Word* d = t;
  Word* p2 = t + n;
  Word* scratch = t + 2 * n;
  int carry = MiddleProduct(d, scratch, r, a, b, n2);
  KaratsubaMul(p2, scratch, a + n2, b + n2, n2);
  Word* x = scratch;  // X = (Xh, Xl), N words
  CopyWords(x, l, n2);
  Subtract(x + n2, l + n2, l, n2);
  Subtract(x + n2, x + n2, p2, n2);
  Subtract(x + n2, x + n2, d, n2);
  // W = D + P2 + X + Xh, with `carry` the word above its N words.
  carry += static_cast<int>(Add(d, d, p2, n));
  carry += static_cast<int>(Add(d, d, x, n));
  carry += static_cast<int>(Increment(d + n2, n2, Add(d, d, x + n2, n2)));
  assert(carry >= 0 && carry <= 3);
  CopyWords(r, p2, n);
  const Word low = Add(r, r, d + n2, n2);
  Increment(r + n2, n2, low + static_cast<Word>(carry));
}

void MulUnequal(Word* r, Word* t, const Word* a, std::size_t na, const Word* b, std::size_t nb) {
  if (na == nb) {
    if (a == b) {
      KaratsubaSquare(r, t, a, na);
    } else {
      KaratsubaMul(r, t, a, b, na);
    }
    return;
  }
  if (na > nb) {
    std::swap(a, b);
    std::swap(na, nb);
  }
  assert(nb % na == 0);
  if (na == 2 && a[1] == 0) {
    switch (a[0]) {
      case 0:
        SetWords(r, 0, nb + 2);
        return;
      case 1:
        CopyWords(r, b, nb);
        r[nb] = r[nb + 1] = 0;
        return;
      default:
        r[nb] = MultiplyByWord(r, b, a[0], nb);
        r[nb + 1] = 0;
        return;
    }
  }
  // B is cut into blocks of NA words. The products of the even blocks lie side by side in R,
  // those of the odd blocks in T (shifted down by NA words); the two are added.
  const std::size_t blocks = nb / na;
  Word* odd = t;
  Word* scratch = t + nb;
  SetWords(r + blocks * na, 0, (blocks % 2 == 0) ? na : 0);
  SetWords(odd + (blocks - 1) * na, 0, (blocks % 2 == 1) ? na : 0);
  for (std::size_t j = 0; j < blocks; ++j) {
    Word* target = (j % 2 == 0) ? r + j * na : odd + (j - 1) * na;
    KaratsubaMul(target, scratch, a, b + j * na, na);
  }
  [[maybe_unused]] const Word carry = Add(r + na, r + na, odd, nb);
  assert(carry == 0);
}

void Divide(Word* r, Word* q, Word* t, const Word* a, std::size_t na, const Word* b,
            std::size_t nb) {
  const std::size_t bn = CountWords(b, nb);
  const std::size_t an = CountWords(a, na);
  assert(bn > 0 && bn + 1 >= nb && na >= nb);
  SetWords(q, 0, na - nb + 2);
  if (an < bn) {
    CopyWords(r, a, an);
    SetWords(r + an, 0, nb - an);
    return;
  }
  SetWords(r, 0, nb);
  if (bn == 1) {
    DWord remainder = 0;
    for (std::size_t i = an; i-- > 0;) {
      const DWord current = (remainder << 32) | a[i];
      q[i] = static_cast<Word>(current / b[0]);
      remainder = current % b[0];
    }
    r[0] = static_cast<Word>(remainder);
    return;
  }
  // Knuth's algorithm D: the divisor is shifted so that its top bit is set, and each quotient
  // word is estimated from the top two words of the remainder and corrected at most twice.
  const unsigned shift = static_cast<unsigned>(std::countl_zero(b[bn - 1]));
  Word* v = t;
  Word* u = t + bn;
  CopyWords(v, b, bn);
  ShiftBitsLeft(v, bn, shift);
  CopyWords(u, a, an);
  u[an] = ShiftBitsLeft(u, an, shift);
  const DWord vTop = v[bn - 1];
  const DWord vNext = v[bn - 2];
  for (std::size_t j = an - bn + 1; j-- > 0;) {
    const DWord top = (static_cast<DWord>(u[j + bn]) << 32) | u[j + bn - 1];
    DWord estimate = top / vTop;
    DWord rest = top % vTop;
    while (estimate > 0xFFFFFFFFu || estimate * vNext > ((rest << 32) | u[j + bn - 2])) {
      --estimate;
      rest += vTop;
      if (rest > 0xFFFFFFFFu) {
        break;
      }
    }
    // U[j..j+bn] -= estimate * V
    DWord carry = 0;
    Word borrow = 0;
    for (std::size_t i = 0; i < bn; ++i) {
      const DWord product = estimate * v[i] + carry;
      carry = product >> 32;
      const Word low = static_cast<Word>(product);
      const Word ui = u[i + j];
      const Word difference = ui - low - borrow;
      borrow = (ui < low || (ui == low && borrow != 0)) ? 1 : 0;
      u[i + j] = difference;
    }
    const DWord topWord = u[j + bn];
    const bool negative = topWord < carry + borrow;
    u[j + bn] = static_cast<Word>(topWord - carry - borrow);
    if (negative) {
      --estimate;
      const Word addCarry = Add(u + j, u + j, v, bn);
      u[j + bn] += addCarry;
    }
    q[j] = static_cast<Word>(estimate);
  }
  ShiftBitsRight(u, bn, shift);
  CopyWords(r, u, bn);
}

}  // namespace crypto::words
