#pragma once
// Probable-prime tests, cheapest first: the strong test to base 2, then the strong test to
// base 3 with the strong Lucas test, then rounds of Rabin-Miller to random bases.
#include <cstddef>

#include "crypto/Integer.h"
#include "util/IsaacRandom.h"

namespace crypto {

// Strong probable-prime test to base b (n <= 3 passes for 2 and 3 only).
bool StrongPrpTest(const CInteger& n, const CInteger& b);
// `rounds` strong tests to bases drawn from [2, n - 2].
bool MillerRabinRounds(CIsaacRandom& rng, const CInteger& n, unsigned rounds);
// Strong Lucas test with parameters (b, 1), b the first of 3, 5, 7, ... with (b^2 - 4 / n) != 1.
bool StrongLucasTest(const CInteger& n);
bool QuickPrpTest(const CInteger& n);
// A value below 32720 is looked up among the small primes (the Lucas test cannot judge the
// smallest primes, which divide its b^2 - 4); a larger one must pass the strong test to base 3
// and the strong Lucas test.
bool PrimeTest(const CInteger& n);
// PrimeTest and one Rabin-Miller round; for level 1 or more also 10 further rounds.
bool CheckPrimeLevel(CIsaacRandom& rng, const CInteger& n, unsigned level);

}  // namespace crypto
