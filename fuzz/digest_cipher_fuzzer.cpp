// libFuzzer target of the digests, HMAC and ciphers against OpenSSL. The input picks the code
// path (the processor's instructions where it has them, or the portable code), what is
// checked, a key or parameters, how the message is cut into pieces and where in memory it
// lies (an offset of 0 to 15 bytes), then the message itself:
//   0  the one-call SHA-1 and SHA-256 (each 4-byte group of the digest reversed);
//   1  SHA-224 and SHA-256, in one call and fed in pieces;
//   2  SHA-384 and SHA-512, in one call and fed in pieces;
//   3  HMAC with SHA-224 and SHA-256, keys of 0 to 200 bytes, in one call and in pieces;
//   4  AES with 128-, 192- and 256-bit keys: single blocks, CBC and CFB-128 in pieces that
//      carry the chain, both ways, in place or not;
//   5  Blowfish with keys of 1 to 60 bytes in ECB, CBC and CFB, both ways, in place or not.
// Any result that differs from OpenSSL's is printed and the run stops.
// OpenSSL's Blowfish (the oracle) is among its deprecated calls.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <fuzzer/FuzzedDataProvider.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/Aes.h"
#include "crypto/CpuFeatures.h"
#include "crypto/HexText.h"
#include "crypto/Sha256.h"
#include "crypto/Sha512.h"
#include "crypto/ShaBlockDigest.h"
#include "util/Blowfish.h"
#include "util/OpenSslBlowfish.h"

namespace {

using cryptotest::Bytes;

constexpr std::size_t kLongestMessage = 700;
constexpr int kMostPieces = 64;

void Same(const char* what, const std::uint8_t* ours, const Bytes& theirs, std::size_t messageSize) {
  if (std::equal(theirs.begin(), theirs.end(), ours)) return;
  std::fprintf(stderr, "%s of a %zu-byte message differs from OpenSSL:\n  ours:   %s\n  theirs: %s\n", what, messageSize,
               cryptotest::ToHex(ours, theirs.size()).c_str(), cryptotest::ToHex(theirs).c_str());
  std::abort();
}

void Same(const char* what, const Bytes& ours, const Bytes& theirs, std::size_t messageSize) {
  if (ours.size() != theirs.size()) {
    std::fprintf(stderr, "%s: %zu bytes, OpenSSL %zu\n", what, ours.size(), theirs.size());
    std::abort();
  }
  Same(what, ours.data(), theirs, messageSize);
}

void Holds(const char* what, bool holds) {
  if (holds) return;
  std::fprintf(stderr, "does not hold: %s\n", what);
  std::abort();
}

// The message at `offset` bytes into a buffer of its own, so that it lies unaligned.
class Placed {
 public:
  Placed(const Bytes& message, std::size_t offset) : m_storage(message.size() + 16), m_offset(offset) {
    std::copy(message.begin(), message.end(), m_storage.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  std::uint8_t* Data() { return m_storage.data() + m_offset; }

 private:
  Bytes m_storage;
  std::size_t m_offset;
};

// Piece lengths that cover `size` bytes: from the input while it lasts (zero-length pieces
// too), at most kMostPieces of them, the rest in one piece.
std::vector<std::size_t> Pieces(FuzzedDataProvider& input, std::size_t size, std::size_t unit = 1) {
  std::vector<std::size_t> pieces;
  std::size_t left = size / unit;
  while (left > 0 && static_cast<int>(pieces.size()) < kMostPieces && input.remaining_bytes() > 0) {
    const std::size_t piece = input.ConsumeIntegralInRange<std::size_t>(0, std::min<std::size_t>(left, 160));
    pieces.push_back(piece * unit);
    left -= piece;
  }
  if (left > 0) pieces.push_back(left * unit);
  return pieces;
}

// Runs the pieces through `call` (piece start, piece length) from `in` to `out`, which may
// be the same buffer.
template <typename Call>
void InPieces(const std::vector<std::size_t>& pieces, Call call) {
  std::size_t at = 0;
  for (const std::size_t piece : pieces) {
    call(at, piece);
    at += piece;
  }
}

Bytes OpenSslDigest(const EVP_MD* md, const std::uint8_t* data, std::size_t size) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  Holds("OpenSSL digests", EVP_Digest(data, size, out.data(), &length, md, nullptr) == 1);
  out.resize(length);
  return out;
}

Bytes OpenSslHmac(const EVP_MD* md, const Bytes& key, const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t kNoKey = 0;
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  Holds("OpenSSL computes the HMAC", HMAC(md, key.empty() ? &kNoKey : key.data(), static_cast<int>(key.size()), data, size,
                                         out.data(), &length) != nullptr);
  out.resize(length);
  return out;
}

Bytes OpenSslCipher(const EVP_CIPHER* cipher, bool encrypt, const Bytes& key, const std::uint8_t* iv, const Bytes& in) {
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  Bytes out(in.size() + 32);
  int length = 0, last = 0;
  const bool done = EVP_CipherInit_ex(context, cipher, nullptr, key.data(), iv, encrypt ? 1 : 0) == 1 &&
                    EVP_CIPHER_CTX_set_padding(context, 0) == 1 &&
                    EVP_CipherUpdate(context, out.data(), &length, in.data(), static_cast<int>(in.size())) == 1 &&
                    EVP_CipherFinal_ex(context, out.data() + length, &last) == 1;
  EVP_CIPHER_CTX_free(context);
  Holds("OpenSSL enciphers", done);
  out.resize(static_cast<std::size_t>(length + last));
  return out;
}

// Each 4-byte group reversed: the block digest's word order.
Bytes WordReversed(Bytes digest) {
  for (std::size_t i = 0; i + 4 <= digest.size(); i += 4) std::reverse(digest.begin() + i, digest.begin() + i + 4);
  return digest;
}

void CheckBlockDigest(const Bytes& message, Placed& placed) {
  crypto::CShaBlockDigest digest;
  std::uint8_t out[32];
  Holds("SHA-1 of the block digest", !digest.Sha1(placed.Data(), message.size(), out, sizeof out));
  Same("SHA-1", out, WordReversed(OpenSslDigest(EVP_sha1(), message.data(), message.size())), message.size());
  Holds("SHA-256 of the block digest", !digest.Sha256(placed.Data(), message.size(), out, sizeof out));
  Same("SHA-256 (block digest)", out, WordReversed(OpenSslDigest(EVP_sha256(), message.data(), message.size())),
       message.size());
}

void CheckSha256(FuzzedDataProvider& input, const Bytes& message, Placed& placed) {
  const crypto::CSha256 hasher;
  for (const bool is224 : {false, true}) {
    const Bytes expected = OpenSslDigest(is224 ? EVP_sha224() : EVP_sha256(), message.data(), message.size());
    std::uint8_t out[32];
    hasher.Digest(placed.Data(), message.size(), out, is224);
    Same(is224 ? "SHA-224" : "SHA-256", out, expected, message.size());
    crypto::Sha256Context context;
    hasher.Init(context, is224);
    InPieces(Pieces(input, message.size()),
             [&](std::size_t at, std::size_t piece) { hasher.Update(context, placed.Data() + at, piece); });
    hasher.Final(context, out);
    Same(is224 ? "SHA-224 in pieces" : "SHA-256 in pieces", out, expected, message.size());
  }
}

void CheckSha512(FuzzedDataProvider& input, const Bytes& message, Placed& placed) {
  for (const bool is384 : {false, true}) {
    const Bytes expected = OpenSslDigest(is384 ? EVP_sha384() : EVP_sha512(), message.data(), message.size());
    std::uint8_t out[64];
    crypto::CSha512::Digest(placed.Data(), message.size(), out, is384);
    Same(is384 ? "SHA-384" : "SHA-512", out, expected, message.size());
    crypto::Sha512Context context;
    crypto::CSha512::Init(context, is384);
    InPieces(Pieces(input, message.size()),
             [&](std::size_t at, std::size_t piece) { crypto::CSha512::Update(context, placed.Data() + at, piece); });
    crypto::CSha512::Final(context, out);
    Same(is384 ? "SHA-384 in pieces" : "SHA-512 in pieces", out, expected, message.size());
  }
}

void CheckHmac(FuzzedDataProvider& input, const Bytes& key, const Bytes& message, Placed& placed) {
  const crypto::CSha256 hasher;
  for (const bool is224 : {false, true}) {
    const Bytes expected = OpenSslHmac(is224 ? EVP_sha224() : EVP_sha256(), key, message.data(), message.size());
    std::uint8_t out[32];
    hasher.Hmac(key.data(), key.size(), placed.Data(), message.size(), out, is224);
    Same(is224 ? "HMAC-SHA-224" : "HMAC-SHA-256", out, expected, message.size());
    crypto::Sha256Context context;
    hasher.HmacInit(context, key.data(), key.size(), is224);
    InPieces(Pieces(input, message.size()),
             [&](std::size_t at, std::size_t piece) { hasher.HmacUpdate(context, placed.Data() + at, piece); });
    hasher.HmacFinal(context, out);
    Same(is224 ? "HMAC-SHA-224 in pieces" : "HMAC-SHA-256 in pieces", out, expected, message.size());
  }
}

// A chained mode run over `from` in pieces (multiples of `unit` bytes), in place or into a
// buffer of its own, the chain starting at `iv`: `process` (piece length, chain, in, out) must
// succeed on every piece and the whole must come out as `expected`.
template <typename Process>
void CheckChainedInPieces(FuzzedDataProvider& input, const char* what, const Bytes& from, const Bytes& expected,
                          const Bytes& iv, bool inPlace, std::size_t offset, std::size_t unit, Process process) {
  Placed placed(from, offset);
  Bytes out(from.size());
  Bytes chain = iv;
  InPieces(Pieces(input, from.size(), unit), [&](std::size_t at, std::size_t piece) {
    std::uint8_t* target = inPlace ? placed.Data() + at : out.data() + at;
    Holds(what, process(piece, chain.data(), placed.Data() + at, target));
  });
  Same(what, inPlace ? placed.Data() : out.data(), expected, from.size());
}

const EVP_CIPHER* AesCipher(std::size_t keyLength, int mode) {
  static const EVP_CIPHER* const kCiphers[3][3] = {
      {EVP_aes_128_ecb(), EVP_aes_128_cbc(), EVP_aes_128_cfb128()},
      {EVP_aes_192_ecb(), EVP_aes_192_cbc(), EVP_aes_192_cfb128()},
      {EVP_aes_256_ecb(), EVP_aes_256_cbc(), EVP_aes_256_cfb128()},
  };
  return kCiphers[keyLength / 8 - 2][mode];
}

void CheckAes(FuzzedDataProvider& input, const Bytes& key, const Bytes& iv, bool inPlace, const Bytes& message,
              std::size_t offset) {
  crypto::CAes aes;
  Holds("the AES key is taken", aes.SetKey(key.data(), key.size()) == crypto::CAes::kOk);
  const Bytes blocks(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(message.size() / 16 * 16));

  // Single blocks (ECB), each block on its own.
  const Bytes ecb = OpenSslCipher(AesCipher(key.size(), 0), true, key, nullptr, blocks);
  Placed ecbPlaced(blocks, offset);
  Bytes ecbOut(blocks.size());
  for (std::size_t at = 0; at < blocks.size(); at += 16) {
    std::uint8_t* out = inPlace ? ecbPlaced.Data() + at : ecbOut.data() + at;
    Holds("an AES block", aes.ProcessBlock(crypto::CAes::kEncrypt, ecbPlaced.Data() + at, out) == crypto::CAes::kOk);
  }
  Same("AES single blocks", inPlace ? ecbPlaced.Data() : ecbOut.data(), ecb, blocks.size());
  for (std::size_t at = 0; at < blocks.size(); at += 16) {
    Bytes block(ecb.begin() + static_cast<std::ptrdiff_t>(at), ecb.begin() + static_cast<std::ptrdiff_t>(at + 16));
    Holds("an AES block back", aes.ProcessBlock(crypto::CAes::kDecrypt, block.data(), block.data()) == crypto::CAes::kOk);
    Same("AES single blocks back", block.data(),
         Bytes(blocks.begin() + static_cast<std::ptrdiff_t>(at), blocks.begin() + static_cast<std::ptrdiff_t>(at + 16)), 16);
  }

  // CBC in pieces of whole blocks, the chain carried by the IV.
  const Bytes cbc = OpenSslCipher(AesCipher(key.size(), 1), true, key, iv.data(), blocks);
  for (const bool encrypt : {true, false}) {
    const std::uint32_t direction = encrypt ? crypto::CAes::kEncrypt : crypto::CAes::kDecrypt;
    CheckChainedInPieces(input, encrypt ? "AES CBC" : "AES CBC back", encrypt ? blocks : cbc, encrypt ? cbc : blocks,
                         iv, inPlace, offset, 16,
                         [&](std::size_t piece, std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out) {
                           return aes.ProcessCbc(direction, piece, chain, in, out) == crypto::CAes::kOk;
                         });
  }

  // CFB-128 over the whole message in pieces of any length, the stream carried by the IV and
  // its offset.
  const Bytes cfb = OpenSslCipher(AesCipher(key.size(), 2), true, key, iv.data(), message);
  for (const bool encrypt : {true, false}) {
    const std::uint32_t direction = encrypt ? crypto::CAes::kEncrypt : crypto::CAes::kDecrypt;
    std::uint32_t ivOffset = 0;
    CheckChainedInPieces(input, encrypt ? "AES CFB-128" : "AES CFB-128 back", encrypt ? message : cfb,
                         encrypt ? cfb : message, iv, inPlace, offset, 1,
                         [&](std::size_t piece, std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out) {
                           return aes.ProcessCfb128(direction, piece, &ivOffset, chain, in, out) == crypto::CAes::kOk;
                         });
    Holds("the CFB-128 offset goes on", ivOffset == message.size() % 16);
  }
}

void CheckBlowfish(const Bytes& key, const Bytes& iv, bool inPlace, const Bytes& message, std::size_t offset) {
#ifndef OPENSSL_NO_BF
  const Bytes blocks(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(message.size() / 8 * 8));
  if (blocks.empty()) return;  // refused with an exception, as documented
  const util::CBlowfish ours(key.data(), static_cast<std::uint32_t>(key.size()), util::BytesToBlock(iv.data()));
  testsupport::OpenSslBlowfish theirs(key, iv.data());
  const auto length = static_cast<std::uint32_t>(blocks.size());
  for (const int mode : {util::kBlowfishEcb, util::kBlowfishCbc, util::kBlowfishCfb}) {
    const Bytes expected = theirs.Run(blocks, mode, true);
    Placed placed(blocks, offset);
    Bytes out(blocks.size());
    if (inPlace) {
      ours.EncryptBuffer(placed.Data(), length, mode);
    } else {
      ours.EncryptBuffer(placed.Data(), out.data(), length, mode);
    }
    Same("Blowfish", inPlace ? placed.Data() : out.data(), expected, blocks.size());
    Bytes back = expected;
    ours.DecryptBuffer(back.data(), length, mode);
    Same("Blowfish back", back, blocks, blocks.size());
  }
#else
  (void)key, (void)iv, (void)inPlace, (void)message, (void)offset;
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  crypto::AllowInstructionPaths(input.ConsumeBool());
  const int what = input.ConsumeIntegralInRange<int>(0, 5);
  const std::size_t offset = input.ConsumeIntegralInRange<std::size_t>(0, 15);
  const bool inPlace = input.ConsumeBool();
  // HMAC keys of 0 to 200 bytes (longer than a block too), AES keys of 16, 24 or 32 bytes,
  // Blowfish keys of 1 to 60 bytes (longer than the 56 it uses too).
  std::size_t keyLength = 0;
  if (what == 3) keyLength = input.ConsumeIntegralInRange<std::size_t>(0, 200);
  if (what == 4) keyLength = 8 * input.ConsumeIntegralInRange<std::size_t>(2, 4);
  if (what == 5) keyLength = input.ConsumeIntegralInRange<std::size_t>(1, 60);
  Bytes key = input.ConsumeBytes<std::uint8_t>(keyLength);
  key.resize(keyLength);
  Bytes iv = input.ConsumeBytes<std::uint8_t>(16);
  iv.resize(16);
  const Bytes message = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, kLongestMessage));
  Placed placed(message, offset);
  switch (what) {
    case 0: CheckBlockDigest(message, placed); break;
    case 1: CheckSha256(input, message, placed); break;
    case 2: CheckSha512(input, message, placed); break;
    case 3: CheckHmac(input, key, message, placed); break;
    case 4: CheckAes(input, key, iv, inPlace, message, offset); break;
    default: CheckBlowfish(key, iv, inPlace, message, offset); break;
  }
  crypto::AllowInstructionPaths(true);
  return 0;
}
