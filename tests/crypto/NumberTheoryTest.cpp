#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

#include "crypto/Integer.h"
#include "crypto/IntegerPrinter.h"
#include "crypto/ModularArithmetic.h"
#include "crypto/MontgomeryContext.h"
#include "crypto/PrimeSieve.h"
#include "crypto/PrimeTests.h"
#include "crypto/RandomInteger.h"

namespace {

using namespace crypto;

const std::array<std::uint8_t, 4> kSeed = {1, 2, 3, 4};

CInteger Hex(const char* text) { return CInteger(text); }
// 2^61 - 1, a Mersenne prime.
CInteger Mersenne61() { return CInteger::PowerOfTwo(61) - 1; }

TEST(ModularArithmetic, Inverses) {
  EXPECT_EQ(ModInverse(CInteger(3), CInteger(10)), CInteger(7));
  EXPECT_EQ(ModInverse(CInteger(2), CInteger(10)), CInteger(0));
  EXPECT_EQ(ModInverse(CInteger(13), CInteger(10)), CInteger(7));
  EXPECT_EQ(ModInverse(CInteger(-7), CInteger(10)), CInteger(7));  // -7 = 3 mod 10
  EXPECT_EQ(ModInverse(CInteger(1), CInteger(10)), CInteger(1));
  EXPECT_EQ(ModInverse(CInteger(5), CInteger(17)), CInteger(7));
  EXPECT_EQ(ModInverse(CInteger(17), CInteger(17)), CInteger(0));
  // A modulus of 0 or below has no inverses.
  EXPECT_EQ(ModInverse(CInteger(3), CInteger(0)), CInteger(0));
  EXPECT_EQ(ModInverse(CInteger(3), CInteger(-10)), CInteger(0));
  EXPECT_EQ(ModInverse(CInteger(3), Word{10}), 7u);
  EXPECT_EQ(ModInverse(CInteger(4), Word{10}), 0u);
  EXPECT_EQ(ModInverse(CInteger(-3), Word{10}), 3u);
  EXPECT_EQ(UnitInverse(CInteger(-1)), CInteger(-1));
  EXPECT_EQ(UnitInverse(CInteger(2)), CInteger(0));
}

TEST(ModularArithmetic, HalvingAndDoublingModM) {
  // m = 2^64 - 59 (odd); 5 * 2^70 mod m, then halved 70 times, is 5 again.
  const CInteger m = CInteger::PowerOfTwo(64) - 59;
  std::vector<Word> value = {5, 0}, result(2);
  DoubleModTimes(result.data(), value.data(), 70, m.Words(), 2);
  EXPECT_EQ(CInteger(result.data(), 2, false, false), (CInteger(5) << 70) % m);
  HalveModTimes(result.data(), result.data(), 70, m.Words(), 2);
  EXPECT_EQ(result, value);
}

TEST(ModularArithmetic, RootsAndSquares) {
  EXPECT_EQ(SquareRoot(CInteger(15)), CInteger(3));
  EXPECT_EQ(SquareRoot(CInteger(16)), CInteger(4));
  EXPECT_EQ(SquareRoot(CInteger(0)), CInteger(0));
  EXPECT_EQ(SquareRoot(CInteger(-4)), CInteger(0));
  EXPECT_TRUE(IsSquare(CInteger(16)));
  EXPECT_FALSE(IsSquare(CInteger(15)));
  EXPECT_TRUE(IsSquare(Hex("fffffffffffffffe0000000000000001")));
}

TEST(ModularArithmetic, ExponentiationEdges) {
  const CInteger m = Mersenne61();
  EXPECT_EQ(ModExp(CInteger(12345), CInteger(0), m), CInteger(1));
  EXPECT_EQ(ModExp(CInteger(12345), CInteger(0), CInteger(1)), CInteger(0));
  EXPECT_EQ(ModExp(CInteger(3), CInteger(4), CInteger(10)), CInteger(1));   // even modulus
  EXPECT_EQ(ModExp(CInteger(-2), CInteger(3), CInteger(7)), CInteger(6));   // -8 mod 7
  // Fermat: a^(p-1) = 1 mod p
  EXPECT_EQ(ModExp(Hex("123456789abcdef"), m - 1, m), CInteger(1));
  // The plain method: exponents 0 and 1 reduce; larger ones agree with Montgomery.
  EXPECT_EQ(ModExpPlain(CInteger(12), CInteger(0), CInteger(7)), CInteger(1));
  EXPECT_EQ(ModExpPlain(CInteger(12), CInteger(1), CInteger(7)), CInteger(5));
  EXPECT_EQ(ModExpPlain(CInteger(12), CInteger(0), CInteger(1)), CInteger(0));
  EXPECT_EQ(ModExpPlain(Hex("abcdef"), Hex("12345"), m), ModExp(Hex("abcdef"), Hex("12345"), m));
  EXPECT_EQ(MulMod(CInteger(-3), CInteger(5), CInteger(7)), CInteger(6));
  EXPECT_THROW(CMontgomeryContext(CInteger(10)), std::domain_error);
}

TEST(ModularArithmetic, MontgomeryForm) {
  const CInteger m = Hex("f123456789abcdef0123456789abcdef1");
  CMontgomeryContext context(m);
  EXPECT_EQ(context.WordLength(), 8u);
  const CInteger a = Hex("1234567890abcdef"), b = Hex("fedcba0987654321abc");
  const CInteger product = context.ConvertOut(context.Multiply(context.ConvertIn(a),
                                                               context.ConvertIn(b)));
  EXPECT_EQ(product, (a * b) % m);
  EXPECT_EQ(context.ConvertOut(context.Square(context.ConvertIn(b))), b.Square() % m);
  EXPECT_EQ(context.ConvertOut(context.Subtract(context.ConvertIn(a), context.ConvertIn(b))),
            (a - b) % m);
}

TEST(ModularArithmetic, JacobiAndLucas) {
  EXPECT_EQ(Jacobi(CInteger(2), CInteger(7)), 1);
  EXPECT_EQ(Jacobi(CInteger(3), CInteger(7)), -1);
  EXPECT_EQ(Jacobi(CInteger(14), CInteger(7)), 0);
  EXPECT_EQ(Jacobi(CInteger(-1), CInteger(5)), 1);
  EXPECT_EQ(Jacobi(CInteger(5), CInteger(21)), 1);  // (5/3)(5/7) = (-1)(-1)
  EXPECT_THROW(Jacobi(CInteger(3), CInteger(8)), std::domain_error);
  // V_n(3, 1): 2, 3, 7, 18, 47, 123, 322, 843
  const CInteger big = Hex("fffffffffffffffffffffffffff1");
  EXPECT_EQ(Lucas(CInteger(0), CInteger(3), big), CInteger(2));
  EXPECT_EQ(Lucas(CInteger(1), CInteger(3), big), CInteger(3));
  EXPECT_EQ(Lucas(CInteger(5), CInteger(3), big), CInteger(123));
  EXPECT_EQ(Lucas(CInteger(7), CInteger(3), big), CInteger(843));
  EXPECT_EQ(Lucas(CInteger(7), CInteger(3), CInteger(101)), CInteger(843 % 101));
}

TEST(PrimeTests, KnownPrimesAndComposites) {
  EXPECT_FALSE(PrimeTest(CInteger(561)));   // Carmichael number
  EXPECT_TRUE(PrimeTest(CInteger(32719)));
  EXPECT_TRUE(PrimeTest(Mersenne61()));
  EXPECT_FALSE(PrimeTest(Mersenne61() + 2));
  // The smallest primes, which the Lucas choice alone would reject, are accepted.
  for (const int p : {2, 3, 5, 7, 11, 13, 23, 47}) {
    EXPECT_TRUE(PrimeTest(CInteger(p))) << p;
  }
  for (const int c : {0, 1, 4, 9, 25, 1001, -7}) {
    EXPECT_FALSE(PrimeTest(CInteger(c))) << c;
  }
  // 3215031751 is a strong pseudoprime to the bases 2, 3, 5 and 7.
  const CInteger pseudoprime = Hex("bfa17dc7");
  EXPECT_TRUE(StrongPrpTest(pseudoprime, CInteger(2)));
  EXPECT_TRUE(StrongPrpTest(pseudoprime, CInteger(3)));
  EXPECT_FALSE(StrongLucasTest(pseudoprime));
  EXPECT_FALSE(PrimeTest(pseudoprime));
  EXPECT_TRUE(StrongLucasTest(Mersenne61()));
  EXPECT_FALSE(StrongLucasTest(CInteger(10)));
  EXPECT_TRUE(StrongLucasTest(CInteger(2)));
  EXPECT_FALSE(StrongLucasTest(CInteger(1)));
  EXPECT_FALSE(StrongLucasTest(Hex("3b9aca07").Square()));  // a square
  CIsaacRandom rng(kSeed);
  EXPECT_TRUE(MillerRabinRounds(rng, Mersenne61(), 5));
  EXPECT_FALSE(MillerRabinRounds(rng, CInteger(561), 5));
  EXPECT_TRUE(MillerRabinRounds(rng, CInteger(3), 5));
  EXPECT_TRUE(CheckPrimeLevel(rng, Mersenne61(), 3));
  EXPECT_FALSE(CheckPrimeLevel(rng, CInteger(561), 0));
}

TEST(PrimeSieve, SmallPrimeTable) {
  const auto& table = SmallPrimeTable();
  ASSERT_EQ(table.size(), 3511u);
  EXPECT_EQ(table.front(), 2);
  EXPECT_EQ(table[1], 3);
  EXPECT_EQ(table[2], 5);
  EXPECT_EQ(table.back(), 32719);
  EXPECT_TRUE(IsSmallPrime(32719));
  EXPECT_FALSE(IsSmallPrime(32715));
  EXPECT_FALSE(IsSmallPrime(32721));
}

TEST(PrimeSieve, NextPrimeUpTo) {
  CInteger p(23);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(28)));
  EXPECT_EQ(p, CInteger(23));
  p = CInteger(25);
  EXPECT_FALSE(NextPrimeUpTo(p, CInteger(28)));
  EXPECT_EQ(p, CInteger(25));
  p = CInteger(24);  // only even candidates are tried
  EXPECT_FALSE(NextPrimeUpTo(p, CInteger(29)));
  p = CInteger(31);  // a start above the limit
  EXPECT_FALSE(NextPrimeUpTo(p, CInteger(29)));
  // A negative start runs up through the small primes, which stay candidates.
  p = CInteger(-1);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(505)));
  EXPECT_EQ(p, CInteger(3));
  p = CInteger(-31);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(10)));
  EXPECT_EQ(p, CInteger(3));
  p = CInteger(-20);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(2)));
  EXPECT_EQ(p, CInteger(2));
  // Starts far below zero, and an even start with a limit far above it: the candidates that
  // cannot be prime are not searched one window at a time.
  p = -(CInteger::PowerOfTwo(256) - 1);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(10)));
  EXPECT_EQ(p, CInteger(3));
  p = -CInteger::PowerOfTwo(256);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(10)));
  EXPECT_EQ(p, CInteger(2));
  p = CInteger(4);
  EXPECT_FALSE(NextPrimeUpTo(p, CInteger::PowerOfTwo(256)));
  EXPECT_EQ(p, CInteger(4));
  // A start far below zero with a wide step: first + step reaches the prime 3 exactly.
  CPrimeSieve wide(Hex("-fffffffd"), CInteger(1000), Hex("100000000"), 0);
  CInteger candidate;
  ASSERT_TRUE(wide.NextCandidate(candidate));
  EXPECT_EQ(candidate, CInteger(3));
  p = CInteger(2);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(2)));
  p = CInteger(3);
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger(100)));
  EXPECT_EQ(p, CInteger(3));
  // Past a window of 32768 candidates: the first prime after 2^64 is 2^64 + 13, and the gap
  // after 1693182318746371 is 1132 wide.
  p = CInteger::PowerOfTwo(64) + 1;
  EXPECT_TRUE(NextPrimeUpTo(p, CInteger::PowerOfTwo(65)));
  EXPECT_EQ(p, CInteger::PowerOfTwo(64) + 13);
  p = Hex("603f0baa61b03") + 2;  // 1693182318746371 + 2
  EXPECT_TRUE(NextPrimeUpTo(p, Hex("603f0baa61b03") + 2000));
  EXPECT_EQ(p, Hex("603f0baa61b03") + 1132);
}

TEST(PrimeSieve, CandidatesSkipSmallFactors) {
  // 1000001, 1000003, ...: the first candidates with no factor below 32720.
  CPrimeSieve sieve(CInteger(1000001), CInteger(1000100), CInteger(2), 0);
  std::vector<int> candidates;
  CInteger candidate;
  while (sieve.NextCandidate(candidate)) {
    candidates.push_back(candidate.ToInt32());
  }
  EXPECT_EQ(candidates, (std::vector<int>{1000003, 1000033, 1000037, 1000039, 1000081, 1000099}));
  // With a delta, (c - delta) / 2 must be free of small factors too: c = 2q + 1 with q prime.
  CPrimeSieve safe(CInteger(100003), CInteger(100200), CInteger(2), 1);
  std::vector<int> safeCandidates;
  while (safe.NextCandidate(candidate)) {
    safeCandidates.push_back(candidate.ToInt32());
  }
  EXPECT_EQ(safeCandidates, (std::vector<int>{100043, 100103}));
}

TEST(RandomInteger, DrawInRangeDrawsFirst) {
  CIsaacRandom rng(kSeed);
  CIsaacRandom reference(kSeed);
  // min 0: a value is drawn even though 0 lies in the range.
  // The offset's top word is masked to the span's 10 bits; draws above 1000 are repeated.
  const CInteger value = DrawInRange(rng, CInteger(0), CInteger(1000));
  Word expected;
  do {
    expected = reference.Next() & 0x3FF;
  } while (expected > 1000);
  EXPECT_EQ(value, CInteger(expected, 1));
  EXPECT_EQ(DrawInRange(rng, CInteger(7), CInteger(1006)), CInteger(7) + [&] {
    Word offset;
    do {
      offset = reference.Next() & 0x3FF;
    } while (offset > 999);
    return CInteger(offset, 1);
  }());
  const CInteger low = Hex("100000000000000000000"), high = Hex("1000000000000000000ff");
  for (int i = 0; i < 20; ++i) {
    const CInteger drawn = DrawInRange(rng, low, high);
    EXPECT_GE(drawn, low);
    EXPECT_LE(drawn, high);
  }
  EXPECT_EQ(DrawInRange(rng, CInteger(5), CInteger(5)), CInteger(5));
  EXPECT_THROW(DrawInRange(rng, CInteger(6), CInteger(5)), std::invalid_argument);
  EXPECT_THROW(DrawInRange(rng, CInteger(-6), CInteger(-5)), std::invalid_argument);
}

TEST(RandomInteger, APrimeIsSoughtOnlyWherePrimesCanBe) {
  CIsaacRandom rng(kSeed);
  CInteger value(77);
  // Nothing from 0 up to 1, however far below zero the range starts.
  EXPECT_FALSE(DrawOfKind(value, rng, -(CInteger::PowerOfTwo(256) - 1), CInteger(1), 1));
  EXPECT_EQ(value, CInteger(77));
  ASSERT_TRUE(DrawOfKind(value, rng, -CInteger::PowerOfTwo(256), CInteger(3), 1));
  EXPECT_TRUE(value == CInteger(2) || value == CInteger(3)) << value.ToHexText();
}

TEST(RandomInteger, DrawOfKind) {
  CIsaacRandom rng(kSeed);
  CInteger value;
  EXPECT_FALSE(DrawOfKind(value, rng, CInteger(5), CInteger(5), 0));  // a single value
  EXPECT_FALSE(DrawOfKind(value, rng, CInteger(1), CInteger(100), 2));
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(DrawOfKind(value, rng, CInteger(10), CInteger(1000), 0));
    EXPECT_TRUE(value.IsOdd());
    EXPECT_GE(value, CInteger(10));
    EXPECT_LE(value, CInteger(1000));
  }
  const CInteger low = CInteger::PowerOfTwo(127) + 1, high = CInteger::PowerOfTwo(128) - 1;
  ASSERT_TRUE(DrawOfKind(value, rng, low, high, 1));
  EXPECT_TRUE(PrimeTest(value));
  EXPECT_GE(value, low);
  EXPECT_LE(value, high);
  // No prime in [24, 28]: the search gives up.
  EXPECT_FALSE(DrawOfKind(value, rng, CInteger(24), CInteger(28), 1));
  // An even lower bound does not hide the primes above it.
  ASSERT_TRUE(DrawOfKind(value, rng, CInteger(90), CInteger(100), 1));
  EXPECT_EQ(value, CInteger(97));
}

}  // namespace
