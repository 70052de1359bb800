#pragma once
// GMP as the oracle of the big-integer library: values carried across, operands shaped to
// stress carries, borrows and corrections, and checks of every operation against GMP. The
// differential tests draw their operands from a seeded generator, the fuzz target of the
// integers from its input; both run the same checks.
#include <gmp.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "crypto/Integer.h"

namespace gmporacle {

using crypto::CInteger;
using crypto::Word;

class Mpz {
 public:
  Mpz() { mpz_init(m_value); }
  explicit Mpz(const CInteger& value);
  ~Mpz() { mpz_clear(m_value); }
  Mpz(const Mpz&) = delete;
  Mpz& operator=(const Mpz&) = delete;
  mpz_ptr get() { return m_value; }
  mpz_srcptr get() const { return m_value; }

  CInteger ToInteger() const;
  std::string ToHexText() const;

 private:
  mpz_t m_value;
};

// Where operand shapes come from: a whole number below a bound (0 < bound), or any word.
class Draw {
 public:
  virtual ~Draw() = default;
  virtual std::uint32_t Below(std::uint32_t bound) = 0;
  virtual Word AnyWord() = 0;
};

// One operand of at most maxWords significant words, of either sign: zero, one word, random
// words, all-ones words that fill a whole array, sparse words, 2^k - 1, 2^k plus or minus a
// little, or (with `near`) a value of about near's size; sometimes given a length of any
// number of words by ResizeWords, words that do not fit being cut away.
CInteger Operand(Draw& draw, std::size_t maxWords, const CInteger* near = nullptr);

// A result that differs from GMP's: what was computed, ours and theirs.
using Report = std::function<void(const std::string& what, const std::string& ours, const std::string& theirs)>;

// Sums, differences, products, squares, comparisons, negation, and the in-place forms (the
// operand on both sides too, ++ and --), on operands kept at their array lengths.
void CheckArithmetic(const CInteger& a, const CInteger& b, const Report& report);
// Quotient and remainder (q * b + r = a, 0 <= r < |b|) by every form, results on the operands
// too; a zero divisor must throw.
void CheckDivision(const CInteger& a, const CInteger& b, const Report& report);
// Division by a word, by a signed 32-bit value and by 2^shift; shifts both ways.
void CheckSmallDivisors(const CInteger& a, Word word, std::int32_t value, std::size_t shift, const Report& report);
// Lengths, bits, bytes, setting bits, the 32-bit conversion, queries and the text both ways.
void CheckBitsAndText(const CInteger& a, std::size_t bit, const Report& report);
// Greatest common divisor, inverses (by an integer and by a word), square roots, products
// modulo a value and the Jacobi symbol.
void CheckNumberTheory(const CInteger& a, const CInteger& b, const Report& report);
// Modular powers (Montgomery, and the plain one when asked) with |exponent| modulo |modulus|.
void CheckPowers(const CInteger& base, const CInteger& exponent, const CInteger& modulus, bool plainToo,
                 const Report& report);
// The prime tests on |n| and the search from `start` up to start + reach.
void CheckPrimes(const CInteger& n, const CInteger& start, Word reach, const Report& report);
// Draws from [min, max] (and odd ones) lie in the range; the seed picks the generator's start.
void CheckDraws(std::uint32_t seed, const CInteger& min, const CInteger& max, const Report& report);
// The word arrays' recursive products of two operands of the same even length.
void CheckWordProducts(const std::vector<Word>& a, const std::vector<Word>& b, const Report& report);

}  // namespace gmporacle
