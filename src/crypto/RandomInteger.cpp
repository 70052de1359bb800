#include "crypto/RandomInteger.h"

#include <bit>
#include <stdexcept>

#include "crypto/PrimeSieve.h"

namespace crypto {

CInteger DrawInRange(CIsaacRandom& rng, const CInteger& min, const CInteger& max) {
  if (max < min || max.IsNegative()) {
    throw std::invalid_argument("DrawInRange: empty range");
  }
  // An offset of [0, span] is drawn and added to the low end, so that a narrow range far above
  // zero is found as quickly as a wide one (each draw lands in the range with odds of at least
  // one half).
  const CInteger low = min.IsNegative() ? CInteger() : min;
  const CInteger span = max - low;
  const std::size_t count = span.WordCount();
  if (count == 0) {
    rng.Next();
    return low;
  }
  const int topBits = std::bit_width(span.Words()[count - 1]);
  const Word mask = topBits == 32 ? ~Word{0} : (Word{1} << topBits) - 1;
  CInteger offset(0u, count);
  Word* words = offset.Words();
  do {
    for (std::size_t i = 0; i + 1 < count; ++i) {
      words[i] = rng.Next();
    }
    words[count - 1] = rng.Next() & mask;
  } while (offset > span);
  return low + offset;
}

namespace {

// Whether [min, max] holds a prime at all. The search from min tries only values of min's
// parity, so it starts from the odd value at or above min (2 is checked on its own).
bool PrimeExists(const CInteger& min, const CInteger& max) {
  const CInteger two(2);
  if (min <= two && two <= max) {
    return true;
  }
  CInteger start = min;
  if (start.IsEven()) {
    ++start;
  }
  return NextPrimeUpTo(start, max);
}

}  // namespace

bool DrawOfKind(CInteger& value, CIsaacRandom& rng, const CInteger& min, const CInteger& max,
                int kind) {
  if (max <= min || max.IsNegative()) {
    return false;
  }
  switch (static_cast<DrawKind>(kind)) {
    case DrawKind::kOdd: {
      CInteger drawn = DrawInRange(rng, min, max);
      drawn.SetBit(0);
      if (drawn > max) {
        return false;
      }
      value = drawn;
      return true;
    }
    case DrawKind::kPrime: {
      const CInteger reach(static_cast<std::int32_t>(2 * max.BitCount()));
      for (unsigned attempt = 1;; ++attempt) {
        if (attempt == 16 && !PrimeExists(min, max)) {
          return false;
        }
        CInteger candidate = DrawInRange(rng, min, max);
        CInteger bound = candidate + reach;
        if (bound > max) {
          bound = max;
        }
        // An even start finds nothing (only even values are tried) and is simply drawn again.
        if (NextPrimeUpTo(candidate, bound)) {
          value = candidate;
          return true;
        }
      }
    }
  }
  return false;
}

}  // namespace crypto
