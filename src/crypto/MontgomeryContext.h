#pragma once
// Montgomery arithmetic modulo an odd m of N words (N a power of two): values are kept as
// x * 2^(32N) mod m, so that a product needs no division, only the reduction
// REDC(T) = T / 2^(32N) mod m.
#include <cstddef>

#include "crypto/Integer.h"
#include "crypto/ScratchWords.h"

namespace crypto {

class CMontgomeryContext {
 public:
  // Throws std::domain_error for an even modulus (it has no Montgomery form). A negative
  // modulus is taken by its magnitude.
  explicit CMontgomeryContext(const CInteger& modulus);
  CMontgomeryContext(const CMontgomeryContext&) = delete;
  CMontgomeryContext& operator=(const CMontgomeryContext&) = delete;

  std::size_t WordLength() const { return m_n; }
  const CInteger& Modulus() const { return m_modulus; }

  CInteger ConvertIn(const CInteger& a) const;     // a * 2^(32N) mod m
  CInteger ConvertOut(const CInteger& a);          // a / 2^(32N) mod m
  // Operands in Montgomery form, reduced below m.
  CInteger Multiply(const CInteger& a, const CInteger& b);
  CInteger Square(const CInteger& a);
  CInteger Subtract(const CInteger& a, const CInteger& b) const;

  // The same on N-word arrays; r may be a or b.
  void MultiplyWords(Word* r, const Word* a, const Word* b);
  void SquareWords(Word* r, const Word* a);

 private:
  // r = REDC of the 2N-word product at the start of the workspace.
  void Reduce(Word* r);
  CInteger Result(const Word* words) const;

  std::size_t m_n;
  CInteger m_modulus;      // N words
  CInteger m_inverse;      // m^-1 mod 2^(32N), N words
  ScratchWords m_workspace;
};

}  // namespace crypto
