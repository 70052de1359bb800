#include "crypto/Aes.h"

#include <gtest/gtest.h>

#include <array>

#include "crypto/CryptoTestSupport.h"

namespace {

using crypto::CAes;
using namespace cryptotest;

class Aes : public CodePathTest {
 protected:
  void SetUp() override {
    CodePathTest::SetUp();
    if (GetParam() == CodePath::kInstructions && !crypto::CpuHasAesInstructions()) {
      GTEST_SKIP() << "no AES instructions on this processor";
    }
  }
};

struct BlockVector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// FIPS 197, appendices B and C.
constexpr BlockVector kFips197[] = {
    {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
     "3925841d02dc09fbdc118597196a0b32"},
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
};

// SP 800-38A: the four plaintext blocks, IV 000102...0f, and the keys of F.2 and F.3.
constexpr const char* kSp80038aPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
constexpr const char* kSp80038aIv = "000102030405060708090a0b0c0d0e0f";

struct ModeVector {
  const char* key;
  const char* cbc;
  const char* cfb;
};

constexpr ModeVector kSp80038a[] = {
    {"2b7e151628aed2a6abf7158809cf4f3c",
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7",
     "3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"
     "26751f67a3cbb140b1808cf187a4f4dfc04b05357c5d1c0eeac4c66f9ff7f2e6"},
    {"8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b",
     "4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a"
     "571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd",
     "cdc80d6fddf18cab34c25909c99a417467ce7f7f81173621961a2b70171d3d7a"
     "2e1e8a1dd59b88b1c8e60fed1efac4c9c05f9f9ca9834fa042ae8fba584b09ff"},
    {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
     "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b",
     "dc7e84bfda79164b7ecd8486985d386039ffed143b28b1c832113c6331e5407b"
     "df10132415e54b92a13ed0a8267ae2f975a385741ab9cef82031623d55b1e471"},
};

// Sets a key given in hexadecimal.
::testing::AssertionResult SetHexKey(CAes& aes, const char* hex) {
  const Bytes key = FromHex(hex);
  const std::uint32_t code = aes.SetKey(key.data(), key.size());
  if (code != 0) {
    return ::testing::AssertionFailure() << "SetKey gave " << code;
  }
  return ::testing::AssertionSuccess();
}

TEST_P(Aes, Fips197BlocksBothWays) {
  for (const auto& vector : kFips197) {
    CAes aes;
    ASSERT_TRUE(SetHexKey(aes, vector.key));
    Bytes block = FromHex(vector.plain);
    ASSERT_EQ(aes.ProcessBlock(CAes::kEncrypt, block.data(), block.data()), 0u);
    EXPECT_EQ(ToHex(block), vector.cipher);
    ASSERT_EQ(aes.ProcessBlock(CAes::kDecrypt, block.data(), block.data()), 0u);
    EXPECT_EQ(ToHex(block), vector.plain);
    // The encryption schedule is made again after the decryption one.
    ASSERT_EQ(aes.ProcessBlock(CAes::kEncrypt, block.data(), block.data()), 0u);
    EXPECT_EQ(ToHex(block), vector.cipher);
  }
}

TEST_P(Aes, Sp80038aCbc) {
  for (const auto& vector : kSp80038a) {
    CAes aes;
    ASSERT_TRUE(SetHexKey(aes, vector.key));
    const Bytes plain = FromHex(kSp80038aPlain);
    Bytes iv = FromHex(kSp80038aIv);
    Bytes out(plain.size());
    ASSERT_EQ(aes.ProcessCbc(CAes::kEncrypt, plain.size(), iv.data(), plain.data(), out.data()), 0u);
    EXPECT_EQ(ToHex(out), vector.cbc);
    EXPECT_EQ(ToHex(iv), std::string(vector.cbc).substr(96));  // the last cipher block
    // Decryption in place, in two calls that carry the chain through the IV.
    iv = FromHex(kSp80038aIv);
    ASSERT_EQ(aes.ProcessCbc(CAes::kDecrypt, 16, iv.data(), out.data(), out.data()), 0u);
    ASSERT_EQ(aes.ProcessCbc(CAes::kDecrypt, 48, iv.data(), out.data() + 16, out.data() + 16), 0u);
    EXPECT_EQ(ToHex(out), kSp80038aPlain);
  }
}

TEST_P(Aes, CbcDecryptionOfManyBlocksInPlace) {
  // More blocks than the instruction path decrypts side by side, and a tail.
  CAes aes;
  ASSERT_TRUE(SetHexKey(aes, kSp80038a[0].key));
  Bytes data(16 * 11);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  const Bytes original = data;
  Bytes iv = FromHex(kSp80038aIv);
  ASSERT_EQ(aes.ProcessCbc(CAes::kEncrypt, data.size(), iv.data(), data.data(), data.data()), 0u);
  // Block by block the chain is the same.
  Bytes check = original;
  Bytes blockIv = FromHex(kSp80038aIv);
  for (std::size_t i = 0; i < check.size(); i += 16) {
    for (std::size_t k = 0; k < 16; ++k) {
      check[i + k] ^= blockIv[k];
    }
    ASSERT_EQ(aes.ProcessBlock(CAes::kEncrypt, check.data() + i, check.data() + i), 0u);
    std::copy_n(check.begin() + static_cast<std::ptrdiff_t>(i), 16, blockIv.begin());
  }
  EXPECT_EQ(data, check);
  iv = FromHex(kSp80038aIv);
  ASSERT_EQ(aes.ProcessCbc(CAes::kDecrypt, data.size(), iv.data(), data.data(), data.data()), 0u);
  EXPECT_EQ(data, original);
}

TEST_P(Aes, Sp80038aCfb128InChunksOfAnyLength) {
  for (const auto& vector : kSp80038a) {
    CAes aes;
    ASSERT_TRUE(SetHexKey(aes, vector.key));
    const Bytes plain = FromHex(kSp80038aPlain);
    Bytes iv = FromHex(kSp80038aIv);
    Bytes out(plain.size());
    std::uint32_t offset = 0;
    std::size_t done = 0;
    for (const std::size_t chunk : {5u, 11u, 1u, 20u, 27u}) {
      ASSERT_EQ(aes.ProcessCfb128(CAes::kEncrypt, chunk, &offset, iv.data(), plain.data() + done,
                                  out.data() + done),
                0u);
      done += chunk;
      EXPECT_EQ(offset, done % 16);
    }
    EXPECT_EQ(ToHex(out), vector.cfb);
    iv = FromHex(kSp80038aIv);
    offset = 0;
    Bytes back(plain.size());
    ASSERT_EQ(aes.ProcessCfb128(CAes::kDecrypt, out.size(), &offset, iv.data(), out.data(),
                                back.data()),
              0u);
    EXPECT_EQ(back, plain);
  }
}

TEST_P(Aes, ResultCodes) {
  CAes aes;
  std::array<std::uint8_t, 32> key{};
  std::array<std::uint8_t, 32> data{};
  std::array<std::uint8_t, 16> iv{};
  std::uint32_t offset = 0;
  EXPECT_EQ(aes.SetKey(key.data(), 20), 1u);
  EXPECT_EQ(aes.SetKey(nullptr, 16), 2u);
  // Before any key: 4 for ECB and CFB-128, 5 for CBC.
  EXPECT_EQ(aes.ProcessBlock(0, data.data(), data.data()), 4u);
  EXPECT_EQ(aes.ProcessCbc(0, 16, iv.data(), data.data(), data.data()), 5u);
  EXPECT_EQ(aes.ProcessCfb128(0, 16, &offset, iv.data(), data.data(), data.data()), 4u);
  EXPECT_EQ(aes.ProcessBlock(2, data.data(), data.data()), 1u);
  ASSERT_EQ(aes.SetKey(key.data(), 24), 0u);
  EXPECT_EQ(aes.ProcessBlock(1, nullptr, data.data()), 2u);
  EXPECT_EQ(aes.ProcessCbc(1, 16, iv.data(), data.data(), nullptr), 2u);
  EXPECT_EQ(aes.ProcessCbc(1, 16, nullptr, data.data(), data.data()), 2u);
  EXPECT_EQ(aes.ProcessCfb128(0, 16, nullptr, iv.data(), data.data(), data.data()), 2u);
  EXPECT_EQ(aes.ProcessCbc(2, 16, iv.data(), data.data(), data.data()), 1u);
  // A CBC length that is not whole blocks and an IV offset beyond the block are refused, and
  // nothing is written.
  const std::array<std::uint8_t, 32> before = data;
  EXPECT_EQ(aes.ProcessCbc(0, 20, iv.data(), data.data(), data.data()), 3u);
  offset = 16;
  EXPECT_EQ(aes.ProcessCfb128(0, 4, &offset, iv.data(), data.data(), data.data()), 3u);
  EXPECT_EQ(data, before);
  EXPECT_EQ(offset, 16u);
  EXPECT_EQ(aes.ProcessCbc(0, 0, iv.data(), data.data(), data.data()), 0u);
}

INSTANTIATE_TEST_SUITE_P(CodePaths, Aes,
                         testing::Values(CodePath::kInstructions, CodePath::kPortable),
                         CodePathName);

}  // namespace
