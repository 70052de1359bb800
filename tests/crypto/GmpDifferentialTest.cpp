// Big-integer results against GMP on random operands of up to 4096 bits: arithmetic, division
// (floor convention, remainder never negative), shifts, text, gcd, inverses, square roots,
// the Jacobi symbol and modular exponentiation.
#include <gmp.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "crypto/Integer.h"
#include "crypto/IntegerPrinter.h"
#include "crypto/ModularArithmetic.h"

namespace {

using crypto::CInteger;
using crypto::Word;

class Mpz {
 public:
  Mpz() { mpz_init(m_value); }
  explicit Mpz(const CInteger& value) : Mpz() {
    mpz_import(m_value, value.WordCount(), -1, sizeof(Word), 0, 0, value.Words());
    if (value.IsNegative()) {
      mpz_neg(m_value, m_value);
    }
  }
  ~Mpz() { mpz_clear(m_value); }
  Mpz(const Mpz&) = delete;
  Mpz& operator=(const Mpz&) = delete;
  mpz_ptr get() { return m_value; }

  CInteger ToInteger() const {
    std::vector<Word> words((mpz_sizeinbase(m_value, 2) + 31) / 32 + 1, 0);
    std::size_t count = 0;
    mpz_export(words.data(), &count, -1, sizeof(Word), 0, 0, m_value);
    return CInteger(words.data(), count, false, mpz_sgn(m_value) < 0);
  }

 private:
  mpz_t m_value;
};

// Operands that stress carries and corrections: random words, runs of all-ones or zero
// words, powers of two and values just around them.
class OperandSource {
 public:
  explicit OperandSource(unsigned seed) : m_random(seed) {}

  CInteger Next(std::size_t maxBits, bool allowNegative = true) {
    const std::size_t bits = 1 + m_random() % maxBits;
    const std::size_t count = (bits + 31) / 32;
    std::vector<Word> words(count);
    const unsigned pattern = m_random() % 8;
    for (auto& word : words) {
      switch (pattern) {
        case 0: word = 0xFFFFFFFFu; break;
        case 1: word = (m_random() % 4 == 0) ? static_cast<Word>(m_random()) : 0; break;
        case 2: word = (m_random() % 2 == 0) ? 0xFFFFFFFFu : 0; break;
        default: word = static_cast<Word>(m_random()); break;
      }
    }
    if (bits % 32 != 0) {
      words.back() &= (Word{1} << (bits % 32)) - 1;
    }
    CInteger value(words.data(), count, false, allowNegative && m_random() % 2 == 0);
    if (pattern == 3) {
      value = CInteger::PowerOfTwo(bits) + CInteger(static_cast<std::int32_t>(m_random() % 5) - 2);
    }
    return value;
  }

  std::mt19937& Random() { return m_random; }

 private:
  std::mt19937 m_random;
};

void ExpectSame(const CInteger& ours, Mpz& theirs, const char* what, const CInteger& a,
                const CInteger& b) {
  ASSERT_EQ(ours, theirs.ToInteger()) << what << " of " << a.ToHexText() << " and "
                                      << b.ToHexText();
}

TEST(GmpDifferential, ArithmeticDivisionShiftsAndText) {
  OperandSource source(2024);
  for (int round = 0; round < 2000; ++round) {
    const std::size_t limit = round < 1000 ? 512 : 4096;
    const CInteger a = source.Next(limit);
    CInteger b = source.Next(round % 3 == 0 ? limit : limit / 4);
    Mpz ma(a), mb(b), r;

    mpz_add(r.get(), ma.get(), mb.get());
    ExpectSame(a + b, r, "sum", a, b);
    mpz_sub(r.get(), ma.get(), mb.get());
    ExpectSame(a - b, r, "difference", a, b);
    mpz_mul(r.get(), ma.get(), mb.get());
    ExpectSame(a * b, r, "product", a, b);
    mpz_mul(r.get(), ma.get(), ma.get());
    ExpectSame(a.Square(), r, "square", a, a);

    if (!b.IsZero()) {
      // Floor division for a positive divisor, ceiling for a negative one: both keep the
      // remainder in [0, |b|).
      Mpz q, rem;
      if (mpz_sgn(mb.get()) > 0) {
        mpz_fdiv_qr(q.get(), rem.get(), ma.get(), mb.get());
      } else {
        mpz_cdiv_qr(q.get(), rem.get(), ma.get(), mb.get());
      }
      CInteger ourRemainder, ourQuotient;
      CInteger::Divide(ourRemainder, ourQuotient, a, b);
      ExpectSame(ourQuotient, q, "quotient", a, b);
      ExpectSame(ourRemainder, rem, "remainder", a, b);
    }
    const Word word = static_cast<Word>(source.Random()()) | (round % 2 == 0 ? 0 : 1);
    if (word != 0) {
      Mpz q, rem;
      mpz_fdiv_qr_ui(q.get(), rem.get(), ma.get(), word);
      Word ourRemainder;
      CInteger ourQuotient;
      CInteger::Divide(ourRemainder, ourQuotient, a, word);
      ExpectSame(ourQuotient, q, "word quotient", a, CInteger(word, 1));
      ASSERT_EQ(ourRemainder, mpz_get_ui(rem.get()));
      ASSERT_EQ(a.ModWord(word), mpz_get_ui(rem.get()));
    }

    const std::size_t shift = source.Random()() % 300;
    mpz_mul_2exp(r.get(), ma.get(), shift);
    ExpectSame(a << shift, r, "left shift", a, CInteger(static_cast<std::int32_t>(shift)));
    mpz_tdiv_q_2exp(r.get(), ma.get(), shift);
    ExpectSame(a >> shift, r, "right shift", a, CInteger(static_cast<std::int32_t>(shift)));

    std::vector<char> text(mpz_sizeinbase(ma.get(), 16) + 2);
    mpz_get_str(text.data(), 16, ma.get());
    ASSERT_EQ(a.ToHexText(), std::string(text.data()));
    ASSERT_EQ(CInteger(text.data()), a);
  }
}

TEST(GmpDifferential, NumberTheory) {
  OperandSource source(77);
  for (int round = 0; round < 600; ++round) {
    const CInteger a = source.Next(round < 500 ? 1024 : 4096);
    const CInteger b = source.Next(round < 500 ? 1024 : 4096, false);
    Mpz ma(a), mb(b), r;

    mpz_gcd(r.get(), ma.get(), mb.get());
    ExpectSame(crypto::Gcd(a, b), r, "gcd", a, b);

    const CInteger inverse = crypto::ModInverse(a, b);
    if (b > CInteger(1) && mpz_invert(r.get(), ma.get(), mb.get()) != 0) {
      ExpectSame(inverse, r, "inverse", a, b);
    } else {
      ASSERT_TRUE(inverse.IsZero()) << a.ToHexText() << " mod " << b.ToHexText();
    }

    const CInteger magnitude = a.Abs();
    Mpz mm(magnitude);
    mpz_sqrt(r.get(), mm.get());
    ExpectSame(crypto::SquareRoot(magnitude), r, "square root", magnitude, magnitude);

    if (b.IsOdd()) {
      ASSERT_EQ(crypto::Jacobi(a, b), mpz_jacobi(ma.get(), mb.get())) << a.ToHexText() << " "
                                                                      << b.ToHexText();
    }
  }
}

TEST(GmpDifferential, ModularExponentiation) {
  OperandSource source(4096);
  for (int round = 0; round < 160; ++round) {
    const std::size_t bits = round < 120 ? 600 : 2100;
    const CInteger base = source.Next(bits);
    const CInteger exponent = source.Next(round < 150 ? bits : 64, false);
    CInteger modulus = source.Next(bits, false);
    if (modulus.IsZero()) {
      modulus = CInteger(7);
    }
    Mpz mbase(base), mexp(exponent), mmod(modulus), r;
    mpz_powm(r.get(), mbase.get(), mexp.get(), mmod.get());
    ExpectSame(crypto::ModExp(base, exponent, modulus), r, "power", base, modulus);
    if (round % 8 == 0) {
      ExpectSame(crypto::ModExpPlain(base, exponent, modulus), r, "plain power", base, modulus);
    }
  }
}

}  // namespace
