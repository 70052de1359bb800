// Blowfish: the published test vectors, the key-schedule rules the stored data relies on
// (keys cut to 56 bytes, a short key reused from its start), the chained modes, the refused
// lengths, and OpenSSL's Blowfish as an oracle over random keys and data.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "crypto/HexText.h"
#include "platform/Text.h"
#include "util/Blowfish.h"
#include "util/OpenSslBlowfish.h"

namespace {

using util::BlowfishBlock;
using util::CBlowfish;

using cryptotest::FromHex;

// Upper-case hexadecimal text, as the published vectors are written.
std::string ToHex(const std::uint8_t* bytes, std::size_t size) {
  return platform::ToUpper(cryptotest::ToHex(bytes, size));
}

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// Eric Young's published ECB test vectors (a selection).
constexpr Vector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
};

TEST(Blowfish, PublishedVectorsEncryptAndDecrypt) {
  for (const Vector& vector : kEcbVectors) {
    SCOPED_TRACE(vector.key);
    const std::vector<std::uint8_t> key = FromHex(vector.key);
    const CBlowfish cipher(key.data(), static_cast<std::uint32_t>(key.size()));
    std::vector<std::uint8_t> buffer = FromHex(vector.plain);
    cipher.EncryptBuffer(buffer.data(), 8, util::kBlowfishEcb);
    EXPECT_EQ(ToHex(buffer.data(), 8), vector.cipher);
    cipher.DecryptBuffer(buffer.data(), 8, util::kBlowfishEcb);
    EXPECT_EQ(ToHex(buffer.data(), 8), vector.plain);

    BlowfishBlock block = util::BytesToBlock(FromHex(vector.plain).data());
    cipher.EncryptBlock(block);
    std::uint8_t bytes[8];
    util::BlockToBytes(block, bytes);
    EXPECT_EQ(ToHex(bytes, 8), vector.cipher);
    cipher.DecryptBlock(block);
    EXPECT_EQ(block, util::BytesToBlock(FromHex(vector.plain).data()));
  }
}

TEST(Blowfish, BlockBytesAreBigEndianLeftThenRight) {
  const std::uint8_t bytes[8] = {0x01, 0x02, 0x03, 0x04, 0xA5, 0xB6, 0xC7, 0xD8};
  const BlowfishBlock block = util::BytesToBlock(bytes);
  EXPECT_EQ(block.left, 0x01020304u);
  EXPECT_EQ(block.right, 0xA5B6C7D8u);
  std::uint8_t back[8] = {};
  util::BlockToBytes(block, back);
  EXPECT_EQ(0, std::memcmp(back, bytes, 8));
}

TEST(Blowfish, KeyLongerThan56BytesIsCut) {
  std::vector<std::uint8_t> key(60);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const CBlowfish longKey(key.data(), 60);
  const CBlowfish cutKey(key.data(), 56);
  const CBlowfish shorterKey(key.data(), 55);
  std::uint8_t a[16] = "fifteen bytes!!";
  std::uint8_t b[16];
  std::uint8_t c[16];
  std::memcpy(b, a, 16);
  std::memcpy(c, a, 16);
  longKey.EncryptBuffer(a, 16);
  cutKey.EncryptBuffer(b, 16);
  shorterKey.EncryptBuffer(c, 16);
  EXPECT_EQ(0, std::memcmp(a, b, 16));
  EXPECT_NE(0, std::memcmp(a, c, 16));
}

TEST(Blowfish, ShortKeyIsReusedFromItsStart) {
  // A 3-byte key feeds P with k1 k2 k3 k1, k2 k3 k1 k2, ...: the same as the 12-byte key
  // that repeats it four times (and as the 6-byte key k1 k2 k3 k1 k2 k3).
  const std::uint8_t three[3] = {0x11, 0x22, 0x33};
  const std::uint8_t twelve[12] = {0x11, 0x22, 0x33, 0x11, 0x22, 0x33, 0x11, 0x22, 0x33, 0x11, 0x22, 0x33};
  const std::uint8_t other[4] = {0x11, 0x22, 0x33, 0x00};
  std::uint8_t a[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::uint8_t c[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  CBlowfish(three, 3).EncryptBuffer(a, 8);
  CBlowfish(twelve, 12).EncryptBuffer(b, 8);
  CBlowfish(other, 4).EncryptBuffer(c, 8);
  EXPECT_EQ(0, std::memcmp(a, b, 8));
  EXPECT_NE(0, std::memcmp(a, c, 8));
}

TEST(Blowfish, RefusesEmptyKeyAndPartialBlocks) {
  const std::uint8_t key[4] = {1, 2, 3, 4};
  try {
    CBlowfish cipher(key, 0);
    FAIL() << "a key of length 0 was accepted";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "Incorrect key length");
  }
  const CBlowfish cipher(key, 4);
  std::uint8_t buffer[16];
  for (int i = 0; i < 16; ++i) buffer[i] = static_cast<std::uint8_t>(i);
  std::uint8_t before[16];
  std::memcpy(before, buffer, 16);
  for (std::uint32_t length : {0u, 12u, 7u}) {
    for (int mode : {util::kBlowfishEcb, util::kBlowfishCbc, util::kBlowfishCfb}) {
      try {
        cipher.EncryptBuffer(buffer, length, mode);
        FAIL() << "length " << length << " was accepted";
      } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Incorrect buffer length");
      }
      EXPECT_THROW(cipher.DecryptBuffer(buffer, buffer, length, mode), std::invalid_argument);
    }
  }
  EXPECT_EQ(0, std::memcmp(buffer, before, 16));
}

TEST(Blowfish, ChainedModesRoundTripAndRestartEveryCall) {
  const std::vector<std::uint8_t> key = FromHex("0123456789ABCDEFF0E1D2C3B4A59687");
  const BlowfishBlock chain(0xFEDCBA98, 0x76543210);
  const CBlowfish sender(key.data(), 16, chain);
  const CBlowfish receiver(key.data(), 16, chain);
  for (int mode : {util::kBlowfishCbc, util::kBlowfishCfb}) {
    SCOPED_TRACE(mode);
    const std::string text = "7654321 Now is the time for ";  // 28 bytes + 4 zero bytes
    std::uint8_t plain[32] = {};
    std::memcpy(plain, text.data(), text.size());
    std::uint8_t cipherText[32];
    sender.EncryptBuffer(plain, cipherText, 32, mode);
    EXPECT_NE(0, std::memcmp(plain, cipherText, 32));
    std::uint8_t restored[32];
    receiver.DecryptBuffer(cipherText, restored, 32, mode);
    EXPECT_EQ(0, std::memcmp(plain, restored, 32));

    // Two calls of 8 bytes: the first block as in one call, the second not (the chain
    // starts again from the constructor's block).
    std::uint8_t split[16];
    std::memcpy(split, plain, 16);
    sender.EncryptBuffer(split, 8, mode);
    sender.EncryptBuffer(split + 8, 8, mode);
    EXPECT_EQ(0, std::memcmp(split, cipherText, 8));
    EXPECT_NE(0, std::memcmp(split + 8, cipherText + 8, 8));
    EXPECT_EQ(sender.InitialChain(), chain);
  }
  // A mode that is neither CBC nor CFB works as ECB.
  std::uint8_t ecb[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::uint8_t other[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  sender.EncryptBuffer(ecb, 8, util::kBlowfishEcb);
  sender.EncryptBuffer(other, 8, 7);
  EXPECT_EQ(0, std::memcmp(ecb, other, 8));
}

TEST(Blowfish, PublishedCbcVector) {
  // The published CBC example: key 0123456789ABCDEFF0E1D2C3B4A59687, IV FEDCBA9876543210,
  // "7654321 Now is the time for " and its terminating zero, padded with zeros to 32 bytes.
  const std::vector<std::uint8_t> key = FromHex("0123456789ABCDEFF0E1D2C3B4A59687");
  const CBlowfish cipher(key.data(), 16, BlowfishBlock(0xFEDCBA98, 0x76543210));
  std::uint8_t data[32] = {};
  std::memcpy(data, "7654321 Now is the time for ", 28);
  cipher.EncryptBuffer(data, 32, util::kBlowfishCbc);
  EXPECT_EQ(ToHex(data, 32), "6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC");
}


TEST(Blowfish, AgreesWithOpenSsl) {
#ifdef OPENSSL_NO_BF
  GTEST_SKIP() << "this OpenSSL was built without Blowfish (OPENSSL_NO_BF); no oracle to compare with";
#else
  std::mt19937 random(20240611);
  auto byte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };
  for (int round = 0; round < 60; ++round) {
    const std::size_t keyLength = 1 + static_cast<std::size_t>(round);  // 1..60: beyond 56 too
    std::vector<std::uint8_t> key(keyLength);
    for (auto& b : key) b = byte();
    std::uint8_t iv[8];
    for (auto& b : iv) b = byte();
    std::vector<std::uint8_t> data(8 * (1 + round % 9));
    for (auto& b : data) b = byte();
    const CBlowfish ours(key.data(), static_cast<std::uint32_t>(key.size()), util::BytesToBlock(iv));
    testsupport::OpenSslBlowfish theirs(key, iv);
    for (int mode : {util::kBlowfishEcb, util::kBlowfishCbc, util::kBlowfishCfb}) {
      SCOPED_TRACE("key length " + std::to_string(keyLength) + ", mode " + std::to_string(mode));
      std::vector<std::uint8_t> encrypted(data.size());
      ours.EncryptBuffer(data.data(), encrypted.data(), static_cast<std::uint32_t>(data.size()), mode);
      ASSERT_EQ(encrypted, theirs.Run(data, mode, true));
      std::vector<std::uint8_t> decrypted = encrypted;
      ours.DecryptBuffer(decrypted.data(), static_cast<std::uint32_t>(decrypted.size()), mode);
      ASSERT_EQ(decrypted, data);
      ASSERT_EQ(theirs.Run(encrypted, mode, false), data);
    }
  }
#endif
}

}  // namespace
