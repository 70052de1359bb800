#include "crypto/Sha512.h"

#include <algorithm>

#include "crypto/ShaCompress.h"
#include "util/SecureWipe.h"

namespace crypto {

namespace {

constexpr std::array<std::uint64_t, 8> kSha512Initial = {
    0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
    0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};
constexpr std::array<std::uint64_t, 8> kSha384Initial = {
    0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17, 0x152fecd8f70e5939,
    0x67332667ffc00b31, 0x8eb44a8768581511, 0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4};

constexpr std::size_t kBlock = 128;

// 0x80 and zeros: the padding that Final appends.
constexpr std::array<std::uint8_t, kBlock> kPadding = [] {
  std::array<std::uint8_t, kBlock> padding{};
  padding[0] = 0x80;
  return padding;
}();

void StoreBig64(std::uint8_t* p, std::uint64_t v) {
  for (int k = 0; k < 8; ++k) {
    p[k] = static_cast<std::uint8_t>(v >> (56 - 8 * k));
  }
}

}  // namespace

Sha512Context::~Sha512Context() { SecureWipe(this, sizeof(*this)); }

void CSha512::Init(Sha512Context& context, bool is384) {
  context.count = {0, 0};
  context.state = is384 ? kSha384Initial : kSha512Initial;
  context.is384 = is384 ? 1 : 0;
}

void CSha512::Update(Sha512Context& context, const std::uint8_t* input, std::size_t length) {
  if (length == 0 || input == nullptr) {
    return;
  }
  const std::size_t used = static_cast<std::size_t>(context.count[0] % kBlock);
  context.count[0] += length;
  if (context.count[0] < length) {
    ++context.count[1];
  }
  sha::AbsorbIntoBlocks<kBlock>(context.buffer.data(), used, input, length,
                            [&](const std::uint8_t* blocks, std::size_t blockCount) {
                              sha::Sha512Compress(context.state.data(), blocks, blockCount);
                            });
}

void CSha512::Final(Sha512Context& context, std::uint8_t* output) {
  const std::uint64_t high = (context.count[1] << 3) | (context.count[0] >> 61);
  const std::uint64_t low = context.count[0] << 3;
  std::uint8_t lengthBytes[16];
  StoreBig64(lengthBytes, high);
  StoreBig64(lengthBytes + 8, low);
  const std::size_t used = static_cast<std::size_t>(context.count[0] % kBlock);
  const std::size_t padLength = used < 112 ? 112 - used : 240 - used;
  Update(context, kPadding.data(), padLength);
  Update(context, lengthBytes, sizeof lengthBytes);
  const std::size_t words = context.is384 != 0 ? 6 : 8;
  for (std::size_t i = 0; i < words; ++i) {
    StoreBig64(output + 8 * i, context.state[i]);
  }
}

void CSha512::Digest(const std::uint8_t* input, std::size_t length, std::uint8_t* output,
                     bool is384) {
  Sha512Context context;
  Init(context, is384);
  Update(context, input, length);
  Final(context, output);
}

}  // namespace crypto
