#pragma once
// Number theory on CInteger: greatest common divisor, modular inverses, square roots, modular
// exponentiation (plain and Montgomery), the Jacobi symbol and Lucas sequences.
#include <cstddef>

#include "crypto/Integer.h"

namespace crypto {

// Greatest common divisor (never negative); Gcd(0, 0) is 0.
CInteger Gcd(const CInteger& a, const CInteger& b);
// a^-1 mod m in [0, m), or 0 when there is none or m <= 0.
CInteger ModInverse(const CInteger& a, const CInteger& m);
// The same for a word modulus, by the extended Euclidean algorithm on words.
Word ModInverse(const CInteger& a, Word m);
Word WordModInverse(Word a, Word m);
// a when its magnitude is 1, else 0.
CInteger UnitInverse(const CInteger& a);
// Floor of the square root; 0 for a value that is not positive.
CInteger SquareRoot(const CInteger& a);
bool IsSquare(const CInteger& a);
CInteger MulMod(const CInteger& a, const CInteger& b, const CInteger& m);
// a^e mod m by left-to-right square and multiply with a full division after each step. The
// exponent's magnitude is used; an exponent of 0 gives 1 mod m and 1 gives a mod m.
CInteger ModExpPlain(const CInteger& a, const CInteger& e, const CInteger& m);
// a^e mod m, in Montgomery form for an odd m (an even m uses ModExpPlain). The exponent's
// magnitude is used.
CInteger ModExp(const CInteger& a, const CInteger& e, const CInteger& m);
// Jacobi symbol (a/b) for an odd positive b: -1, 0 or 1. Throws std::domain_error otherwise.
int Jacobi(const CInteger& a, const CInteger& b);
// V_e of the Lucas sequence with parameters (p, 1) modulo an odd n; 2 when e is 0.
CInteger Lucas(const CInteger& e, const CInteger& p, const CInteger& n);

// On N-word arrays with A < M, M odd: R = A / 2^k mod M (k halvings, adding M first whenever
// the value is odd) and R = A * 2^k mod M (k doublings, subtracting M whenever a doubling
// carries out or the value is not below M). R may be A.
void HalveModTimes(Word* r, const Word* a, std::size_t k, const Word* m, std::size_t n);
void DoubleModTimes(Word* r, const Word* a, std::size_t k, const Word* m, std::size_t n);

}  // namespace crypto
