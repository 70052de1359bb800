#pragma once
// Random integers drawn from an ISAAC generator: uniform in a range by rejection, odd, or prime.
#include "crypto/Integer.h"
#include "util/IsaacRandom.h"

namespace crypto {

// A uniform value of [min, max] (values below 0 are never drawn): an offset from the low end is
// drawn, word by word with the top word masked to the span's bit length, until it lies within
// the span; there is always at least one draw. Throws std::invalid_argument when max < min or
// max < 0.
CInteger DrawInRange(CIsaacRandom& rng, const CInteger& min, const CInteger& max);

enum class DrawKind { kOdd = 0, kPrime = 1 };

// Kind 0: an odd value of [min, max]. Kind 1: a prime of [min, max], searched upward from a
// random start. False when max <= min, for any other kind, or when no such value was found.
bool DrawOfKind(CInteger& value, CIsaacRandom& rng, const CInteger& min, const CInteger& max,
                int kind);

}  // namespace crypto
