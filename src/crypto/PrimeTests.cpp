#include "crypto/PrimeTests.h"

#include "crypto/ModularArithmetic.h"
#include "crypto/PrimeSieve.h"
#include "crypto/RandomInteger.h"

namespace crypto {

namespace {

// Position of the lowest set bit (the value is not zero).
std::size_t TrailingZeroBits(const CInteger& value) {
  std::size_t bit = 0;
  while (!value.GetBit(bit)) {
    ++bit;
  }
  return bit;
}

}  // namespace

bool StrongPrpTest(const CInteger& n, const CInteger& b) {
  if (n <= CInteger(3)) {
    return n == CInteger(2) || n == CInteger(3);
  }
  if (n.IsEven() || !Gcd(b, n).IsUnit()) {
    return false;
  }
  const CInteger nMinus1 = n - 1;
  const std::size_t a = TrailingZeroBits(nMinus1);
  const CInteger m = nMinus1 >> a;
  CInteger z = ModExp(b, m, n);
  if (z.IsUnit() || z == nMinus1) {
    return true;
  }
  for (std::size_t j = 1; j < a; ++j) {
    z = z.Square() % n;
    if (z == nMinus1) {
      return true;
    }
    if (z.IsUnit()) {
      return false;
    }
  }
  return false;
}

bool MillerRabinRounds(CIsaacRandom& rng, const CInteger& n, unsigned rounds) {
  if (n <= CInteger(3)) {
    return n == CInteger(2) || n == CInteger(3);
  }
  const CInteger low(2);
  const CInteger high = n - 2;
  for (unsigned i = 0; i < rounds; ++i) {
    if (!StrongPrpTest(n, DrawInRange(rng, low, high))) {
      return false;
    }
  }
  return true;
}

bool StrongLucasTest(const CInteger& n) {
  if (n <= CInteger(1)) {
    return false;
  }
  if (n.IsEven()) {
    return n == CInteger(2);
  }
  CInteger b(3);
  unsigned tries = 0;
  int symbol;
  while ((symbol = Jacobi(b.Square() - 4, n)) == 1) {
    // A square n never gives -1; it is caught here rather than by a long search.
    if (++tries == 64 && IsSquare(n)) {
      return false;
    }
    b += 2;
  }
  if (symbol == 0) {
    return false;
  }
  const CInteger nPlus1 = n + 1;
  const std::size_t a = TrailingZeroBits(nPlus1);
  const CInteger m = nPlus1 >> a;
  const CInteger two(2);
  const CInteger nMinus2 = n - 2;
  CInteger z = Lucas(m, b, n);
  if (z == two || z == nMinus2) {
    return true;
  }
  for (std::size_t i = 1; i < a; ++i) {
    z = (z.Square() - 2) % n;
    if (z == nMinus2) {
      return true;
    }
    if (z == two) {
      return false;
    }
  }
  return false;
}

bool QuickPrpTest(const CInteger& n) { return StrongPrpTest(n, CInteger(2)); }

bool PrimeTest(const CInteger& n) {
  if (n.IsNegative()) {
    return false;
  }
  if (n.WordCount() <= 1 && IsSmallPrime(n.Words()[0])) {
    return true;
  }
  if (n < CInteger(32720)) {
    return false;
  }
  return StrongPrpTest(n, CInteger(3)) && StrongLucasTest(n);
}

bool CheckPrimeLevel(CIsaacRandom& rng, const CInteger& n, unsigned level) {
  bool pass = PrimeTest(n) && MillerRabinRounds(rng, n, 1);
  if (level >= 1) {
    pass = pass && MillerRabinRounds(rng, n, 10);
  }
  return pass;
}

}  // namespace crypto
