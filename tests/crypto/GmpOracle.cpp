#include "crypto/GmpOracle.h"

#include <array>
#include <stdexcept>
#include <utility>

#include "crypto/ModularArithmetic.h"
#include "crypto/PrimeSieve.h"
#include "crypto/PrimeTests.h"
#include "crypto/RandomInteger.h"
#include "crypto/WordArray.h"
#include "util/IsaacRandom.h"

namespace gmporacle {

Mpz::Mpz(const CInteger& value) : Mpz() {
  mpz_import(m_value, value.WordCount(), -1, sizeof(Word), 0, 0, value.Words());
  if (value.IsNegative()) mpz_neg(m_value, m_value);
}

CInteger Mpz::ToInteger() const {
  std::vector<Word> words((mpz_sizeinbase(m_value, 2) + 31) / 32 + 1, 0);
  std::size_t count = 0;
  mpz_export(words.data(), &count, -1, sizeof(Word), 0, 0, m_value);
  return CInteger(words.data(), count, false, mpz_sgn(m_value) < 0);
}

std::string Mpz::ToHexText() const {
  std::vector<char> text(mpz_sizeinbase(m_value, 16) + 2);
  mpz_get_str(text.data(), 16, m_value);
  return text.data();
}

namespace {

CInteger FromWords(const std::vector<Word>& words) { return CInteger(words.data(), words.size(), false, false); }

// A word count up to maxWords; half of them the lengths storage is rounded to, so that a
// value of all-ones words fills its whole array.
std::size_t WordCount(Draw& draw, std::size_t maxWords) {
  if (draw.Below(2) == 0) {
    std::size_t count = 1;
    for (std::uint32_t doublings = draw.Below(8); doublings > 0 && 2 * count <= maxWords; --doublings) count *= 2;
    return count;
  }
  return 1 + draw.Below(static_cast<std::uint32_t>(maxWords));
}

Word SparseWord(Draw& draw) {
  switch (draw.Below(5)) {
    case 0: return 0;
    case 1: return 0xFFFFFFFFu;
    case 2: return 1;
    case 3: return 0x80000000u;
    default: return draw.AnyWord();
  }
}

// The value with its array at the same length (a copy rounds it): in-place forms then work on
// the length the operand came with.
CInteger SameShape(const CInteger& value) {
  CInteger copy(value);
  copy.ResizeWords(value.AllocatedWords());
  return copy;
}

std::string Text(const CInteger& value) {
  return value.IsZero() && value.IsNegative() ? "-0 (a negative zero)" : value.ToHexText();
}

// GMP's quotient and remainder with 0 <= r < |b|: floored for a positive divisor, ceiled for
// a negative one.
void DivideAsTheLibrary(Mpz& q, Mpz& r, const Mpz& a, const Mpz& b) {
  if (mpz_sgn(b.get()) > 0) {
    mpz_fdiv_qr(q.get(), r.get(), a.get(), b.get());
  } else {
    mpz_cdiv_qr(q.get(), r.get(), a.get(), b.get());
  }
}

// Reports the results that differ, naming the operands only when one does.
class Checker {
 public:
  Checker(const Report& report, std::vector<const CInteger*> operands)
      : m_report(report), m_operands(std::move(operands)) {}

  void Same(const char* what, const CInteger& ours, const Mpz& theirs) {
    if (ours != theirs.ToInteger()) Fail(what, Text(ours), theirs.ToHexText());
  }
  void Same(const char* what, const CInteger& ours, const CInteger& theirs) {
    if (ours != theirs) Fail(what, Text(ours), Text(theirs));
  }
  void SameNumber(const char* what, unsigned long long ours, unsigned long long theirs) {
    if (ours != theirs) Fail(what, std::to_string(ours), std::to_string(theirs));
  }
  void Holds(const char* what, bool holds) {
    if (!holds) Fail(what, "false", "true");
  }
  template <typename Exception, typename Call>
  void Throws(const char* what, Call call) {
    bool threw = false;
    try {
      call();
    } catch (const Exception&) {
      threw = true;
    }
    Holds(what, threw);
  }

 private:
  void Fail(const char* what, const std::string& ours, const std::string& theirs) {
    std::string text = what;
    const char* separator = " of ";
    for (const CInteger* operand : m_operands) {
      text += separator + Text(*operand);
      separator = ", ";
    }
    m_report(text, ours, theirs);
  }

  const Report& m_report;
  std::vector<const CInteger*> m_operands;
};

}  // namespace

CInteger Operand(Draw& draw, std::size_t maxWords, const CInteger* near) {
  if (maxWords == 0) maxWords = 1;
  const auto maxBits = static_cast<std::uint32_t>(32 * maxWords);
  CInteger value;
  switch (draw.Below(near != nullptr ? 9 : 8)) {
    case 0:  // zero
      break;
    case 1:
      value = CInteger(draw.AnyWord(), 1);
      break;
    case 2:
    case 3:
    case 4: {
      std::vector<Word> words(WordCount(draw, maxWords));
      const std::uint32_t kind = draw.Below(3);
      for (Word& word : words) word = kind == 0 ? draw.AnyWord() : kind == 1 ? 0xFFFFFFFFu : SparseWord(draw);
      value = FromWords(words);
      break;
    }
    case 5:  // 2^k - 1: k ones
      value = CInteger::PowerOfTwo(1 + draw.Below(maxBits)) - CInteger(1);
      break;
    case 6:  // a power of two and its neighbours
      value = CInteger::PowerOfTwo(draw.Below(maxBits)) + CInteger(static_cast<std::int32_t>(draw.Below(7)) - 3);
      break;
    case 7: {  // the top bit of the top word and the bottom word set
      std::vector<Word> words(WordCount(draw, maxWords), 0);
      words.back() |= 0x80000000u;
      words.front() |= draw.AnyWord();
      value = FromWords(words);
      break;
    }
    default:  // about the size of `near`: a divisor close to the dividend
      value = (near->Abs() >> draw.Below(40)) + CInteger(static_cast<std::int32_t>(draw.Below(7)) - 3);
      break;
  }
  if (draw.Below(2) == 0) value.Negate();
  if (draw.Below(4) == 0) value.ResizeWords(1 + draw.Below(static_cast<std::uint32_t>(2 * maxWords + 2)));
  return value;
}

void CheckArithmetic(const CInteger& a, const CInteger& b, const Report& report) {
  Checker check(report, {&a, &b});
  const Mpz ma(a), mb(b);
  Mpz r;
  mpz_add(r.get(), ma.get(), mb.get());
  check.Same("a + b", a + b, r);
  CInteger x = SameShape(a);
  x += b;
  check.Same("a += b", x, r);
  mpz_sub(r.get(), ma.get(), mb.get());
  check.Same("a - b", a - b, r);
  x = SameShape(a);
  x -= b;
  check.Same("a -= b", x, r);
  mpz_sub(r.get(), mb.get(), ma.get());
  check.Same("b - a", b - a, r);
  mpz_mul(r.get(), ma.get(), mb.get());
  check.Same("a * b", a * b, r);
  x = SameShape(a);
  x *= b;
  check.Same("a *= b", x, r);
  mpz_mul(r.get(), ma.get(), ma.get());
  check.Same("a squared", a.Square(), r);
  check.Same("a * a", a * a, r);
  x = SameShape(a);
  x *= x;
  check.Same("a *= a", x, r);
  mpz_add(r.get(), ma.get(), ma.get());
  x = SameShape(a);
  x += x;
  check.Same("a += a", x, r);
  x = SameShape(a);
  x -= x;
  check.Same("a -= a", x, CInteger());
  mpz_add_ui(r.get(), ma.get(), 1);
  x = SameShape(a);
  ++x;
  check.Same("++a", x, r);
  mpz_sub_ui(r.get(), ma.get(), 1);
  x = SameShape(a);
  --x;
  check.Same("--a", x, r);
  mpz_neg(r.get(), ma.get());
  check.Same("-a", -a, r);
  mpz_abs(r.get(), ma.get());
  check.Same("|a|", a.Abs(), r);
  const int order = mpz_cmp(ma.get(), mb.get());
  const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
  check.SameNumber("the comparison (+1) of a and b", static_cast<unsigned>(a.Compare(b) + 1), static_cast<unsigned>(sign + 1));
  check.Holds("the operators agree with the comparison",
              (a == b) == (sign == 0) && (a < b) == (sign < 0) && (a <= b) == (sign <= 0) && (a > b) == (sign > 0));
}

void CheckDivision(const CInteger& a, const CInteger& b, const Report& report) {
  Checker check(report, {&a, &b});
  if (b.IsZero()) {
    check.Throws<std::domain_error>("division by zero throws", [&] {
      CInteger r, q;
      CInteger::Divide(r, q, a, b);
    });
    return;
  }
  const Mpz ma(a), mb(b);
  Mpz q, r;
  DivideAsTheLibrary(q, r, ma, mb);
  CInteger ourRemainder, ourQuotient;
  CInteger::Divide(ourRemainder, ourQuotient, a, b);
  check.Same("the quotient", ourQuotient, q);
  check.Same("the remainder", ourRemainder, r);
  check.Same("a / b", a / b, q);
  check.Same("a % b", a % b, r);
  CInteger x = SameShape(a);
  x /= b;
  check.Same("a /= b", x, q);
  x = SameShape(a);
  x %= b;
  check.Same("a %= b", x, r);
  // The results written over the operands.
  x = SameShape(a);
  CInteger y = SameShape(b);
  CInteger::Divide(x, y, x, y);
  check.Same("the remainder over the dividend", x, r);
  check.Same("the quotient over the divisor", y, q);
}

void CheckSmallDivisors(const CInteger& a, Word word, std::int32_t value, std::size_t shift, const Report& report) {
  Checker check(report, {&a});
  const Mpz ma(a);
  Mpz q, r;
  if (word != 0) {
    mpz_fdiv_qr_ui(q.get(), r.get(), ma.get(), word);
    Word ourRemainder = 0;
    CInteger ourQuotient;
    CInteger::Divide(ourRemainder, ourQuotient, a, word);
    check.Same("the quotient by a word", ourQuotient, q);
    check.SameNumber("the remainder by a word", ourRemainder, mpz_get_ui(r.get()));
    check.Same("a / word", a / word, q);
    check.SameNumber("a % word", a % word, mpz_get_ui(r.get()));
    check.SameNumber("a modulo a word", a.ModWord(word), mpz_get_ui(r.get()));
  }
  if (value != 0) {
    const Mpz mv{CInteger(value)};
    DivideAsTheLibrary(q, r, ma, mv);
    check.Same("a / a signed value", a / value, q);
    check.Same("a % a signed value", a % value, r);
  }
  CInteger ourRemainder, ourQuotient;
  CInteger::DivideByPow2(ourRemainder, ourQuotient, a, shift);
  mpz_fdiv_q_2exp(q.get(), ma.get(), shift);
  mpz_fdiv_r_2exp(r.get(), ma.get(), shift);
  check.Same("the quotient by a power of two", ourQuotient, q);
  check.Same("the remainder by a power of two", ourRemainder, r);
  mpz_mul_2exp(r.get(), ma.get(), shift);
  check.Same("a << shift", a << shift, r);
  CInteger x = SameShape(a);
  x <<= shift;
  check.Same("a <<= shift", x, r);
  mpz_tdiv_q_2exp(r.get(), ma.get(), shift);
  check.Same("a >> shift", a >> shift, r);
  x = SameShape(a);
  x >>= shift;
  check.Same("a >>= shift", x, r);
  check.Holds("divisible by 3", a.IsDivisibleBy3() == (mpz_divisible_ui_p(ma.get(), 3) != 0));
}

void CheckBitsAndText(const CInteger& a, std::size_t bit, const Report& report) {
  Checker check(report, {&a});
  const Mpz ma(a);
  Mpz magnitude;
  mpz_abs(magnitude.get(), ma.get());
  const std::size_t bits = mpz_sgn(ma.get()) == 0 ? 0 : mpz_sizeinbase(magnitude.get(), 2);
  check.SameNumber("the bit count", a.BitCount(), bits);
  check.SameNumber("the byte count", a.ByteCount(), (bits + 7) / 8);
  check.SameNumber("the word count", a.WordCount(), (bits + 31) / 32);
  check.Holds("a bit", a.GetBit(bit) == (mpz_tstbit(magnitude.get(), bit) != 0));
  Mpz shifted;
  mpz_tdiv_q_2exp(shifted.get(), magnitude.get(), 8 * (bit / 8));
  check.SameNumber("a byte", a.GetByte(bit / 8), mpz_get_ui(shifted.get()) & 0xFF);
  const unsigned width = 1 + static_cast<unsigned>(bit % 32);
  mpz_tdiv_q_2exp(shifted.get(), magnitude.get(), bit);
  check.SameNumber("a run of bits", a.GetBits(bit, width), mpz_get_ui(shifted.get()) & (0xFFFFFFFFu >> (32 - width)));
  for (const bool value : {true, false}) {
    Mpz expected;
    mpz_set(expected.get(), magnitude.get());
    if (value) {
      mpz_setbit(expected.get(), bit);
    } else {
      mpz_clrbit(expected.get(), bit);
    }
    if (a.IsNegative()) mpz_neg(expected.get(), expected.get());
    CInteger x = SameShape(a);
    x.SetBit(bit, value);
    check.Same(value ? "a bit set" : "a bit cleared", x, expected);
  }
  const bool fits = mpz_fits_sint_p(ma.get()) != 0;
  check.Holds("fits 32 bits", a.FitsInt32() == fits);
  check.SameNumber("as 32 bits", static_cast<std::uint32_t>(a.ToInt32()),
                   static_cast<std::uint32_t>(fits ? mpz_get_si(ma.get()) : -1));
  const std::string text = ma.ToHexText();
  if (a.ToHexText() != text) report(std::string("the text of ") + Text(a), a.ToHexText(), text);
  check.Same("the value of the text", CInteger(text), a);
  check.Holds("the queries", a.IsZero() == (mpz_sgn(ma.get()) == 0) && a.IsNegative() == (mpz_sgn(ma.get()) < 0) &&
                                 a.IsPositive() == (mpz_sgn(ma.get()) > 0) && a.IsEven() == (mpz_even_p(ma.get()) != 0) &&
                                 a.IsUnit() == (mpz_cmpabs_ui(ma.get(), 1) == 0));
}

void CheckNumberTheory(const CInteger& a, const CInteger& b, const Report& report) {
  Checker check(report, {&a, &b});
  const Mpz ma(a), mb(b);
  Mpz r;
  mpz_gcd(r.get(), ma.get(), mb.get());
  check.Same("the greatest common divisor", crypto::Gcd(a, b), r);

  const CInteger inverse = crypto::ModInverse(a, b);
  if (b > CInteger(1) && mpz_invert(r.get(), ma.get(), mb.get()) != 0) {
    check.Same("the inverse", inverse, r);
  } else {
    check.Same("no inverse", inverse, CInteger());
  }
  const Word word = b.GetBits(0, 32);
  if (word != 0) {
    Mpz mw;
    mpz_set_ui(mw.get(), word);
    const bool exists = word > 1 && mpz_invert(r.get(), ma.get(), mw.get()) != 0;
    check.SameNumber("the inverse by a word", crypto::ModInverse(a, word), exists ? mpz_get_ui(r.get()) : 0);
  }

  if (a.IsPositive()) {
    mpz_sqrt(r.get(), ma.get());
    check.Same("the square root", crypto::SquareRoot(a), r);
  } else {
    check.Same("the square root of a value not positive", crypto::SquareRoot(a), CInteger());
  }
  check.Holds("a square", crypto::IsSquare(a) == (mpz_perfect_square_p(ma.get()) != 0));

  if (!b.IsZero()) {
    Mpz product, q;
    mpz_mul(product.get(), ma.get(), ma.get());
    DivideAsTheLibrary(q, r, product, mb);
    check.Same("a * a modulo b", crypto::MulMod(a, a, b), r);
  }
  if (b.IsPositive() && b.IsOdd()) {
    check.SameNumber("the Jacobi symbol (+1)", static_cast<unsigned>(crypto::Jacobi(a, b) + 1),
                     static_cast<unsigned>(mpz_jacobi(ma.get(), mb.get()) + 1));
  } else {
    check.Throws<std::domain_error>("the Jacobi symbol refuses the modulus", [&] { crypto::Jacobi(a, b); });
  }
}

void CheckPowers(const CInteger& base, const CInteger& exponent, const CInteger& modulus, bool plainToo,
                 const Report& report) {
  const CInteger m = modulus.Abs();
  const CInteger e = exponent.Abs();
  if (m.IsZero()) return;
  Checker check(report, {&base, &e, &m});
  const Mpz mbase(base), me(e), mm(m);
  Mpz r;
  mpz_powm(r.get(), mbase.get(), me.get(), mm.get());
  check.Same("the power", crypto::ModExp(base, e, m), r);
  if (plainToo) check.Same("the plain power", crypto::ModExpPlain(base, e, m), r);
}

void CheckPrimes(const CInteger& n, const CInteger& start, Word reach, const Report& report) {
  const CInteger magnitude = n.Abs();
  Checker check(report, {&magnitude, &start});
  const Mpz mn(magnitude);
  const bool prime = mpz_probab_prime_p(mn.get(), 30) > 0;
  const std::array<std::uint8_t, 4> seed = {1, 2, 3, 4};
  CIsaacRandom rng(seed);
  check.Holds("the prime test", crypto::PrimeTest(magnitude) == prime);
  check.Holds("the prime test with Rabin-Miller rounds", crypto::CheckPrimeLevel(rng, magnitude, 0) == prime);
  if (prime) {
    check.Holds("a prime passes the base-2 test", crypto::QuickPrpTest(magnitude));
    // The Lucas test meets a Jacobi symbol of 0 at the smallest primes, which the prime test
    // finds in its table instead.
    if (magnitude > CInteger(32719)) {
      check.Holds("a prime passes the Lucas test", crypto::StrongLucasTest(magnitude));
    }
    check.Holds("a prime passes Rabin-Miller rounds", crypto::MillerRabinRounds(rng, magnitude, 2));
  }

  // The first prime among start, start + 2, ... up to start + reach; an even start reaches
  // only 2.
  const CInteger max = start + CInteger(reach, 1);
  const Mpz mstart(start), mmax(max);
  Mpz expected;
  bool found;
  if (start.IsEven()) {
    mpz_set_ui(expected.get(), 2);
    found = start <= CInteger(2) && CInteger(2) <= max;
  } else {
    if (start < CInteger(3)) {
      mpz_set_ui(expected.get(), 3);
    } else {
      Mpz below;
      mpz_sub_ui(below.get(), mstart.get(), 1);
      mpz_nextprime(expected.get(), below.get());
    }
    found = mpz_cmp(expected.get(), mmax.get()) <= 0;
  }
  CInteger p = start;
  check.Holds("whether a prime is found up to start + reach", crypto::NextPrimeUpTo(p, max) == found);
  if (found) {
    check.Same("the prime found", p, expected);
  } else {
    check.Same("the start kept", p, start);
  }
}

void CheckDraws(std::uint32_t seed, const CInteger& min, const CInteger& max, const Report& report) {
  Checker check(report, {&min, &max});
  const std::array<std::uint8_t, 4> seedBytes = {static_cast<std::uint8_t>(seed), static_cast<std::uint8_t>(seed >> 8),
                                                 static_cast<std::uint8_t>(seed >> 16), static_cast<std::uint8_t>(seed >> 24)};
  CIsaacRandom rng(seedBytes);
  CInteger value;
  if (max < min || max.IsNegative()) {
    check.Throws<std::invalid_argument>("an empty range is refused", [&] { crypto::DrawInRange(rng, min, max); });
    check.Holds("no odd value from an empty range", !crypto::DrawOfKind(value, rng, min, max, 0));
    return;
  }
  value = crypto::DrawInRange(rng, min, max);
  check.Holds("a draw lies in the range", min <= value && value <= max);
  if (max == min) {
    check.Holds("a range of one value gives no odd value", !crypto::DrawOfKind(value, rng, min, max, 0));
    return;
  }
  if (crypto::DrawOfKind(value, rng, min, max, 0)) {
    check.Holds("an odd draw is odd and in the range", value.IsOdd() && min <= value && value <= max);
  }
  check.Holds("an unknown kind gives nothing", !crypto::DrawOfKind(value, rng, min, max, 2));
  if (max.BitCount() <= 32) {
    const CInteger low = min.IsNegative() ? CInteger() : min;
    const Mpz mlow(low), mmax(max);
    Mpz below, next;
    mpz_sub_ui(below.get(), mlow.get(), 1);
    mpz_nextprime(next.get(), below.get());
    const bool exists = mpz_cmp(next.get(), mmax.get()) <= 0;
    const bool drawn = crypto::DrawOfKind(value, rng, min, max, 1);
    check.Holds("a prime is drawn where the range holds one", drawn == exists);
    if (drawn) {
      const Mpz mvalue(value);
      check.Holds("the prime drawn is a prime in the range",
                  mpz_probab_prime_p(mvalue.get(), 30) > 0 && min <= value && value <= max);
    }
  }
}

void CheckWordProducts(const std::vector<Word>& a, const std::vector<Word>& b, const Report& report) {
  const std::size_t n = a.size();
  const CInteger ia = FromWords(a), ib = FromWords(b);
  Checker check(report, {&ia, &ib});
  const Mpz ma(ia), mb(ib);
  Mpz product, square;
  mpz_mul(product.get(), ma.get(), mb.get());
  mpz_mul(square.get(), ma.get(), ma.get());
  std::vector<Word> r(2 * n), t(4 * n);
  crypto::words::KaratsubaMul(r.data(), t.data(), a.data(), b.data(), n);
  check.Same("the recursive product", FromWords(r), product);
  const std::vector<Word> full = r;
  crypto::words::KaratsubaSquare(r.data(), t.data(), a.data(), n);
  check.Same("the recursive square", FromWords(r), square);
  std::vector<Word> half(n);
  crypto::words::KaratsubaMulLow(half.data(), t.data(), a.data(), b.data(), n);
  check.Same("the low half", FromWords(half), FromWords({full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)}));
  crypto::words::KaratsubaMulHigh(half.data(), t.data(), full.data(), a.data(), b.data(), n);
  check.Same("the high half", FromWords(half), FromWords({full.begin() + static_cast<std::ptrdiff_t>(n), full.end()}));
}

}  // namespace gmporacle
