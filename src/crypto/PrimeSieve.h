#pragma once
// Sieve of candidates first, first + step, ... up to last, struck out by the small primes,
// worked through in windows of at most 32768 candidates; and the prime search built on it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crypto/Integer.h"

namespace crypto {

// The 3511 primes below 32720: 2, 3, then every odd n from 5 to 32719 that no smaller table
// prime up to its square root divides. Built once.
const std::vector<std::uint16_t>& SmallPrimeTable();
// True when a value below 32720 is in the table.
bool IsSmallPrime(Word value);

class CPrimeSieve {
 public:
  static constexpr std::size_t kWindow = 32768;

  // With delta non-zero a candidate c is struck out as well when (c - delta) / 2 has a small
  // factor (the search for primes p whose (p - delta) / 2 is prime too).
  CPrimeSieve(const CInteger& first, const CInteger& last, const CInteger& step, Word delta);

  // The next candidate that no small prime divides; false when the range is used up.
  bool NextCandidate(CInteger& candidate);

 private:
  void Build();

  const std::vector<std::uint16_t>& m_primeTable;
  CInteger m_first;
  CInteger m_last;
  CInteger m_step;
  Word m_delta;
  std::size_t m_next = 0;
  std::vector<std::uint8_t> m_sieve;  // one byte per candidate, 1 = struck out
};

// The first prime among p, p + 2, p + 4, ... not above max, into p. An even p yields only even
// candidates and so finds nothing (2 excepted). False when there is none or p > max. Neither
// an even start nor values below zero cost a search.
bool NextPrimeUpTo(CInteger& p, const CInteger& max);

}  // namespace crypto
