#include "crypto/Integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "crypto/IntegerPrinter.h"

namespace {

using crypto::CInteger;
using crypto::Word;

CInteger Hex(const char* text) { return CInteger(text); }

TEST(Integer, StorageIsRoundedToPowersOfTwo) {
  EXPECT_EQ(CInteger::RoundWordCount(0), 2u);
  EXPECT_EQ(CInteger::RoundWordCount(3), 4u);
  EXPECT_EQ(CInteger::RoundWordCount(5), 8u);
  EXPECT_EQ(CInteger::RoundWordCount(9), 16u);
  EXPECT_EQ(CInteger::RoundWordCount(33), 64u);
  EXPECT_EQ(CInteger::RoundWordCount(65), 128u);
  const CInteger zero;
  EXPECT_EQ(zero.AllocatedWords(), 2u);
  EXPECT_EQ(zero.WordCount(), 0u);
  EXPECT_EQ(zero.BitCount(), 0u);
  EXPECT_EQ(CInteger(1).BitCount(), 1u);
  EXPECT_EQ(CInteger(5u, 3).AllocatedWords(), 4u);
  EXPECT_EQ(Hex("1234567890").ByteCount(), 5u);
  // A copy takes the rounded significant length, not the source's allocation.
  const CInteger wide(7u, 64);
  EXPECT_EQ(CInteger(wide).AllocatedWords(), 2u);
}

TEST(Integer, IncrementOfAFullArrayDoublesIt) {
  CInteger value(false, 0xFFFFFFFFu, 0xFFFFFFFFu);
  ++value;
  EXPECT_EQ(value.AllocatedWords(), 4u);
  EXPECT_EQ(value.Words()[2], 1u);
  EXPECT_EQ(value, CInteger::PowerOfTwo(64));
  CInteger minusOne(-1);
  ++minusOne;
  EXPECT_TRUE(minusOne.IsZero());
  EXPECT_FALSE(minusOne.IsNegative());
  --minusOne;
  EXPECT_EQ(minusOne, CInteger(-1));
  --minusOne;
  EXPECT_EQ(minusOne, CInteger(-2));
}

TEST(Integer, TextIsAlwaysHexadecimal) {
  EXPECT_EQ(Hex("ff"), CInteger(255));
  EXPECT_EQ(Hex("0xff"), CInteger(255));
  EXPECT_EQ(Hex("-10"), CInteger(-16));
  EXPECT_EQ(Hex("12z3"), CInteger(0x123));
  EXPECT_EQ(Hex(""), CInteger(0));
  EXPECT_EQ(Hex("FEDCBA9876543210fedcba"), Hex("fedcba9876543210FEDCBA"));
  EXPECT_EQ(Hex("-0").IsNegative(), false);
  EXPECT_EQ(Hex("123456789abcdef0123").ToHexText(), "123456789abcdef0123");
  EXPECT_EQ(CInteger(-255).ToHexText(), "-ff");
  EXPECT_EQ(CInteger().ToHexText(), "0");
}

TEST(Integer, Int32Conversion) {
  EXPECT_TRUE(CInteger(-5).FitsInt32());
  EXPECT_EQ(CInteger(-5).ToInt32(), -5);
  EXPECT_EQ(CInteger::PowerOfTwo(31).ToInt32(), -1);
  EXPECT_FALSE(CInteger::PowerOfTwo(31).FitsInt32());
  EXPECT_EQ((-CInteger::PowerOfTwo(31)).ToInt32(), INT32_MIN);
  EXPECT_EQ(CInteger::PowerOfTwo(40).ToInt32(), -1);
}

TEST(Integer, BitsAndBytes) {
  CInteger value = Hex("80000000f1");
  EXPECT_TRUE(value.GetBit(0));
  EXPECT_FALSE(value.GetBit(1));
  EXPECT_TRUE(value.GetBit(39));
  EXPECT_FALSE(value.GetBit(5000));
  EXPECT_EQ(value.GetByte(0), 0xF1);
  EXPECT_EQ(value.GetByte(4), 0x80);
  EXPECT_EQ(value.GetByte(400), 0);
  EXPECT_EQ(value.GetBits(4, 8), 0x0Fu);
  EXPECT_EQ(value.GetBits(32, 8), 0x80u);
  value.SetBit(200);
  EXPECT_EQ(value.BitCount(), 201u);
  EXPECT_EQ(value.AllocatedWords(), 8u);
  value.SetBit(200, false);
  value.SetBit(9000, false);  // clearing beyond the array changes nothing
  EXPECT_EQ(value, Hex("80000000f1"));
  EXPECT_TRUE(CInteger(1).IsUnit());
  EXPECT_TRUE(CInteger(-1).IsUnit());
  EXPECT_FALSE(CInteger(2).IsUnit());
  EXPECT_TRUE(Hex("10000000000000000").IsEven());
}

TEST(Integer, DivisibleByThreeQuery) {
  EXPECT_TRUE(CInteger(0).IsDivisibleBy3());
  EXPECT_TRUE(CInteger(-9).IsDivisibleBy3());
  EXPECT_FALSE(CInteger(10).IsDivisibleBy3());
  // 2^64 - 1 = 3 * 5 * 17 * 257 * 641 * 65537 * 6700417
  EXPECT_TRUE(Hex("ffffffffffffffff").IsDivisibleBy3());
  EXPECT_FALSE(Hex("10000000000000000").IsDivisibleBy3());
}

TEST(Integer, AddAndSubtractWithSigns) {
  EXPECT_EQ(CInteger(5) + CInteger(-7), CInteger(-2));
  EXPECT_EQ(CInteger(-5) + CInteger(7), CInteger(2));
  EXPECT_EQ(CInteger(-5) - CInteger(-7), CInteger(2));
  EXPECT_EQ(CInteger(-5) - CInteger(7), CInteger(-12));
  EXPECT_FALSE((CInteger(-5) + CInteger(5)).IsNegative());
  CInteger value = Hex("ffffffffffffffffffffffff");
  value += value;
  EXPECT_EQ(value, Hex("1fffffffffffffffffffffffe"));
  value -= value;
  EXPECT_TRUE(value.IsZero());
  CInteger small(3);
  small -= Hex("100000000000000000000");
  EXPECT_EQ(small, -Hex("fffffffffffffffffffd"));
}

TEST(Integer, NegativeMagnitudeCarryingOutOfAFullArrayKeepsItsSign) {
  // The magnitude's words all wrap to zero before the new top word is set.
  const CInteger full = Hex("-ffffffffffffffff");
  const CInteger expected = Hex("-10000000000000000");
  EXPECT_EQ(full + CInteger(-1), expected);
  EXPECT_EQ(CInteger(-1) + full, expected);
  EXPECT_EQ(full - CInteger(1), expected);
  CInteger decremented = full;
  --decremented;
  EXPECT_EQ(decremented, expected);
  CInteger inPlace = full;
  inPlace -= CInteger(1);
  EXPECT_EQ(inPlace, expected);
  CInteger doubled = Hex("-8000000000000000");
  doubled += doubled;
  EXPECT_EQ(doubled, expected);
}

TEST(Integer, MultiplicationSignsAndSquares) {
  EXPECT_EQ(CInteger(-3) * CInteger(4), CInteger(-12));
  EXPECT_EQ(CInteger(-3) * CInteger(-4), CInteger(12));
  EXPECT_FALSE((CInteger(-3) * CInteger(0)).IsNegative());
  EXPECT_EQ(Hex("ffffffffffffffff").Square(), Hex("fffffffffffffffe0000000000000001"));
  CInteger value = Hex("123456789");
  value *= value;
  EXPECT_EQ(value, Hex("14b66dc326fb98751"));
}

TEST(Integer, DivisionKeepsTheRemainderNonNegative) {
  CInteger r, q;
  CInteger::Divide(r, q, CInteger(-7), CInteger(2));
  EXPECT_EQ(q, CInteger(-4));
  EXPECT_EQ(r, CInteger(1));
  CInteger::Divide(r, q, CInteger(7), CInteger(-2));
  EXPECT_EQ(q, CInteger(-3));
  EXPECT_EQ(r, CInteger(1));
  CInteger::Divide(r, q, CInteger(-7), CInteger(-2));
  EXPECT_EQ(q, CInteger(4));
  EXPECT_EQ(r, CInteger(1));
  CInteger::Divide(r, q, CInteger(-8), CInteger(-2));
  EXPECT_EQ(q, CInteger(4));
  EXPECT_EQ(r, CInteger(0));
  CInteger::Divide(r, q, CInteger(3), CInteger(10));
  EXPECT_EQ(q, CInteger(0));
  EXPECT_EQ(r, CInteger(3));
  // Results may land on the operands.
  CInteger a(-7), d(2);
  CInteger::Divide(a, d, a, d);
  EXPECT_EQ(a, CInteger(1));
  EXPECT_EQ(d, CInteger(-4));
}

TEST(Integer, DivisionByAWordFloorsOnEveryPath) {
  Word r = 99;
  CInteger q;
  CInteger::Divide(r, q, CInteger(-7), 2);  // power of two
  EXPECT_EQ(q, CInteger(-4));
  EXPECT_EQ(r, 1u);
  CInteger::Divide(r, q, CInteger(-7), 3);
  EXPECT_EQ(q, CInteger(-3));
  EXPECT_EQ(r, 2u);
  CInteger::Divide(r, q, CInteger(-8), 4);
  EXPECT_EQ(q, CInteger(-2));
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(CInteger(-7) % 2u, 1u);
  EXPECT_EQ(CInteger(-7).ModWord(5), 3u);
  EXPECT_EQ(CInteger(-7).ModWord(7), 0u);
  EXPECT_EQ(Hex("123456789abcdef").ModWord(1000003), 0x123456789abcdefull % 1000003);
  EXPECT_EQ(CInteger(100) / 7u, CInteger(14));
  CInteger remainder, quotient;
  CInteger::DivideByPow2(remainder, quotient, CInteger(-7), 1);
  EXPECT_EQ(quotient, CInteger(-4));
  EXPECT_EQ(remainder, CInteger(1));
  CInteger::DivideByPow2(remainder, quotient, Hex("-123456789abcdef"), 36);
  EXPECT_EQ(quotient, Hex("-123457"));
  EXPECT_EQ(remainder, Hex("1000000000") - Hex("789abcdef"));
}

TEST(Integer, SignedDivisorsAreTakenAsSignedValues) {
  EXPECT_EQ(CInteger(-7) / -2, CInteger(4));
  EXPECT_EQ(CInteger(-7) % -2, CInteger(1));
  EXPECT_EQ(CInteger(-7) % -3, CInteger(2));
  EXPECT_EQ(CInteger(-7) / -3, CInteger(3));
  EXPECT_EQ(CInteger(7) / -2, CInteger(-3));
  EXPECT_EQ(CInteger(7) % -2, CInteger(1));
  EXPECT_EQ(CInteger(-7) / 2, CInteger(-4));
  EXPECT_EQ(CInteger(-7) % 2, CInteger(1));
  EXPECT_EQ(Hex("-10000000000000000") / std::int32_t{-2147483647 - 1}, Hex("200000000"));
  // An unsigned divisor is a word.
  EXPECT_EQ(CInteger(-7) / 2u, CInteger(-4));
  EXPECT_EQ(CInteger(-7) % 3u, 2u);
}

TEST(Integer, DivisionByZeroThrows) {
  CInteger r, q;
  Word w;
  EXPECT_THROW(CInteger::Divide(r, q, CInteger(5), CInteger(0)), std::domain_error);
  EXPECT_THROW(CInteger::Divide(w, q, CInteger(5), 0), std::domain_error);
  EXPECT_THROW(CInteger(5).ModWord(0), std::domain_error);
  EXPECT_THROW(CInteger(5) % CInteger(), std::domain_error);
  EXPECT_THROW(CInteger(5) / CInteger(), std::domain_error);
}

TEST(Integer, ShiftsRoundTheMagnitude) {
  EXPECT_EQ(CInteger(-7) >> 1, CInteger(-3));
  EXPECT_EQ(CInteger(-1) >> 1, CInteger(0));
  EXPECT_FALSE((CInteger(-1) >> 1).IsNegative());
  EXPECT_EQ(CInteger(1) << 100, CInteger::PowerOfTwo(100));
  EXPECT_EQ(Hex("abc") << 36, Hex("abc000000000"));
  EXPECT_EQ(Hex("abc000000000") >> 40, Hex("ab"));
  EXPECT_EQ(CInteger(3) >> 64, CInteger(0));
}

TEST(Integer, ComparisonSignsFirst) {
  EXPECT_LT(CInteger(-5), CInteger(3));
  EXPECT_LT(CInteger(-5), CInteger(-3));
  EXPECT_GT(Hex("100000000"), Hex("ffffffff"));
  EXPECT_EQ(CInteger(7u, 64), CInteger(7));
  EXPECT_EQ(CInteger(7).Compare(CInteger(7)), 0);
}

TEST(Integer, ConstructionFromWords) {
  const Word words[3] = {0x01020304u, 0x05060708u, 0};
  EXPECT_EQ(CInteger(words, 3, false, false), Hex("0506070801020304"));
  EXPECT_EQ(CInteger(words, 2, true, true), -Hex("0807060504030201"));
  EXPECT_EQ(CInteger(true, 1, 2), -Hex("100000002"));
  CInteger a(5), b(-9);
  a.Swap(b);
  EXPECT_EQ(a, CInteger(-9));
  EXPECT_EQ(b, CInteger(5));
  a = a;
  EXPECT_EQ(a, CInteger(-9));
  EXPECT_EQ(CInteger(-9).Abs(), CInteger(9));
}

// Any length set with ResizeWords, also one the multipliers cannot halve, serves every
// operation: the value is what the words that were kept hold.
TEST(Integer, EveryOperationServesAnyResizedLength) {
  const CInteger wide = Hex("-fedcba9876543210fedcba9876543210fedcba9876543210fedcba987654321");
  const CInteger other = Hex("123456789abcdef0123456789");
  for (std::size_t length = 1; length <= 33; ++length) {
    CInteger x = wide;
    x.ResizeWords(length);
    ASSERT_EQ(x.AllocatedWords(), length);
    const CInteger kept = wide.Abs() % CInteger::PowerOfTwo(32 * length);
    const CInteger value = kept.IsZero() ? kept : -kept;
    ASSERT_EQ(x, value) << length;
    EXPECT_EQ(x * x, value * value) << length;
    EXPECT_EQ(x.Square(), value * value) << length;
    EXPECT_EQ(x * other, value * other) << length;
    EXPECT_EQ(x + other, value + other) << length;
    EXPECT_EQ(x - other, value - other) << length;
    EXPECT_EQ(other - x, other - value) << length;
    EXPECT_EQ(x / other, value / other) << length;
    EXPECT_EQ(x % other, value % other) << length;
    if (!value.IsZero()) {
      EXPECT_EQ(other / x, other / value) << length;
      EXPECT_EQ(other % x, other % value) << length;
      EXPECT_EQ(x / x, CInteger(1)) << length;
    }
    EXPECT_EQ(x << 70, value << 70) << length;
    EXPECT_EQ(x >> 33, value >> 33) << length;
    CInteger sum = x;
    sum += x;
    EXPECT_EQ(sum, value + value) << length;
    CInteger difference = x;
    difference -= other;
    EXPECT_EQ(difference, value - other) << length;
    CInteger product = x;
    product *= other;
    EXPECT_EQ(product, value * other) << length;
    CInteger incremented = x;
    ++incremented;
    EXPECT_EQ(incremented, value + 1) << length;
    CInteger decremented = x;
    --decremented;
    EXPECT_EQ(decremented, value - 1) << length;
  }
  // A length that cuts every set word away leaves plain zero.
  CInteger high = Hex("-500000000");
  high.ResizeWords(1);
  EXPECT_TRUE(high.IsZero());
  EXPECT_FALSE(high.IsNegative());
}

}  // namespace
