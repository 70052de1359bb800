#include "crypto/ModularArithmetic.h"

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "crypto/MontgomeryContext.h"
#include "crypto/ScratchWords.h"

namespace crypto {

using namespace words;

CInteger Gcd(const CInteger& a, const CInteger& b) {
  CInteger g0 = b;
  CInteger g1 = a;
  while (!g1.IsZero()) {
    CInteger g2 = g0 % g1;
    g0.Swap(g1);
    g1.Swap(g2);
  }
  return g0.Abs();
}

Word WordModInverse(Word a, Word m) {
  if (m == 0) {
    return 0;
  }
  std::int64_t g0 = m, g1 = a % m;
  std::int64_t v0 = 0, v1 = 1;
  while (g1 != 0) {
    const std::int64_t q = g0 / g1;
    const std::int64_t g2 = g0 - q * g1;
    g0 = g1;
    g1 = g2;
    const std::int64_t v2 = v0 - q * v1;
    v0 = v1;
    v1 = v2;
  }
  if (g0 != 1) {
    return 0;
  }
  if (v0 < 0) {
    v0 += m;
  }
  return static_cast<Word>(v0 % m);
}

Word ModInverse(const CInteger& a, Word m) {
  if (m == 0) {
    return 0;
  }
  return WordModInverse(a.ModWord(m), m);
}

void HalveModTimes(Word* r, const Word* a, std::size_t k, const Word* m, std::size_t n) {
  CopyWords(r, a, n);
  for (std::size_t i = 0; i < k; ++i) {
    Word carry = 0;
    if ((r[0] & 1) != 0) {
      carry = Add(r, r, m, n);
    }
    ShiftBitsRight(r, n, 1);
    r[n - 1] |= carry << (kWordBits - 1);
  }
}

void DoubleModTimes(Word* r, const Word* a, std::size_t k, const Word* m, std::size_t n) {
  CopyWords(r, a, n);
  for (std::size_t i = 0; i < k; ++i) {
    const Word carry = ShiftBitsLeft(r, n, 1);
    if (carry != 0 || words::Compare(r, m, n) >= 0) {
      words::Subtract(r, r, m, n);
    }
  }
}

namespace {

// Kaliski's almost inverse for odd m and 0 <= a < m: returns r = a^-1 2^k mod m with its k,
// or r = 0 when a and m share a factor.
CInteger AlmostInverse(const CInteger& a, const CInteger& m, std::size_t& k) {
  CInteger u = m, v = a, r = 0, s = 1;
  k = 0;
  while (v.IsPositive()) {
    if (u.IsEven()) {
      u >>= 1;
      s <<= 1;
    } else if (v.IsEven()) {
      v >>= 1;
      r <<= 1;
    } else if (u > v) {
      u -= v;
      u >>= 1;
      r += s;
      s <<= 1;
    } else {
      v -= u;
      v >>= 1;
      s += r;
      r <<= 1;
    }
    ++k;
  }
  if (!u.IsUnit()) {
    k = 0;
    return CInteger();
  }
  if (r >= m) {
    r -= m;
  }
  return m - r;
}

}  // namespace

CInteger ModInverse(const CInteger& a, const CInteger& m) {
  if (!m.IsPositive() || m.IsUnit()) {
    return CInteger();
  }
  if (a.IsNegative() || a >= m) {
    return ModInverse(a % m, m);
  }
  if (m.IsEven()) {
    if (a.IsEven()) {
      return CInteger();
    }
    if (a.IsUnit()) {
      return CInteger::One();
    }
    const CInteger u = ModInverse(m, a);
    if (u.IsZero()) {
      return CInteger();
    }
    return (m * (a - u) + 1) / a;
  }
  std::size_t k = 0;
  CInteger r = AlmostInverse(a, m, k);
  if (r.IsZero()) {
    return r;
  }
  const std::size_t n = CInteger::RoundWordCount(m.WordCount());
  CInteger modulus(m);
  modulus.GrowZeroed(n);
  r.GrowZeroed(n);
  HalveModTimes(r.Words(), r.Words(), k, modulus.Words(), n);
  return r;
}

CInteger UnitInverse(const CInteger& a) { return a.IsUnit() ? a : CInteger(); }

CInteger SquareRoot(const CInteger& a) {
  if (!a.IsPositive()) {
    return CInteger();
  }
  // Newton's iteration from above: the start 2^ceil(bits/2) is not below the root.
  CInteger y = CInteger::PowerOfTwo((a.BitCount() + 1) / 2);
  CInteger x;
  do {
    x = y;
    y = (x + a / x) >> 1;
  } while (y < x);
  return x;
}

bool IsSquare(const CInteger& a) {
  const CInteger root = SquareRoot(a);
  return root.Square() == a;
}

CInteger MulMod(const CInteger& a, const CInteger& b, const CInteger& m) { return (a * b) % m; }

CInteger ModExpPlain(const CInteger& a, const CInteger& e, const CInteger& m) {
  const std::size_t bits = e.BitCount();
  if (bits == 0) {
    return CInteger::One() % m;
  }
  if (bits == 1) {
    return a % m;
  }
  CInteger x = a;
  for (std::size_t i = 0; i + 1 < bits; ++i) {
    x = x.Square() % m;
    if (e.GetBit(bits - i - 2)) {
      x = (x * a) % m;
    }
  }
  return x;
}

namespace {

// Window width of the exponentiation for an exponent of the given length: wider windows save
// multiplications at the cost of a larger table of odd powers.
unsigned WindowBits(std::size_t exponentBits) {
  if (exponentBits > 671) return 6;
  if (exponentBits > 239) return 5;
  if (exponentBits > 79) return 4;
  if (exponentBits > 23) return 3;
  return 1;
}

}  // namespace

CInteger ModExp(const CInteger& a, const CInteger& e, const CInteger& m) {
  if (m.IsEven()) {
    return ModExpPlain(a, e, m);
  }
  CMontgomeryContext context(m);
  const std::size_t n = context.WordLength();
  CInteger accumulator = context.ConvertIn(CInteger::One());
  accumulator.GrowZeroed(n);
  const std::size_t bits = e.BitCount();
  if (bits == 0) {
    return context.ConvertOut(accumulator);
  }
  // Left to right over the exponent's bits in sliding windows: a run of bits that starts and
  // ends with a 1 multiplies by one odd power of x from the table, after as many squarings as
  // the run is long (the same result as one square and multiply per bit, with fewer products).
  const unsigned window = WindowBits(bits);
  const std::size_t powers = std::size_t{1} << (window - 1);
  ScratchWords table(powers * n);
  CInteger x = context.ConvertIn(a);
  x.GrowZeroed(n);
  Word* odd = table.Data();
  CopyWords(odd, x.Words(), n);
  if (powers > 1) {
    CInteger square(0u, n);
    context.SquareWords(square.Words(), x.Words());
    for (std::size_t i = 1; i < powers; ++i) {
      context.MultiplyWords(odd + i * n, odd + (i - 1) * n, square.Words());
    }
  }
  Word* acc = accumulator.Words();
  bool started = false;
  std::size_t i = bits;
  while (i-- > 0) {
    if (!e.GetBit(i)) {
      if (started) {
        context.SquareWords(acc, acc);
      }
      continue;
    }
    std::size_t low = i + 1 >= window ? i + 1 - window : 0;
    while (!e.GetBit(low)) {
      ++low;
    }
    const Word value = e.GetBits(low, static_cast<unsigned>(i - low + 1));
    if (started) {
      for (std::size_t k = low; k <= i; ++k) {
        context.SquareWords(acc, acc);
      }
      context.MultiplyWords(acc, acc, odd + (value >> 1) * n);
    } else {
      CopyWords(acc, odd + (value >> 1) * n, n);
      started = true;
    }
    i = low;
  }
  return context.ConvertOut(accumulator);
}

int Jacobi(const CInteger& a, const CInteger& b) {
  if (!b.IsPositive() || b.IsEven()) {
    throw std::domain_error("Jacobi symbol needs an odd positive modulus");
  }
  CInteger x = a % b;
  CInteger y = b;
  int result = 1;
  while (!x.IsZero()) {
    std::size_t twos = 0;
    while (!x.GetBit(twos)) {
      ++twos;
    }
    x >>= twos;
    if (twos % 2 == 1) {
      const Word residue = y.ModWord(8);
      if (residue == 3 || residue == 5) {
        result = -result;
      }
    }
    if (x.ModWord(4) == 3 && y.ModWord(4) == 3) {
      result = -result;
    }
    x.Swap(y);
    x %= y;
  }
  return y.IsUnit() ? result : 0;
}

CInteger Lucas(const CInteger& e, const CInteger& p, const CInteger& n) {
  const std::size_t bits = e.BitCount();
  if (bits == 0) {
    return CInteger(2);
  }
  CMontgomeryContext context(n);
  const CInteger pm = context.ConvertIn(p);
  const CInteger two = context.ConvertIn(CInteger(2));
  // (V_k, V_k+1) from (V_0, V_1) = (2, p): V_2k = V_k^2 - 2, V_2k+1 = V_k V_k+1 - p.
  CInteger v = two;
  CInteger next = pm;
  for (std::size_t i = bits; i-- > 0;) {
    if (e.GetBit(i)) {
      v = context.Subtract(context.Multiply(v, next), pm);
      next = context.Subtract(context.Square(next), two);
    } else {
      next = context.Subtract(context.Multiply(v, next), pm);
      v = context.Subtract(context.Square(v), two);
    }
  }
  return context.ConvertOut(v);
}

}  // namespace crypto
