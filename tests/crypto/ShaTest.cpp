#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "crypto/CryptoTestSupport.h"
#include "crypto/Sha256.h"
#include "crypto/Sha512.h"
#include "crypto/ShaBlockDigest.h"
#include "platform/Path.h"

namespace {

using namespace cryptotest;
using crypto::CSha256;
using crypto::CSha512;
using crypto::CShaBlockDigest;

// FIPS 180 example messages: the empty message, "abc", the 448-bit and the 896-bit message.
const std::string kAbc = "abc";
const std::string k448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string k896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrs"
    "mnopqrstnopqrstu";

const std::uint8_t* Data(const std::string& text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

Bytes TextBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The published digest with the bytes of each 32-bit word reversed.
std::string WordReversed(const std::string& hex) {
  std::string reversed;
  for (std::size_t word = 0; word < hex.size(); word += 8) {
    for (std::size_t byte = 8; byte > 0; byte -= 2) {
      reversed += hex.substr(word + byte - 2, 2);
    }
  }
  return reversed;
}

class Sha : public CodePathTest {
 protected:
  void SetUp() override {
    CodePathTest::SetUp();
    if (GetParam() == CodePath::kInstructions && !crypto::CpuHasShaInstructions()) {
      GTEST_SKIP() << "no SHA instructions on this processor";
    }
  }

  std::string Sha256Of(const std::string& text, bool is224) {
    Bytes out(is224 ? 28 : 32);
    hasher.Digest(Data(text), text.size(), out.data(), is224);
    return ToHex(out);
  }

  CSha256 hasher;
};

TEST_P(Sha, BlockDigestGivesWordReversedFips180Digests) {
  CShaBlockDigest digest;
  Bytes out(32);
  const struct {
    const std::string& message;
    const char* sha1;
    const char* sha256;
  } cases[] = {
      {std::string(), "da39a3ee5e6b4b0d3255bfef95601890afd80709",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {kAbc, "a9993e364706816aba3e25717850c26c9cd0d89d",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {k448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {k896, "a49b2446a02c645bf419f995b67091253a04a259",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(digest.Sha1(Data(c.message), c.message.size(), out.data(), 20));
    EXPECT_EQ(ToHex(out.data(), 20), WordReversed(c.sha1)) << c.message.size();
    EXPECT_FALSE(digest.Sha256(Data(c.message), c.message.size(), out.data(), 32));
    EXPECT_EQ(ToHex(out), WordReversed(c.sha256)) << c.message.size();
  }
  const std::string million(1000000, 'a');
  EXPECT_FALSE(digest.Sha1(Data(million), million.size(), out.data(), 20));
  EXPECT_EQ(ToHex(out.data(), 20), WordReversed("34aa973cd4c4daa4f61eeb2bdbad27316534016f"));
}

TEST_P(Sha, BlockDigestRefusals) {
  CShaBlockDigest digest;
  Bytes out(32, 0xEE);
  const Bytes untouched = out;
  // 2^29 bytes or more: refused before the message is read.
  EXPECT_TRUE(digest.Sha256(Data(kAbc), CShaBlockDigest::kMaxLength, out.data(), 32));
  EXPECT_TRUE(digest.Sha1(Data(kAbc), CShaBlockDigest::kMaxLength + 5, out.data(), 20));
  EXPECT_TRUE(digest.Sha256(Data(kAbc), 3, out.data(), 31));  // no room for the digest
  EXPECT_TRUE(digest.Sha1(nullptr, 3, out.data(), 20));
  EXPECT_TRUE(digest.Sha1(Data(kAbc), 3, nullptr, 20));
  EXPECT_EQ(out, untouched);
}

TEST_P(Sha, BlockDigestParameterCallAcceptsAnythingAndChangesNothing) {
  CShaBlockDigest digest;
  Bytes before(32), after(32);
  ASSERT_FALSE(digest.Sha256(Data(kAbc), 3, before.data(), 32));
  EXPECT_FALSE(digest.SetParameter(0, 0));
  EXPECT_FALSE(digest.SetParameter(0xFFFFFFFFu, 0x80000000u));
  ASSERT_FALSE(digest.Sha256(Data(kAbc), 3, after.data(), 32));
  EXPECT_EQ(after, before);
}

TEST_P(Sha, Sha256And224Fips180Examples) {
  EXPECT_EQ(Sha256Of(kAbc, false), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Of(k448, false), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Of("", false), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Of(kAbc, true), "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7");
  EXPECT_EQ(Sha256Of(k448, true), "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525");
  EXPECT_EQ(Sha256Of("", true), "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f");
}

TEST_P(Sha, Sha512And384Fips180Examples) {
  Bytes out(64);
  CSha512::Digest(Data(kAbc), kAbc.size(), out.data(), false);
  EXPECT_EQ(ToHex(out), "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                        "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  CSha512::Digest(Data(k896), k896.size(), out.data(), false);
  EXPECT_EQ(ToHex(out), "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
                        "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909");
  CSha512::Digest(Data(kAbc), kAbc.size(), out.data(), true);
  EXPECT_EQ(ToHex(out.data(), 48), "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded163"
                                   "1a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
  CSha512::Digest(Data(k896), k896.size(), out.data(), true);
  EXPECT_EQ(ToHex(out.data(), 48), "09330c33f71147e83d192fc782cd1b4753111b173b3b05d2"
                                   "2fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039");
  CSha512::Digest(nullptr, 0, out.data(), false);
  EXPECT_EQ(ToHex(out), "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
                        "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
}

TEST_P(Sha, ChunksGiveTheSameDigestAsOneCall) {
  std::string message;
  for (int i = 0; i < 1200; ++i) {
    message += static_cast<char>(i * 31 + 7);
  }
  Bytes whole512(64), chunks512(64), whole256(32), chunks256(32);
  CSha512::Digest(Data(message), message.size(), whole512.data(), false);
  hasher.Digest(Data(message), message.size(), whole256.data(), false);
  crypto::Sha512Context context512;
  crypto::Sha256Context context256;
  CSha512::Init(context512, false);
  hasher.Init(context256, false);
  std::size_t done = 0;
  for (const std::size_t chunk : {1u, 127u, 128u, 129u, 0u, 63u, 64u, 65u, 300u}) {
    CSha512::Update(context512, Data(message) + done, chunk);
    hasher.Update(context256, Data(message) + done, chunk);
    done += chunk;
  }
  CSha512::Update(context512, Data(message) + done, message.size() - done);
  hasher.Update(context256, Data(message) + done, message.size() - done);
  CSha512::Final(context512, chunks512.data());
  hasher.Final(context256, chunks256.data());
  EXPECT_EQ(chunks512, whole512);
  EXPECT_EQ(chunks256, whole256);
  // The block digest agrees with the incremental one (after its word reversal).
  CShaBlockDigest block;
  Bytes blockOut(32);
  ASSERT_FALSE(block.Sha256(Data(message), message.size(), blockOut.data(), 32));
  EXPECT_EQ(ToHex(blockOut), WordReversed(ToHex(whole256)));
}

TEST_P(Sha, Rfc4231HmacCases) {
  const struct {
    Bytes key;
    Bytes data;
    const char* hmac224;
    const char* hmac256;
  } cases[] = {
      {Bytes(20, 0x0b), FromHex("4869205468657265"),  // "Hi There"
       "896fb1128abbdf196832107cd49df33f47b4b1169912ba4f53684b22",
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {Bytes{'J', 'e', 'f', 'e'}, TextBytes("what do ya want for nothing?"),
       "a30e01098bc6dbbf45690f3a7e9e6d0f8bbea2a39e6148008fd05e44",
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {Bytes(20, 0xaa), Bytes(50, 0xdd), "7fb3cb3588c6c1f6ffa9694d7d6ad2649365b0c1f65d69d1ec8333ea",
       "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
      {FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xcd),
       "6c11506874013cac6a2abc1bb382627cec6a90d86efc012de7afec5a",
       "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
      // Case 5 is published truncated to 128 bits.
      {Bytes(20, 0x0c), TextBytes("Test With Truncation"),
       "0e2aea68a90c8d37c988bcdb9fca6fa8", "a3b6167473100ee06e0c796c2955552b"},
      // A key of 131 bytes is hashed first.
      {Bytes(131, 0xaa),
       TextBytes("Test Using Larger Than Block-Size Key - Hash Key First"),
       "95e9a0db962095adaebe9b2d6f0dbce2d499f112f2d2b7273fa6870e",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
  };
  for (const auto& c : cases) {
    Bytes out(32);
    hasher.Hmac(c.key.data(), c.key.size(), c.data.data(), c.data.size(), out.data(), true);
    EXPECT_EQ(ToHex(out.data(), 28).substr(0, std::string(c.hmac224).size()), c.hmac224);
    hasher.Hmac(c.key.data(), c.key.size(), c.data.data(), c.data.size(), out.data(), false);
    EXPECT_EQ(ToHex(out).substr(0, std::string(c.hmac256).size()), c.hmac256);
  }
  // Case 7 in chunks through the incremental calls.
  const std::string text =
      "This is a test using a larger than block-size key and a larger than block-size data. The "
      "key needs to be hashed before being used by the HMAC algorithm.";
  const Bytes key(131, 0xaa);
  crypto::Sha256Context context;
  hasher.HmacInit(context, key.data(), key.size(), false);
  hasher.HmacUpdate(context, Data(text), 70);
  hasher.HmacUpdate(context, Data(text) + 70, text.size() - 70);
  Bytes out(32);
  hasher.HmacFinal(context, out.data());
  EXPECT_EQ(ToHex(out), "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2");
  hasher.Hmac(key.data(), key.size(), Data(text), text.size(), out.data(), true);
  EXPECT_EQ(ToHex(out.data(), 28), "3a854166ac5d9f023f54d517d0b39dbd946770db9c2b95c9f6f565d1");
}

INSTANTIATE_TEST_SUITE_P(CodePaths, Sha, testing::Values(CodePath::kInstructions, CodePath::kPortable),
                         CodePathName);

TEST(ShaFile, DigestFileReadsTheWholeFile) {
  const CSha256 hasher;
  Bytes out(32, 0x11);
  const Bytes untouched = out;
  EXPECT_EQ(hasher.DigestFile("no_such_file.bin", out.data(), false), 1);
  EXPECT_EQ(out, untouched);

  const std::filesystem::path empty = platform::ToNativePath("empty.bin");
  std::ofstream(empty, std::ios::binary).close();
  EXPECT_EQ(hasher.DigestFile("empty.bin", out.data(), false), 0);
  EXPECT_EQ(ToHex(out), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

  // More than one read of 1024 bytes, given as a station path text.
  std::string content;
  for (int i = 0; i < 2500; ++i) {
    content += static_cast<char>(i % 251);
  }
  std::ofstream(platform::ToNativePath("data.bin"), std::ios::binary) << content;
  EXPECT_EQ(hasher.DigestFile(".\\data.bin", out.data(), true), 0);
  Bytes expected(28);
  hasher.Digest(Data(content), content.size(), expected.data(), true);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 28), expected);
}

}  // namespace
