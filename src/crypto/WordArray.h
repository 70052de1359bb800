#pragma once
// Arithmetic on little-endian arrays of 32-bit words (element 0 least significant): carries
// and borrows, shifts, fixed-size and recursive (Karatsuba) multiplication and long division.
// The caller owns every array and hands in the scratch space; nothing here allocates.
//
// The recursive multipliers take any even length; CInteger hands them powers of two from 2
// upward, which halve evenly down to the fixed 2-, 4-, 8- and 16-word products that end the
// recursion. A half the recursion cannot serve so (an odd one, or an even one below 16 that
// is no fixed size) is multiplied word by word.
#include <cstddef>
#include <cstdint>

namespace crypto::words {

using Word = std::uint32_t;
using DWord = std::uint64_t;
inline constexpr unsigned kWordBits = 32;

// C = A + B over N words; returns the carry out (0 or 1). C may be A or B.
Word Add(Word* c, const Word* a, const Word* b, std::size_t n);
// C = A - B over N words; returns the borrow out (0 or 1). C may be A or B.
Word Subtract(Word* c, const Word* a, const Word* b, std::size_t n);
// Adds (subtracts) the word b at word 0 and ripples; returns 1 when the carry (borrow)
// leaves the array.
Word Increment(Word* a, std::size_t n, Word b = 1);
Word Decrement(Word* a, std::size_t n, Word b = 1);
// Two's complement in place: subtract 1, then invert every word.
void NegateWords(Word* a, std::size_t n);
// -1, 0 or 1, comparing from the top word down.
int Compare(const Word* a, const Word* b, std::size_t n);
// Number of words below the top zero words.
std::size_t CountWords(const Word* a, std::size_t n);
// Shifts in place by 0..31 bits. Left returns the bits shifted out of the top (in the low bits
// of the result); right returns those shifted out of the bottom (in the high bits).
Word ShiftBitsLeft(Word* a, std::size_t n, unsigned shift);
Word ShiftBitsRight(Word* a, std::size_t n, unsigned shift);
// Moves whole words up (down) by `shift` places, filling with zeros.
void ShiftWholeWordsLeft(Word* a, std::size_t n, std::size_t shift);
void ShiftWholeWordsRight(Word* a, std::size_t n, std::size_t shift);
// C = A * b over N words; returns the top carry word.
Word MultiplyByWord(Word* c, const Word* a, Word b, std::size_t n);
// Copies N words, each byte-reversed when asked.
void CopyWords(Word* target, const Word* source, std::size_t n, bool byteReverse = false);
void SetWords(Word* target, Word value, std::size_t n);

// Products. R must not overlap A, B or T.
// R (2N words) = A * B; T: 2N words.
void KaratsubaMul(Word* r, Word* t, const Word* a, const Word* b, std::size_t n);
// R (2N words) = A * A; T: 2N words.
void KaratsubaSquare(Word* r, Word* t, const Word* a, std::size_t n);
// R (N words) = the lower N words of A * B; T: N words.
void KaratsubaMulLow(Word* r, Word* t, const Word* a, const Word* b, std::size_t n);
// R (N words) = the upper N words of A * B, given L, the lower N words of that product;
// T: 3N words.
void KaratsubaMulHigh(Word* r, Word* t, const Word* l, const Word* a, const Word* b,
                      std::size_t n);
// R (NA + NB words) = A * B for power-of-two lengths; T: 2 (NA + NB) words.
void MulUnequal(Word* r, Word* t, const Word* a, std::size_t na, const Word* b, std::size_t nb);

// Long division of A (NA words) by B (NB words, not zero, at most its top word zero): R gets
// the NB-word remainder and Q the NA - NB + 2 words of the quotient. T: NA + 2 NB + 4 words.
// NA >= NB.
void Divide(Word* r, Word* q, Word* t, const Word* a, std::size_t na, const Word* b,
            std::size_t nb);

}  // namespace crypto::words
