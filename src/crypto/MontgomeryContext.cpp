#include "crypto/MontgomeryContext.h"

#include <stdexcept>

namespace crypto {

using namespace words;

namespace {

// Inverse of an odd word modulo 2^32 by Newton's rule r = r (2 - r a): a is its own inverse
// modulo 8, and each step doubles the number of correct bits (3, 6, 12, 24, 48).
Word WordInverseModPower2(Word a) {
  Word r = a;
  for (int i = 0; i < 4; ++i) {
    r *= 2 - r * a;
  }
  return r;
}

// m^-1 modulo 2^(32 n), lifted from one word by the same rule, doubling the precision each
// time.
CInteger InverseModPower2(const CInteger& m, std::size_t n) {
  CInteger inverse(WordInverseModPower2(m.Words()[0]), n);
  const CInteger two(2);
  for (std::size_t bits = kWordBits; bits < kWordBits * n; bits *= 2) {
    CInteger product = inverse * (two - m * inverse);
    CInteger quotient;
    CInteger::DivideByPow2(inverse, quotient, product, 2 * bits);
  }
  inverse.GrowZeroed(n);
  return inverse;
}

}  // namespace

CMontgomeryContext::CMontgomeryContext(const CInteger& modulus)
    : m_n(CInteger::RoundWordCount(modulus.WordCount())),
      m_modulus(modulus.Abs()),
      m_workspace(7 * m_n) {
  if (modulus.IsEven()) {
    throw std::domain_error("Montgomery arithmetic needs an odd modulus");
  }
  m_modulus.GrowZeroed(m_n);
  m_inverse = InverseModPower2(m_modulus, m_n);
  m_inverse.GrowZeroed(m_n);
}

CInteger CMontgomeryContext::Result(const Word* words) const {
  return CInteger(words, m_n, false, false);
}

CInteger CMontgomeryContext::ConvertIn(const CInteger& a) const {
  return (a << (kWordBits * m_n)) % m_modulus;
}

void CMontgomeryContext::Reduce(Word* r) {
  // T (2N words) at the workspace's start; Q = T_low u mod 2^(32N) makes Q m equal T in its
  // low half, so T - Q m is divisible by 2^(32N) and the result is T_high - (Q m)_high.
  Word* t = m_workspace.Data();
  Word* q = t + 2 * m_n;
  Word* high = t + 3 * m_n;
  Word* scratch = t + 4 * m_n;
  KaratsubaMulLow(q, high, t, m_inverse.Words(), m_n);
  KaratsubaMulHigh(high, scratch, t, q, m_modulus.Words(), m_n);
  if (words::Subtract(r, t + m_n, high, m_n) != 0) {
    Add(r, r, m_modulus.Words(), m_n);
  }
}

void CMontgomeryContext::MultiplyWords(Word* r, const Word* a, const Word* b) {
  KaratsubaMul(m_workspace.Data(), m_workspace.Data() + 2 * m_n, a, b, m_n);
  Reduce(r);
}

void CMontgomeryContext::SquareWords(Word* r, const Word* a) {
  KaratsubaSquare(m_workspace.Data(), m_workspace.Data() + 2 * m_n, a, m_n);
  Reduce(r);
}

CInteger CMontgomeryContext::Multiply(const CInteger& a, const CInteger& b) {
  CInteger x(a), y(b);
  x.GrowZeroed(m_n);
  y.GrowZeroed(m_n);
  CInteger result(0u, m_n);
  MultiplyWords(result.Words(), x.Words(), y.Words());
  return result;
}

CInteger CMontgomeryContext::Square(const CInteger& a) {
  CInteger x(a);
  x.GrowZeroed(m_n);
  CInteger result(0u, m_n);
  SquareWords(result.Words(), x.Words());
  return result;
}

CInteger CMontgomeryContext::ConvertOut(const CInteger& a) { return Multiply(a, CInteger::One()); }

CInteger CMontgomeryContext::Subtract(const CInteger& a, const CInteger& b) const {
  CInteger x(a), y(b);
  x.GrowZeroed(m_n);
  y.GrowZeroed(m_n);
  CInteger result(0u, m_n);
  if (words::Subtract(result.Words(), x.Words(), y.Words(), m_n) != 0) {
    Add(result.Words(), result.Words(), m_modulus.Words(), m_n);
  }
  return result;
}

}  // namespace crypto
