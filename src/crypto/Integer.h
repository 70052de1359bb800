#pragma once
// CInteger: the library's arbitrary-precision signed integer (sign and magnitude), built on
// the word arrays of WordArray.h.
//
// The magnitude is a little-endian array of 32-bit words from the C heap whose allocated
// length is always rounded by RoundWordCount (2, 4, 8, 16, ... words), so that the recursive
// multipliers can halve it. Every array is wiped before it is released, since the values may
// be key material. Division follows the floor convention with a remainder that is never
// negative: q * d + r = a and 0 <= r < |d|. Dividing by zero throws std::domain_error.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/WordArray.h"

namespace crypto {

using words::DWord;
using words::Word;

class CInteger {
 public:
  // Word counts for n = 0..8: 2, 2, 2, 4, 4, 8, 8, 8, 8; then the next power of two.
  static std::size_t RoundWordCount(std::size_t n);

  CInteger();                                            // 0, two words
  CInteger(std::int32_t value);                          // NOLINT: numbers convert freely
  CInteger(bool negative, Word high, Word low);          // a two-word value with that sign
  CInteger(Word value, std::size_t length);              // room for `length` words, word 0 set
  // Copies `count` words (each byte-reversed when asked); the sign is taken as given.
  CInteger(const Word* words, std::size_t count, bool byteSwap, bool negative);
  // Hexadecimal text: every 0-9, A-F, a-f is a digit and any other character is skipped (so a
  // leading "0x" reads as the digit 0); a leading "-" negates. An empty text gives 0.
  explicit CInteger(std::string_view text);
  explicit CInteger(const char* text) : CInteger(std::string_view(text)) {}
  CInteger(const CInteger& other);
  CInteger(CInteger&& other);  // leaves other 0 (a fresh array)
  CInteger& operator=(const CInteger& other);
  CInteger& operator=(CInteger&& other) noexcept;
  ~CInteger();

  static CInteger PowerOfTwo(std::size_t n);
  static CInteger Zero() { return CInteger(); }
  static CInteger One() { return CInteger(1); }

  // Storage. AllocWords and AllocZeroed replace the array (a length of 0 is ignored);
  // GrowZeroed enlarges it keeping the value (new words zero) and does nothing when n is not
  // larger; ResizeWords sets the length to n, any n, keeping the words that fit (a value cut
  // to zero is non-negative). Every operation serves an array of any length.
  void AllocWords(std::size_t n);
  void AllocZeroed(std::size_t n);
  void GrowZeroed(std::size_t n);
  void ResizeWords(std::size_t n);
  Word* Words() { return m_words; }
  const Word* Words() const { return m_words; }
  std::size_t AllocatedWords() const { return m_size; }

  // Queries.
  bool IsNegative() const { return m_negative; }
  bool IsNonNegative() const { return !m_negative; }
  bool IsPositive() const { return !m_negative && !IsZero(); }
  bool IsZero() const { return WordCount() == 0; }
  bool IsEven() const { return (m_words[0] & 1) == 0; }
  bool IsOdd() const { return !IsEven(); }
  bool IsUnit() const { return WordCount() == 1 && m_words[0] == 1; }
  bool GetBit(std::size_t i) const;
  std::uint8_t GetByte(std::size_t i) const;
  Word GetBits(std::size_t i, unsigned n) const;         // n (<= 32) bits from bit i
  std::size_t WordCount() const;
  std::size_t ByteCount() const;
  std::size_t BitCount() const;
  bool FitsInt32() const;
  std::int32_t ToInt32() const;                          // -1 when it does not fit
  int Compare(const CInteger& other) const;              // -1, 0, 1
  bool IsDivisibleBy3() const { return ModWord(3) == 0; }
  // Lower-case hexadecimal, "-" first for a negative value ("0" for zero).
  std::string ToHexText() const;

  // Modifiers.
  void SetBit(std::size_t i, bool value = true);
  void Negate();                                         // zero stays non-negative
  void Swap(CInteger& other) noexcept;
  CInteger& operator++();
  CInteger& operator--();
  CInteger& operator<<=(std::size_t n);
  CInteger& operator>>=(std::size_t n);                  // rounds toward zero: -7 >> 1 is -3
  CInteger& operator+=(const CInteger& other);
  CInteger& operator-=(const CInteger& other);
  CInteger& operator*=(const CInteger& other);
  CInteger& operator/=(const CInteger& other);
  CInteger& operator%=(const CInteger& other);

  CInteger operator-() const;
  CInteger Abs() const;
  CInteger Square() const;
  friend CInteger operator+(const CInteger& a, const CInteger& b);
  friend CInteger operator-(const CInteger& a, const CInteger& b);
  friend CInteger operator*(const CInteger& a, const CInteger& b);
  friend CInteger operator/(const CInteger& a, const CInteger& b);
  friend CInteger operator%(const CInteger& a, const CInteger& b);
  friend CInteger operator/(const CInteger& a, Word b);
  friend Word operator%(const CInteger& a, Word b);
  // A signed divisor is a value like any other (-7 / -2 is 4, -7 % -3 is 2); only an unsigned
  // one is taken as a word.
  friend CInteger operator/(const CInteger& a, std::int32_t b) { return a / CInteger(b); }
  friend CInteger operator%(const CInteger& a, std::int32_t b) { return a % CInteger(b); }
  friend CInteger operator<<(const CInteger& a, std::size_t n);
  friend CInteger operator>>(const CInteger& a, std::size_t n);
  friend bool operator==(const CInteger& a, const CInteger& b) { return a.Compare(b) == 0; }
  friend std::strong_ordering operator<=>(const CInteger& a, const CInteger& b) {
    return a.Compare(b) <=> 0;
  }

  // Division, floor convention with 0 <= remainder < |divisor|.
  static void Divide(CInteger& remainder, CInteger& quotient, const CInteger& dividend,
                     const CInteger& divisor);
  static void Divide(Word& remainder, CInteger& quotient, const CInteger& dividend, Word divisor);
  // q = a >> n and r = the low n bits, floored for a negative a: q * 2^n + r = a, 0 <= r < 2^n.
  static void DivideByPow2(CInteger& remainder, CInteger& quotient, const CInteger& dividend,
                           std::size_t n);
  // The value modulo a word, never negative.
  Word ModWord(Word divisor) const;

 private:
  void Release();
  // Sets the array's length to n (not 0), keeping the words that fit and the sign.
  void Reallocate(std::size_t n);
  // The magnitude over `count` words, count not below WordCount(): the array itself when it
  // is that long, else `padded`, a copy grown with zero words.
  const Word* MagnitudeWords(std::size_t count, std::optional<CInteger>& padded) const;
  // *this += other, or -= other when subtract is set.
  void AddSigned(const CInteger& other, bool subtract);
  // Sum and difference of magnitudes into *this (which may be either operand).
  static void AddMagnitudes(CInteger& sum, const CInteger& a, const CInteger& b);
  static void SubtractMagnitudes(CInteger& difference, const CInteger& a, const CInteger& b);
  static void MultiplyInto(CInteger& product, const CInteger& a, const CInteger& b);
  // Divides magnitudes: |a| = q |d| + r with 0 <= r < |d|.
  static void DivideMagnitudes(CInteger& remainder, CInteger& quotient, const CInteger& a,
                               const CInteger& d);
  void MakeZeroNonNegative();

  Word* m_words = nullptr;
  std::size_t m_size = 0;
  bool m_negative = false;
};

}  // namespace crypto
