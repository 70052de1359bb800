#include "crypto/WordArray.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using namespace crypto::words;
using Words = std::vector<Word>;

Words RandomWords(std::mt19937& random, std::size_t n) {
  Words a(n);
  for (auto& w : a) {
    w = static_cast<Word>(random());
  }
  return a;
}

// The product the way it is done by hand, one word at a time.
Words SchoolbookProduct(const Words& a, const Words& b) {
  Words r(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    DWord carry = 0;
    for (std::size_t j = 0; j < b.size(); ++j) {
      const DWord t = static_cast<DWord>(a[i]) * b[j] + r[i + j] + carry;
      r[i + j] = static_cast<Word>(t);
      carry = t >> 32;
    }
    r[i + b.size()] = static_cast<Word>(carry);
  }
  return r;
}

// The full product, the square, the low and the high half of two N-word operands, each
// against the schoolbook product.
void ExpectRecursiveProductsExact(const Words& a, const Words& b) {
  const std::size_t n = a.size();
  const Words expected = SchoolbookProduct(a, b);
  Words r(2 * n), t(3 * n);
  KaratsubaMul(r.data(), t.data(), a.data(), b.data(), n);
  ASSERT_EQ(r, expected) << "N=" << n;

  KaratsubaSquare(r.data(), t.data(), a.data(), n);
  ASSERT_EQ(r, SchoolbookProduct(a, a)) << "square N=" << n;

  Words low(n);
  KaratsubaMulLow(low.data(), t.data(), a.data(), b.data(), n);
  ASSERT_EQ(low, Words(expected.begin(), expected.begin() + n)) << "low N=" << n;

  Words high(n);
  KaratsubaMulHigh(high.data(), t.data(), expected.data(), a.data(), b.data(), n);
  ASSERT_EQ(high, Words(expected.begin() + n, expected.end())) << "high N=" << n;
}

TEST(WordArray, AddAndSubtractCarryThroughEveryWord) {
  const Words ones(8, 0xFFFFFFFFu);
  Words sum(8);
  EXPECT_EQ(Add(sum.data(), ones.data(), ones.data(), 8), 1u);
  EXPECT_EQ(sum[0], 0xFFFFFFFEu);
  for (std::size_t i = 1; i < 8; ++i) {
    EXPECT_EQ(sum[i], 0xFFFFFFFFu);
  }
  Words difference(8);
  const Words zero(8, 0);
  const Words one = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Subtract(difference.data(), zero.data(), one.data(), 8), 1u);
  EXPECT_EQ(difference, ones);
  // An odd length takes the last word on its own.
  Words three = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  const Words addend = {1, 0, 0};
  EXPECT_EQ(Add(three.data(), three.data(), addend.data(), 3), 1u);
  EXPECT_EQ(three, Words(3, 0));
}

TEST(WordArray, IncrementDecrementAndNegate) {
  Words a = {0xFFFFFFFFu, 0xFFFFFFFFu};
  EXPECT_EQ(Increment(a.data(), 2, 1), 1u);
  EXPECT_EQ(a, Words(2, 0));
  EXPECT_EQ(Decrement(a.data(), 2, 2), 1u);
  EXPECT_EQ(a, (Words{0xFFFFFFFEu, 0xFFFFFFFFu}));
  Words b = {5, 0};
  EXPECT_EQ(Increment(b.data(), 2, 0xFFFFFFFFu), 0u);
  EXPECT_EQ(b, (Words{4, 1}));
  NegateWords(b.data(), 2);  // -(2^32 + 4)
  EXPECT_EQ(b, (Words{0xFFFFFFFCu, 0xFFFFFFFEu}));
}

TEST(WordArray, ShiftsReturnTheBitsShiftedOut) {
  Words a = {0x80000001u, 0x40000000u};
  EXPECT_EQ(ShiftBitsLeft(a.data(), 2, 2), 1u);
  EXPECT_EQ(a, (Words{0x00000004u, 0x00000002u}));
  EXPECT_EQ(ShiftBitsRight(a.data(), 2, 3), 0x80000000u);
  EXPECT_EQ(a, (Words{0x40000000u, 0u}));
  EXPECT_EQ(ShiftBitsLeft(a.data(), 2, 0), 0u);
  Words b = {1, 2, 3, 4};
  ShiftWholeWordsLeft(b.data(), 4, 1);
  EXPECT_EQ(b, (Words{0, 1, 2, 3}));
  ShiftWholeWordsRight(b.data(), 4, 2);
  EXPECT_EQ(b, (Words{2, 3, 0, 0}));
  ShiftWholeWordsLeft(b.data(), 4, 9);
  EXPECT_EQ(b, Words(4, 0));
}

TEST(WordArray, CompareCountCopyAndMultiplyByWord) {
  const Words a = {1, 2, 0, 0};
  const Words b = {2, 1, 0, 0};
  EXPECT_EQ(Compare(a.data(), b.data(), 4), 1);
  EXPECT_EQ(Compare(b.data(), a.data(), 4), -1);
  EXPECT_EQ(Compare(a.data(), a.data(), 4), 0);
  EXPECT_EQ(CountWords(a.data(), 4), 2u);
  Words copy(2);
  const Words source = {0x01020304u, 0xA0B0C0D0u};
  CopyWords(copy.data(), source.data(), 2, true);
  EXPECT_EQ(copy, (Words{0x04030201u, 0xD0C0B0A0u}));
  Words product(2);
  EXPECT_EQ(MultiplyByWord(product.data(), source.data(), 0x100, 2), 0xA0u);
  EXPECT_EQ(product, (Words{0x02030400u, 0xB0C0D001u}));
}

TEST(WordArray, KaratsubaProductsEqualTheSchoolbookProduct) {
  std::mt19937 random(7);
  for (const std::size_t n : {2u, 4u, 8u, 16u, 32u, 64u, 128u}) {
    for (int round = 0; round < 20; ++round) {
      Words a = RandomWords(random, n);
      Words b = RandomWords(random, n);
      if (round == 1) {  // equal halves: the middle product is zero
        std::copy(a.begin(), a.begin() + n / 2, a.begin() + n / 2);
      }
      if (round == 2) {  // all ones: every carry ripples
        std::fill(a.begin(), a.end(), 0xFFFFFFFFu);
        std::fill(b.begin(), b.end(), 0xFFFFFFFFu);
      }
      if (round == 3) {  // every sign case of the halves' differences
        std::swap_ranges(b.begin(), b.begin() + n / 2, b.begin() + n / 2);
      }
      SCOPED_TRACE(testing::Message() << "round " << round);
      ExpectRecursiveProductsExact(a, b);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
}

// Any even length, also one whose halves are odd or no power of two, multiplies exactly.
TEST(WordArray, KaratsubaProductsOfEvenLengthsThatAreNoPowerOfTwo) {
  std::mt19937 random(24);
  for (const std::size_t n : {6u, 10u, 12u, 14u, 18u, 20u, 24u, 34u, 36u, 48u, 96u}) {
    for (int round = 0; round < 4; ++round) {
      Words a = RandomWords(random, n);
      Words b = RandomWords(random, n);
      if (round == 1) {
        std::fill(a.begin(), a.end(), 0xFFFFFFFFu);
        std::fill(b.begin(), b.end(), 0xFFFFFFFFu);
      }
      if (round == 2) {
        std::swap_ranges(b.begin(), b.begin() + n / 2, b.begin() + n / 2);
      }
      SCOPED_TRACE(testing::Message() << "round " << round);
      ExpectRecursiveProductsExact(a, b);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(WordArray, UnequalLengthsEqualTheSchoolbookProduct) {
  std::mt19937 random(11);
  for (const auto& [na, nb] : std::vector<std::pair<std::size_t, std::size_t>>{
           {2, 8}, {4, 8}, {4, 16}, {8, 64}, {16, 4}, {2, 32}, {32, 32}}) {
    Words a = RandomWords(random, na);
    const Words b = RandomWords(random, nb);
    Words r(na + nb), t(2 * (na + nb));
    MulUnequal(r.data(), t.data(), a.data(), na, b.data(), nb);
    EXPECT_EQ(r, SchoolbookProduct(a, b)) << na << "x" << nb;
  }
  // A two-word operand with a zero upper word: 0, 1 and any other word.
  const Words b = RandomWords(random, 16);
  for (const Word w : {0u, 1u, 0xDEADBEEFu}) {
    const Words a = {w, 0};
    Words r(18, 0x55555555u), t(36);
    MulUnequal(r.data(), t.data(), a.data(), 2, b.data(), 16);
    EXPECT_EQ(r, SchoolbookProduct(a, b)) << w;
  }
  // The same array on both sides is squared.
  const Words a = RandomWords(random, 16);
  Words r(32), t(64);
  MulUnequal(r.data(), t.data(), a.data(), 16, a.data(), 16);
  EXPECT_EQ(r, SchoolbookProduct(a, a));
}

TEST(WordArray, DivideGivesQuotientAndRemainder) {
  std::mt19937 random(3);
  // A value by itself: quotient 1, remainder 0.
  const Words a = RandomWords(random, 8);
  Words r(8), q(2), t(8 + 16 + 4);
  Divide(r.data(), q.data(), t.data(), a.data(), 8, a.data(), 8);
  EXPECT_EQ(q, (Words{1, 0}));
  EXPECT_EQ(r, Words(8, 0));

  for (int round = 0; round < 200; ++round) {
    const std::size_t nb = 2 << (round % 4);
    const std::size_t na = nb << (round % 3);
    Words dividend = RandomWords(random, na);
    Words divisor = RandomWords(random, nb);
    if (round % 5 == 0) {
      divisor[nb - 1] = 0;  // the top word of the divisor is zero
    }
    if (round % 4 == 0 && round % 3 == 1) {
      divisor[1] = 0;  // a one-word divisor
    }
    Words remainder(nb), quotient(na - nb + 2), scratch(na + 2 * nb + 4);
    Divide(remainder.data(), quotient.data(), scratch.data(), dividend.data(), na, divisor.data(),
           nb);
    // quotient * divisor + remainder == dividend, remainder < divisor
    Words check = SchoolbookProduct(quotient, divisor);
    check.resize(std::max(check.size(), na + 1), 0);
    Words paddedRemainder(check.size(), 0);
    std::copy(remainder.begin(), remainder.end(), paddedRemainder.begin());
    Add(check.data(), check.data(), paddedRemainder.data(), check.size());
    Words paddedDividend(check.size(), 0);
    std::copy(dividend.begin(), dividend.end(), paddedDividend.begin());
    ASSERT_EQ(check, paddedDividend) << "round " << round;
    ASSERT_LT(Compare(remainder.data(), divisor.data(), nb), 0) << "round " << round;
  }
}

}  // namespace
