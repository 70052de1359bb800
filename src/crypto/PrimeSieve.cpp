#include "crypto/PrimeSieve.h"

#include <algorithm>
#include <optional>

#include "crypto/ModularArithmetic.h"
#include "crypto/PrimeTests.h"

namespace crypto {

namespace {

constexpr Word kSmallPrimeBound = 32720;

std::vector<std::uint16_t> BuildSmallPrimeTable() {
  std::vector<std::uint16_t> table;
  table.reserve(3511);
  table.push_back(2);
  table.push_back(3);
  for (Word n = 5; n < kSmallPrimeBound; n += 2) {
    bool prime = true;
    for (std::size_t i = 1; i < table.size() && Word{table[i]} * table[i] <= n; ++i) {
      if (n % table[i] == 0) {
        prime = false;
        break;
      }
    }
    if (prime) {
      table.push_back(static_cast<std::uint16_t>(n));
    }
  }
  return table;
}

using Wide = __int128;

// The value when it has at most two significant words (so that sums and small multiples of
// it fit 128 bits); nothing otherwise.
std::optional<Wide> WideValue(const CInteger& value) {
  if (value.WordCount() > 2) {
    return std::nullopt;
  }
  const Wide magnitude = (static_cast<Wide>(value.GetBits(32, 32)) << 32) | value.GetBits(0, 32);
  return value.IsNegative() ? -magnitude : magnitude;
}

constexpr std::size_t kNoIndex = static_cast<std::size_t>(-1);

// The index i below `size` of the candidate first + i * step that is the prime p itself;
// kNoIndex when no candidate of the window is.
std::size_t IndexOfPrime(const CInteger& first, const CInteger& step, Word p, std::size_t size) {
  const std::optional<Wide> start = WideValue(first);
  const std::optional<Wide> stride = WideValue(step);
  if (start && stride) {
    const Wide distance = static_cast<Wide>(p) - *start;
    if (*stride <= 0 || distance < 0 || distance % *stride != 0 || distance / *stride >= static_cast<Wide>(size)) {
      return kNoIndex;
    }
    return static_cast<std::size_t>(distance / *stride);
  }
  const CInteger distance = CInteger(p, 1) - first;
  if (!step.IsPositive() || distance.IsNegative()) {
    return kNoIndex;
  }
  CInteger remainder, index;
  CInteger::Divide(remainder, index, distance, step);
  if (!remainder.IsZero() || index >= CInteger(static_cast<Word>(size), 1)) {
    return kNoIndex;
  }
  return index.Words()[0];
}

// Strikes out the candidates first + i * step (i < size) that the prime p divides, given the
// inverse of step modulo p (0 when there is none: then nothing is struck). A candidate equal
// to p itself stays; only a window that starts below the largest small prime (whatever its
// sign) can hold one.
void StrikeMultiples(std::vector<std::uint8_t>& sieve, Word p, const CInteger& first,
                     const CInteger& step, Word stepInverse, bool mayHoldSmallPrimes) {
  if (stepInverse == 0) {
    return;
  }
  const std::size_t j = static_cast<std::size_t>((static_cast<DWord>(p - first.ModWord(p)) * stepInverse) % p);
  const std::size_t kept = mayHoldSmallPrimes ? IndexOfPrime(first, step, p, sieve.size()) : kNoIndex;
  for (std::size_t i = j; i < sieve.size(); i += p) {
    if (i != kept) {
      sieve[i] = 1;
    }
  }
}

bool MayHoldSmallPrimes(const CInteger& first) {
  return first < CInteger(static_cast<std::int32_t>(kSmallPrimeBound));
}

}  // namespace

const std::vector<std::uint16_t>& SmallPrimeTable() {
  static const std::vector<std::uint16_t> table = BuildSmallPrimeTable();
  return table;
}

bool IsSmallPrime(Word value) {
  const auto& table = SmallPrimeTable();
  return value < kSmallPrimeBound && std::binary_search(table.begin(), table.end(), value);
}

CPrimeSieve::CPrimeSieve(const CInteger& first, const CInteger& last, const CInteger& step,
                         Word delta)
    : m_primeTable(SmallPrimeTable()), m_first(first), m_last(last), m_step(step), m_delta(delta) {
  Build();
}

void CPrimeSieve::Build() {
  m_next = 0;
  m_sieve.clear();
  if (m_last < m_first || !m_step.IsPositive()) {
    return;
  }
  const CInteger count = (m_last - m_first) / m_step + 1;
  const std::size_t size = count >= CInteger(static_cast<std::int32_t>(kWindow))
                               ? kWindow
                               : static_cast<std::size_t>(count.ToInt32());
  m_sieve.assign(size, 0);
  const CInteger halfFirst = (m_first - CInteger(false, 0, m_delta)) >> 1;
  const CInteger halfStep = m_step >> 1;
  const bool firstMayHold = MayHoldSmallPrimes(m_first);
  const bool halfMayHold = MayHoldSmallPrimes(halfFirst);
  for (const std::uint16_t prime : m_primeTable) {
    const Word p = prime;
    const Word stepInverse = ModInverse(m_step, p);
    StrikeMultiples(m_sieve, p, m_first, m_step, stepInverse, firstMayHold);
    if (m_delta != 0) {
      Word halfInverse = 2 * stepInverse;
      if (halfInverse >= p) {
        halfInverse -= p;
      }
      StrikeMultiples(m_sieve, p, halfFirst, halfStep, stepInverse == 0 ? 0 : halfInverse, halfMayHold);
    }
  }
}

bool CPrimeSieve::NextCandidate(CInteger& candidate) {
  for (;;) {
    const auto found = std::find(m_sieve.begin() + static_cast<std::ptrdiff_t>(m_next),
                                 m_sieve.end(), std::uint8_t{0});
    if (found != m_sieve.end()) {
      const auto index = static_cast<std::size_t>(found - m_sieve.begin());
      m_next = index + 1;
      candidate = m_first + m_step * CInteger(static_cast<Word>(index), 1);
      return true;
    }
    if (m_sieve.empty()) {
      return false;
    }
    m_first += m_step * CInteger(static_cast<Word>(m_sieve.size()), 1);
    if (m_first > m_last) {
      m_sieve.clear();
      return false;
    }
    Build();
  }
}

bool NextPrimeUpTo(CInteger& p, const CInteger& max) {
  if (p > max) {
    return false;
  }
  // The candidates keep p's parity. Among even ones only 2 is a prime, and no value below 2
  // is one: the search goes straight to the answer for an even start and past the values
  // below zero for an odd one, rather than through windows of candidates that cannot be
  // prime (which for a wide range would take for ever).
  const CInteger two(2);
  if (p.IsEven()) {
    if (p <= two && two <= max) {
      p = two;
      return true;
    }
    return false;
  }
  CPrimeSieve sieve(p.IsNegative() ? CInteger(1) : p, max, two, 0);
  CInteger candidate;
  while (sieve.NextCandidate(candidate)) {
    if (QuickPrpTest(candidate) && PrimeTest(candidate)) {
      p = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace crypto
