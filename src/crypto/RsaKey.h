#pragma once
// CRsaKey: generates and holds one RSA key pair with its Chinese-remainder parameters
// (n, e, d, p, q, d mod (p - 1), d mod (q - 1), q^-1 mod p). The private exponent is drawn at
// random and the public exponent is its inverse modulo phi. Randomness comes from the key's
// own ISAAC generator.
#include <cstdint>
#include <span>

#include "crypto/Integer.h"
#include "util/IsaacRandom.h"

namespace crypto {

class CRsaKey {
 public:
  CRsaKey();                                               // generator seeded by the system
  explicit CRsaKey(std::span<const std::uint8_t> seed);    // a repeatable generator
  virtual ~CRsaKey() = default;                            // the values wipe themselves
  CRsaKey(const CRsaKey&) = delete;
  CRsaKey& operator=(const CRsaKey&) = delete;

  // Generates a key whose modulus has `bits` bits (an odd count gives primes of bits/2 rounded
  // down, so the modulus may be a bit shorter). Returns 1, or 0 for fewer than 6 bits or a
  // size too small to hold a key at all.
  int GenerateKey(unsigned bits);

  const CInteger* PublicExponent() const { return &m_e; }
  const CInteger* PrivateExponent() const { return &m_d; }
  const CInteger* Modulus() const { return &m_n; }
  const CInteger* PrimeP() const { return &m_p; }
  const CInteger* PrimeQ() const { return &m_q; }
  const CInteger* InverseQModP() const { return &m_u; }
  const CInteger* ExponentModP1() const { return &m_dp; }
  const CInteger* ExponentModQ1() const { return &m_dq; }

 private:
  // Two primes of [low, high] that pass CheckPrimeLevel at level 3.
  void DrawPrimePair(const CInteger& low, const CInteger& high, CInteger& p, CInteger& q);

  CIsaacRandom m_generator;
  CInteger m_e;
  CInteger m_d;
  CInteger m_n;
  CInteger m_p;
  CInteger m_q;
  CInteger m_u;
  CInteger m_dp;
  CInteger m_dq;
};

}  // namespace crypto
