#include "crypto/Integer.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>
#include <optional>
#include <stdexcept>

#include "crypto/ScratchWords.h"
#include "platform/Text.h"
#include "util/SecureWipe.h"

namespace crypto {

using namespace words;

namespace {

constexpr std::size_t RoundUpEven(std::size_t n) { return n + (n & 1); }

Word* AllocateWords(std::size_t n) {
  auto* words = static_cast<Word*>(std::malloc(n * sizeof(Word)));
  if (words == nullptr) {
    throw std::bad_alloc();
  }
  return words;
}

void ThrowDivisionByZero() { throw std::domain_error("CInteger: division by zero"); }

}  // namespace

std::size_t CInteger::RoundWordCount(std::size_t n) {
  static constexpr std::size_t kSmall[9] = {2, 2, 2, 4, 4, 8, 8, 8, 8};
  if (n <= 8) return kSmall[n];
  if (n <= 16) return 16;
  if (n <= 32) return 32;
  if (n <= 64) return 64;
  return std::bit_ceil(n);
}

CInteger::CInteger() { AllocZeroed(2); }

CInteger::CInteger(std::int32_t value) {
  AllocZeroed(2);
  if (value < 0) {
    m_negative = true;
    m_words[0] = static_cast<Word>(-static_cast<std::int64_t>(value));
  } else {
    m_words[0] = static_cast<Word>(value);
  }
}

CInteger::CInteger(bool negative, Word high, Word low) {
  AllocZeroed(2);
  m_words[0] = low;
  m_words[1] = high;
  m_negative = negative;
  MakeZeroNonNegative();
}

CInteger::CInteger(Word value, std::size_t length) {
  AllocZeroed(RoundWordCount(length));
  m_words[0] = value;
}

CInteger::CInteger(const Word* source, std::size_t count, bool byteSwap, bool negative) {
  AllocZeroed(RoundWordCount(count));
  CopyWords(m_words, source, count, byteSwap);
  m_negative = negative;
  MakeZeroNonNegative();
}

CInteger::CInteger(std::string_view text) {
  std::size_t digits = 0;
  for (const char c : text) {
    digits += platform::HexDigitValue(c) >= 0 ? 1 : 0;
  }
  AllocZeroed(RoundWordCount((digits + 7) / 8));
  // The last digit is the least significant: four bits each from the bottom up.
  std::size_t position = 0;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    const int digit = platform::HexDigitValue(*it);
    if (digit >= 0) {
      m_words[position / 8] |= static_cast<Word>(digit) << (4 * (position % 8));
      ++position;
    }
  }
  m_negative = !text.empty() && text.front() == '-';
  MakeZeroNonNegative();
}

CInteger::CInteger(const CInteger& other) {
  const std::size_t count = other.WordCount();
  AllocZeroed(RoundWordCount(count));
  CopyWords(m_words, other.m_words, count);
  m_negative = other.m_negative;
}

CInteger::CInteger(CInteger&& other) : CInteger() { Swap(other); }

CInteger& CInteger::operator=(const CInteger& other) {
  if (this == &other) {
    return *this;
  }
  const std::size_t count = other.WordCount();
  const std::size_t size = RoundWordCount(count);
  if (m_size != size) {
    AllocWords(size);
  }
  CopyWords(m_words, other.m_words, count);
  SetWords(m_words + count, 0, size - count);
  m_negative = other.m_negative;
  return *this;
}

CInteger& CInteger::operator=(CInteger&& other) noexcept {
  Swap(other);
  return *this;
}

CInteger::~CInteger() { Release(); }

void CInteger::Release() {
  if (m_words != nullptr) {
    SecureWipe(m_words, m_size * sizeof(Word));
    std::free(m_words);
  }
  m_words = nullptr;
  m_size = 0;
}

CInteger CInteger::PowerOfTwo(std::size_t n) {
  CInteger value(0u, n / kWordBits + 1);
  value.SetBit(n);
  return value;
}

void CInteger::AllocWords(std::size_t n) {
  if (n == 0) {
    return;
  }
  Word* fresh = AllocateWords(n);
  Release();
  m_words = fresh;
  m_size = n;
}

void CInteger::AllocZeroed(std::size_t n) {
  if (n == 0) {
    return;
  }
  AllocWords(n);
  SetWords(m_words, 0, n);
}

void CInteger::GrowZeroed(std::size_t n) {
  if (n <= m_size) {
    return;
  }
  // The sign stays as it is: a carry that grows the array has left the words it had all
  // zero for a moment, and the new top word is set only afterwards.
  Reallocate(n);
}

void CInteger::ResizeWords(std::size_t n) {
  if (n == 0 || n == m_size) {
    return;
  }
  Reallocate(n);
  MakeZeroNonNegative();  // a value cut down to zero words
}

void CInteger::Reallocate(std::size_t n) {
  // A fresh array rather than realloc, so that the old one can be wiped before release.
  Word* fresh = AllocateWords(n);
  const std::size_t kept = std::min(n, m_size);
  CopyWords(fresh, m_words, kept);
  SetWords(fresh + kept, 0, n - kept);
  const bool negative = m_negative;
  Release();
  m_words = fresh;
  m_size = n;
  m_negative = negative;
}

const Word* CInteger::MagnitudeWords(std::size_t count, std::optional<CInteger>& padded) const {
  if (count <= m_size) {
    return m_words;
  }
  padded.emplace(*this);
  padded->GrowZeroed(count);
  return padded->m_words;
}

void CInteger::MakeZeroNonNegative() {
  if (m_negative && IsZero()) {
    m_negative = false;
  }
}

bool CInteger::GetBit(std::size_t i) const {
  return i / kWordBits < m_size && ((m_words[i / kWordBits] >> (i % kWordBits)) & 1) != 0;
}

std::uint8_t CInteger::GetByte(std::size_t i) const {
  if (i / 4 >= m_size) {
    return 0;
  }
  return static_cast<std::uint8_t>(m_words[i / 4] >> (8 * (i % 4)));
}

Word CInteger::GetBits(std::size_t i, unsigned n) const {
  Word value = 0;
  for (unsigned k = 0; k < n && k < kWordBits; ++k) {
    value |= static_cast<Word>(GetBit(i + k)) << k;
  }
  return value;
}

std::size_t CInteger::WordCount() const { return CountWords(m_words, m_size); }

std::size_t CInteger::ByteCount() const {
  const std::size_t count = WordCount();
  if (count == 0) {
    return 0;
  }
  return (count - 1) * 4 + (static_cast<std::size_t>(std::bit_width(m_words[count - 1])) + 7) / 8;
}

std::size_t CInteger::BitCount() const {
  const std::size_t count = WordCount();
  if (count == 0) {
    return 0;
  }
  return (count - 1) * kWordBits + static_cast<std::size_t>(std::bit_width(m_words[count - 1]));
}

bool CInteger::FitsInt32() const {
  if (ByteCount() > 4) {
    return false;
  }
  const Word magnitude = m_words[0];
  return m_negative ? magnitude <= 0x80000000u : magnitude < 0x80000000u;
}

std::int32_t CInteger::ToInt32() const {
  if (!FitsInt32()) {
    return -1;
  }
  const std::int64_t magnitude = m_words[0];
  return static_cast<std::int32_t>(m_negative ? -magnitude : magnitude);
}

int CInteger::Compare(const CInteger& other) const {
  if (m_negative != other.m_negative) {
    return m_negative ? -1 : 1;
  }
  const std::size_t count = WordCount();
  const std::size_t otherCount = other.WordCount();
  int magnitude;
  if (count != otherCount) {
    magnitude = count > otherCount ? 1 : -1;
  } else {
    magnitude = words::Compare(m_words, other.m_words, count);
  }
  return m_negative ? -magnitude : magnitude;
}

std::string CInteger::ToHexText() const {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::size_t count = WordCount();
  if (count == 0) {
    return "0";
  }
  std::string text = m_negative ? "-" : "";
  bool leading = true;
  for (std::size_t i = count * 8; i-- > 0;) {
    const unsigned digit = (m_words[i / 8] >> (4 * (i % 8))) & 0xF;
    if (leading && digit == 0) {
      continue;
    }
    leading = false;
    text += kDigits[digit];
  }
  return text;
}

void CInteger::SetBit(std::size_t i, bool value) {
  if (value) {
    GrowZeroed(RoundWordCount(i / kWordBits + 1));
    m_words[i / kWordBits] |= Word{1} << (i % kWordBits);
  } else if (i / kWordBits < m_size) {
    m_words[i / kWordBits] &= ~(Word{1} << (i % kWordBits));
    MakeZeroNonNegative();
  }
}

void CInteger::Negate() {
  if (!IsZero()) {
    m_negative = !m_negative;
  }
}

void CInteger::Swap(CInteger& other) noexcept {
  std::swap(m_words, other.m_words);
  std::swap(m_size, other.m_size);
  std::swap(m_negative, other.m_negative);
}

namespace {

// Adds 1 to a magnitude, doubling the array when the carry leaves it.
void IncrementMagnitude(CInteger& value) {
  if (Increment(value.Words(), value.AllocatedWords())) {
    const std::size_t size = value.AllocatedWords();
    value.GrowZeroed(2 * size);
    value.Words()[size] = 1;
  }
}

}  // namespace

CInteger& CInteger::operator++() {
  if (!m_negative) {
    IncrementMagnitude(*this);
  } else {
    Decrement(m_words, m_size);
    MakeZeroNonNegative();
  }
  return *this;
}

CInteger& CInteger::operator--() {
  if (m_negative) {
    IncrementMagnitude(*this);
  } else if (IsZero()) {
    m_words[0] = 1;
    m_negative = true;
  } else {
    Decrement(m_words, m_size);
  }
  return *this;
}

CInteger& CInteger::operator<<=(std::size_t n) {
  const std::size_t wordShift = n / kWordBits;
  const auto bitShift = static_cast<unsigned>(n % kWordBits);
  GrowZeroed(RoundWordCount(WordCount() + (n + kWordBits - 1) / kWordBits));
  ShiftWholeWordsLeft(m_words, m_size, wordShift);
  ShiftBitsLeft(m_words, m_size, bitShift);
  return *this;
}

CInteger& CInteger::operator>>=(std::size_t n) {
  ShiftWholeWordsRight(m_words, m_size, n / kWordBits);
  ShiftBitsRight(m_words, m_size, static_cast<unsigned>(n % kWordBits));
  MakeZeroNonNegative();
  return *this;
}

void CInteger::AddMagnitudes(CInteger& sum, const CInteger& a, const CInteger& b) {
  const CInteger& longer = a.m_size >= b.m_size ? a : b;
  const CInteger& shorter = (&longer == &a) ? b : a;
  const std::size_t n = longer.m_size;
  const std::size_t m = shorter.m_size;
  Word carry;
  if (&sum == &longer) {
    carry = Add(sum.m_words, sum.m_words, shorter.m_words, m);
    carry = Increment(sum.m_words + m, n - m, carry);
  } else if (&sum == &shorter) {
    sum.GrowZeroed(n);
    carry = Add(sum.m_words, sum.m_words, longer.m_words, n);
  } else {
    if (sum.m_size != n) {
      sum.AllocWords(n);
    }
    carry = Add(sum.m_words, longer.m_words, shorter.m_words, m);
    CopyWords(sum.m_words + m, longer.m_words + m, n - m);
    carry = Increment(sum.m_words + m, n - m, carry);
  }
  if (carry != 0) {
    sum.GrowZeroed(2 * n);
    sum.m_words[n] = 1;
  }
}

void CInteger::SubtractMagnitudes(CInteger& difference, const CInteger& a, const CInteger& b) {
  // Over the significant words only: the arrays may have any length (ResizeWords), and the
  // word operations take odd lengths as well.
  const std::size_t aCount = a.WordCount();
  const std::size_t bCount = b.WordCount();
  int order;
  if (aCount != bCount) {
    order = aCount > bCount ? 1 : -1;
  } else {
    order = words::Compare(a.m_words, b.m_words, aCount);
  }
  const CInteger& larger = order >= 0 ? a : b;
  const CInteger& smaller = order >= 0 ? b : a;
  const std::size_t n = order >= 0 ? aCount : bCount;
  const std::size_t m = order >= 0 ? bCount : aCount;
  CInteger result(0u, n);
  Word borrow = Subtract(result.m_words, larger.m_words, smaller.m_words, m);
  CopyWords(result.m_words + m, larger.m_words + m, n - m);
  Decrement(result.m_words + m, n - m, borrow);
  result.m_negative = order < 0;
  result.MakeZeroNonNegative();
  difference.Swap(result);
}

void CInteger::AddSigned(const CInteger& other, bool subtract) {
  // Equal effective signs add the magnitudes; different ones subtract them, and the result
  // takes this value's sign when its magnitude was the larger.
  if (m_negative == (other.m_negative != subtract)) {
    AddMagnitudes(*this, *this, other);
  } else {
    const bool negative = m_negative;
    SubtractMagnitudes(*this, *this, other);
    if (negative) {
      Negate();
    }
  }
}

CInteger& CInteger::operator+=(const CInteger& other) {
  AddSigned(other, false);
  return *this;
}

CInteger& CInteger::operator-=(const CInteger& other) {
  AddSigned(other, true);
  return *this;
}

void CInteger::MultiplyInto(CInteger& product, const CInteger& a, const CInteger& b) {
  const bool negative = a.m_negative != b.m_negative;
  const std::size_t na = RoundWordCount(a.WordCount());
  const std::size_t nb = RoundWordCount(b.WordCount());
  CInteger result(0u, RoundWordCount(na + nb));
  ScratchWords scratch(2 * (na + nb));
  std::optional<CInteger> paddedA, paddedB;
  const Word* aWords = a.MagnitudeWords(na, paddedA);
  // The same array on both sides is squared.
  const Word* bWords = &a == &b ? aWords : b.MagnitudeWords(nb, paddedB);
  MulUnequal(result.m_words, scratch.Data(), aWords, na, bWords, nb);
  result.m_negative = negative;
  result.MakeZeroNonNegative();
  product.Swap(result);
}

CInteger& CInteger::operator*=(const CInteger& other) {
  MultiplyInto(*this, *this, other);
  return *this;
}

CInteger& CInteger::operator/=(const CInteger& other) {
  CInteger remainder;
  Divide(remainder, *this, *this, other);
  return *this;
}

CInteger& CInteger::operator%=(const CInteger& other) {
  CInteger quotient;
  Divide(*this, quotient, *this, other);
  return *this;
}

CInteger CInteger::operator-() const {
  CInteger result(*this);
  result.Negate();
  return result;
}

CInteger CInteger::Abs() const {
  CInteger result(*this);
  result.m_negative = false;
  return result;
}

CInteger CInteger::Square() const {
  CInteger result;
  MultiplyInto(result, *this, *this);
  return result;
}

CInteger operator+(const CInteger& a, const CInteger& b) {
  CInteger result(a);
  result += b;
  return result;
}

CInteger operator-(const CInteger& a, const CInteger& b) {
  CInteger result(a);
  result -= b;
  return result;
}

CInteger operator*(const CInteger& a, const CInteger& b) {
  CInteger result;
  CInteger::MultiplyInto(result, a, b);
  return result;
}

CInteger operator/(const CInteger& a, const CInteger& b) {
  CInteger remainder, quotient;
  CInteger::Divide(remainder, quotient, a, b);
  return quotient;
}

CInteger operator%(const CInteger& a, const CInteger& b) {
  CInteger remainder, quotient;
  CInteger::Divide(remainder, quotient, a, b);
  return remainder;
}

CInteger operator/(const CInteger& a, Word b) {
  Word remainder;
  CInteger quotient;
  CInteger::Divide(remainder, quotient, a, b);
  return quotient;
}

Word operator%(const CInteger& a, Word b) { return a.ModWord(b); }

CInteger operator<<(const CInteger& a, std::size_t n) {
  CInteger result(a);
  result <<= n;
  return result;
}

CInteger operator>>(const CInteger& a, std::size_t n) {
  CInteger result(a);
  result >>= n;
  return result;
}

void CInteger::DivideMagnitudes(CInteger& remainder, CInteger& quotient, const CInteger& a,
                                const CInteger& d) {
  const std::size_t dCount = d.WordCount();
  if (dCount == 0) {
    ThrowDivisionByZero();
  }
  const std::size_t aCount = a.WordCount();
  const bool smaller = aCount < dCount || (aCount == dCount &&
                                           words::Compare(a.m_words, d.m_words, aCount) < 0);
  if (smaller) {
    CInteger r = a.Abs();
    remainder.Swap(r);
    CInteger zero;
    quotient.Swap(zero);
    return;
  }
  // The lengths rounded up to even, over arrays padded where they are shorter (ResizeWords).
  const std::size_t na = RoundUpEven(aCount);
  const std::size_t nb = RoundUpEven(dCount);
  std::optional<CInteger> paddedA, paddedD;
  const Word* aWords = a.MagnitudeWords(na, paddedA);
  const Word* dWords = d.MagnitudeWords(nb, paddedD);
  CInteger r(0u, nb);
  CInteger q(0u, na - nb + 2);
  ScratchWords scratch(na + 2 * nb + 4);
  words::Divide(r.m_words, q.m_words, scratch.Data(), aWords, na, dWords, nb);
  remainder.Swap(r);
  quotient.Swap(q);
}

void CInteger::Divide(CInteger& remainder, CInteger& quotient, const CInteger& dividend,
                      const CInteger& divisor) {
  const bool dividendNegative = dividend.m_negative;
  const bool divisorNegative = divisor.m_negative;
  CInteger r, q;
  DivideMagnitudes(r, q, dividend, divisor);
  if (dividendNegative) {
    if (!r.IsZero()) {
      IncrementMagnitude(q);
      r = divisor.Abs() - r;
    }
    q.Negate();
  }
  if (divisorNegative) {
    q.Negate();
  }
  remainder.Swap(r);
  quotient.Swap(q);
}

void CInteger::Divide(Word& remainder, CInteger& quotient, const CInteger& dividend, Word divisor) {
  if (divisor == 0) {
    ThrowDivisionByZero();
  }
  const bool negative = dividend.m_negative;
  const std::size_t count = dividend.WordCount();
  CInteger q(0u, count);
  Word r;
  if (std::has_single_bit(divisor)) {
    const auto shift = static_cast<std::size_t>(std::countr_zero(divisor));
    r = dividend.m_words[0] & (divisor - 1);
    q = dividend.Abs();
    q >>= shift;
  } else {
    DWord rest = 0;
    for (std::size_t i = count; i-- > 0;) {
      const DWord current = (rest << 32) | dividend.m_words[i];
      q.m_words[i] = static_cast<Word>(current / divisor);
      rest = current % divisor;
    }
    r = static_cast<Word>(rest);
  }
  if (negative) {
    if (r != 0) {
      IncrementMagnitude(q);
      r = divisor - r;
    }
    q.Negate();
  }
  remainder = r;
  quotient.Swap(q);
}

void CInteger::DivideByPow2(CInteger& remainder, CInteger& quotient, const CInteger& dividend,
                            std::size_t n) {
  const bool negative = dividend.m_negative;
  CInteger q = dividend.Abs();
  q >>= n;
  CInteger r(0u, n / kWordBits + 1);
  const std::size_t wholeWords = std::min(n / kWordBits, dividend.m_size);
  CopyWords(r.m_words, dividend.m_words, wholeWords);
  if (wholeWords < dividend.m_size && n % kWordBits != 0) {
    r.m_words[wholeWords] = dividend.m_words[wholeWords] & ((Word{1} << (n % kWordBits)) - 1);
  }
  if (negative) {
    if (!r.IsZero()) {
      IncrementMagnitude(q);
      r = PowerOfTwo(n) - r;
    }
    q.Negate();
  }
  remainder.Swap(r);
  quotient.Swap(q);
}

Word CInteger::ModWord(Word divisor) const {
  if (divisor == 0) {
    ThrowDivisionByZero();
  }
  Word r;
  const std::size_t count = WordCount();
  if (std::has_single_bit(divisor)) {
    r = m_words[0] & (divisor - 1);
  } else if (divisor <= 5) {
    // 2^32 is 1 modulo 3 and 5, so the words may simply be summed.
    DWord sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
      sum += m_words[i];
    }
    r = static_cast<Word>(sum % divisor);
  } else {
    DWord rest = 0;
    for (std::size_t i = count; i-- > 0;) {
      rest = ((rest << 32) | m_words[i]) % divisor;
    }
    r = static_cast<Word>(rest);
  }
  return (m_negative && r != 0) ? divisor - r : r;
}

}  // namespace crypto
