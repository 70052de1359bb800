// Big-integer results against GMP on operands of up to 4096 bits drawn in shapes that stress
// carries, borrows and corrections (all-ones words that fill their array, powers of two and
// their neighbours, sparse words, divisors close to the dividend, arrays of any length): the
// arithmetic and its in-place forms, division (floor convention, remainder never negative) by
// integers, words, signed values and powers of two, shifts, bits, text, the number theory,
// modular powers, the prime tests and search, random draws and the recursive products.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "crypto/GmpOracle.h"
#include "crypto/IntegerPrinter.h"

namespace {

using crypto::CInteger;
using crypto::Word;
using gmporacle::Mpz;

class RandomDraw : public gmporacle::Draw {
 public:
  explicit RandomDraw(unsigned seed) : m_random(seed) {}
  std::uint32_t Below(std::uint32_t bound) override { return static_cast<std::uint32_t>(m_random() % bound); }
  Word AnyWord() override { return static_cast<Word>(m_random()); }

 private:
  std::mt19937 m_random;
};

// Each differing result is a failure; a test stops at the end of the round that had one.
class GmpDifferential : public ::testing::Test {
 protected:
  // body(draw, round) for each of `rounds` rounds, the operands drawn from the seed.
  template <typename Body>
  void Rounds(unsigned seed, int rounds, Body body) {
    RandomDraw draw(seed);
    for (int round = 0; round < rounds && !HasFailure(); ++round) body(draw, round);
  }

  const gmporacle::Report m_report = [](const std::string& what, const std::string& ours, const std::string& theirs) {
    ADD_FAILURE() << what << "\n  ours:   " << ours << "\n  theirs: " << theirs;
  };
};

TEST_F(GmpDifferential, ArithmeticDivisionShiftsAndText) {
  Rounds(2024, 5000, [&](RandomDraw& draw, int round) {
    const std::size_t words = round < 3000 ? 16 : 128;
    const CInteger a = gmporacle::Operand(draw, words);
    const CInteger b = gmporacle::Operand(draw, round % 3 == 0 ? words : words / 4, round % 2 == 0 ? &a : nullptr);
    gmporacle::CheckArithmetic(a, b, m_report);
    gmporacle::CheckDivision(a, b, m_report);
    const auto value = static_cast<std::int32_t>(draw.AnyWord());
    gmporacle::CheckSmallDivisors(a, draw.AnyWord() >> draw.Below(32), value >> draw.Below(32), draw.Below(300),
                                  m_report);
    gmporacle::CheckBitsAndText(a, draw.Below(static_cast<std::uint32_t>(32 * words + 64)), m_report);
  });
}

TEST_F(GmpDifferential, NumberTheory) {
  Rounds(77, 1200, [&](RandomDraw& draw, int round) {
    const std::size_t words = round < 1000 ? 32 : 128;
    const CInteger a = gmporacle::Operand(draw, words);
    const CInteger b = gmporacle::Operand(draw, words, round % 4 == 0 ? &a : nullptr);
    gmporacle::CheckNumberTheory(a, b, m_report);
  });
}

TEST_F(GmpDifferential, ModularExponentiation) {
  Rounds(4096, 160, [&](RandomDraw& draw, int round) {
    const std::size_t words = round < 120 ? 19 : 66;
    const CInteger base = gmporacle::Operand(draw, words);
    const CInteger exponent = gmporacle::Operand(draw, round < 150 ? words : 2);
    const CInteger modulus = gmporacle::Operand(draw, words);
    gmporacle::CheckPowers(base, exponent, modulus.IsZero() ? CInteger(7) : modulus, round % 8 == 0, m_report);
  });
}

TEST_F(GmpDifferential, PrimeTestsAndTheSearchForPrimes) {
  Rounds(31, 600, [&](RandomDraw& draw, int round) {
    CInteger n = gmporacle::Operand(draw, 1 + round % 4);
    if (round % 2 == 0) {  // every other value a prime
      const Mpz from(n.Abs());
      Mpz prime;
      mpz_nextprime(prime.get(), from.get());
      n = prime.ToInteger();
    }
    const CInteger start = gmporacle::Operand(draw, 1 + round % 3);
    gmporacle::CheckPrimes(n, start, draw.Below(round % 5 == 0 ? 40000 : 600), m_report);
  });
}

TEST_F(GmpDifferential, DrawsStayInTheirRange) {
  Rounds(5, 600, [&](RandomDraw& draw, int round) {
    const std::size_t words = round % 2 == 0 ? 1 : 8;
    const CInteger min = gmporacle::Operand(draw, words);
    const CInteger max = gmporacle::Operand(draw, words, &min);
    gmporacle::CheckDraws(draw.AnyWord(), min, max, m_report);
  });
}

TEST_F(GmpDifferential, RecursiveProductsOfEveryEvenLength) {
  RandomDraw draw(64);
  for (std::size_t n = 2; n <= 130 && !HasFailure(); n += 2) {
    for (int round = 0; round < 3; ++round) {
      std::vector<Word> a(n), b(n);
      for (std::size_t i = 0; i < n; ++i) {
        a[i] = round == 1 ? 0xFFFFFFFFu : draw.AnyWord();
        b[i] = round == 1 ? 0xFFFFFFFFu : draw.AnyWord();
      }
      gmporacle::CheckWordProducts(a, b, m_report);
    }
  }
}

}  // namespace
