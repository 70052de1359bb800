#include "crypto/RsaKey.h"

#include <gtest/gtest.h>

#include <array>

#include "crypto/IntegerPrinter.h"
#include "crypto/ModularArithmetic.h"
#include "crypto/PrimeTests.h"

namespace {

using crypto::CInteger;
using crypto::CRsaKey;

void ExpectConsistentKey(const CRsaKey& key, unsigned bits) {
  const CInteger& p = *key.PrimeP();
  const CInteger& q = *key.PrimeQ();
  const CInteger& n = *key.Modulus();
  const CInteger& d = *key.PrivateExponent();
  const CInteger& e = *key.PublicExponent();
  const CInteger phi = (p - 1) * (q - 1);
  EXPECT_EQ(p.BitCount(), bits / 2);
  EXPECT_EQ(q.BitCount(), bits / 2);
  EXPECT_NE(p, q);
  EXPECT_TRUE(crypto::PrimeTest(p));
  EXPECT_TRUE(crypto::PrimeTest(q));
  EXPECT_EQ(n, p * q);
  EXPECT_GE(n.BitCount(), bits - 1 - bits % 2);
  EXPECT_LE(n.BitCount(), bits);
  EXPECT_EQ((e * d) % phi, CInteger(1));
  EXPECT_EQ((*key.InverseQModP() * q) % p, CInteger(1));
  EXPECT_EQ(*key.ExponentModP1(), d % (p - 1));
  EXPECT_EQ(*key.ExponentModQ1(), d % (q - 1));
  EXPECT_GE(d, CInteger::PowerOfTwo(bits - 2) + 1);
  EXPECT_LE(d, n - 2);
  // A message survives encryption and decryption, also through the Chinese remainders.
  const CInteger message = CInteger("123456789abcdef") % n;
  const CInteger cipher = crypto::ModExp(message, e, n);
  EXPECT_EQ(crypto::ModExp(cipher, d, n), message);
  const CInteger mp = crypto::ModExp(cipher, *key.ExponentModP1(), p);
  const CInteger mq = crypto::ModExp(cipher, *key.ExponentModQ1(), q);
  EXPECT_EQ(mq + q * ((*key.InverseQModP() * (mp - mq)) % p), message);
}

TEST(RsaKey, ValuesAreZeroBeforeAKeyIsMade) {
  const CRsaKey key;
  EXPECT_TRUE(key.Modulus()->IsZero());
  EXPECT_TRUE(key.PublicExponent()->IsZero());
  EXPECT_TRUE(key.InverseQModP()->IsZero());
}

TEST(RsaKey, A512BitKeyIsConsistent) {
  const std::array<std::uint8_t, 8> seed = {5, 1, 2};
  CRsaKey key(seed);
  ASSERT_EQ(key.GenerateKey(512), 1);
  ExpectConsistentKey(key, 512);
}

TEST(RsaKey, SmallAndOddSizes) {
  const std::array<std::uint8_t, 1> seed = {42};
  for (const unsigned bits : {6u, 8u, 9u, 10u, 33u, 65u, 128u}) {
    CRsaKey key(seed);
    ASSERT_EQ(key.GenerateKey(bits), 1) << bits;
    ExpectConsistentKey(key, bits);
  }
  CRsaKey system;
  ASSERT_EQ(system.GenerateKey(96), 1);
  ExpectConsistentKey(system, 96);
}

TEST(RsaKey, SizesWithoutAKeyAreRefused) {
  CRsaKey key;
  EXPECT_EQ(key.GenerateKey(5), 0);
  EXPECT_EQ(key.GenerateKey(0), 0);
  // 7 bits: the only primes are 5 and 7, and the only candidate for d shares a factor with phi.
  EXPECT_EQ(key.GenerateKey(7), 0);
  EXPECT_TRUE(key.Modulus()->IsZero());
}

}  // namespace
