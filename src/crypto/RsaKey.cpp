#include "crypto/RsaKey.h"

#include "crypto/ModularArithmetic.h"
#include "crypto/PrimeTests.h"
#include "crypto/RandomInteger.h"

namespace crypto {

namespace {

constexpr unsigned kMinimumBits = 6;
// Bounds on the redraws that keep a size with no key (7 bits: n is always 35 and the only
// candidate for d shares a factor with phi) from running forever. A real key size needs one
// prime pair and a handful of draws of d.
constexpr unsigned kPrimePairAttempts = 64;
constexpr unsigned kExponentAttempts = 256;

}  // namespace

CRsaKey::CRsaKey() = default;

CRsaKey::CRsaKey(std::span<const std::uint8_t> seed) : m_generator(seed) {}

void CRsaKey::DrawPrimePair(const CInteger& low, const CInteger& high, CInteger& p, CInteger& q) {
  // Both are sought side by side; one already found stays while the other is still sought.
  const auto drawAccepted = [&](CInteger& prime) {
    return DrawOfKind(prime, m_generator, low, high, static_cast<int>(DrawKind::kPrime)) &&
           CheckPrimeLevel(m_generator, prime, 3);
  };
  bool haveP = false;
  bool haveQ = false;
  while (!haveP || !haveQ) {
    if (!haveP) {
      haveP = drawAccepted(p);
    }
    if (!haveQ) {
      haveQ = drawAccepted(q);
    }
  }
}

int CRsaKey::GenerateKey(unsigned bits) {
  if (bits < kMinimumBits) {
    return 0;
  }
  const unsigned half = bits / 2;
  const CInteger primeLow = CInteger::PowerOfTwo(half - 1) + 1;
  const CInteger primeHigh = CInteger::PowerOfTwo(half) - 1;
  const CInteger exponentLow = CInteger::PowerOfTwo(bits - 2) + 1;
  for (unsigned pair = 0; pair < kPrimePairAttempts; ++pair) {
    CInteger p, q;
    DrawPrimePair(primeLow, primeHigh, p, q);
    const CInteger n = p * q;
    const CInteger exponentHigh = n - 2;
    // Equal primes give no key, and an odd size can give a modulus too small for the range of d.
    if (p == q || exponentHigh < exponentLow) {
      continue;
    }
    const CInteger pMinus1 = p - 1;
    const CInteger qMinus1 = q - 1;
    const CInteger phi = pMinus1 * qMinus1;
    for (unsigned draw = 0; draw < kExponentAttempts; ++draw) {
      CInteger d = DrawInRange(m_generator, exponentLow, exponentHigh);
      if (!Gcd(d, phi).IsUnit()) {
        continue;
      }
      m_p = p;
      m_q = q;
      m_n = n;
      m_e = ModInverse(d, phi);
      m_u = ModInverse(q, p);
      m_dp = d % pMinus1;
      m_dq = d % qMinus1;
      m_d = d;
      return 1;
    }
  }
  return 0;
}

}  // namespace crypto
