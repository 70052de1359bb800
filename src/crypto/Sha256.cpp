#include "crypto/Sha256.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "crypto/ShaCompress.h"
#include "platform/Path.h"
#include "util/SecureWipe.h"

namespace crypto {

namespace {

constexpr std::array<std::uint32_t, 8> kSha256Initial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372,
                                                         0xa54ff53a, 0x510e527f, 0x9b05688c,
                                                         0x1f83d9ab, 0x5be0cd19};
constexpr std::array<std::uint32_t, 8> kSha224Initial = {0xc1059ed8, 0x367cd507, 0x3070dd17,
                                                         0xf70e5939, 0xffc00b31, 0x68581511,
                                                         0x64f98fa7, 0xbefa4fa4};

constexpr std::size_t kFileChunk = 1024;
constexpr std::uint8_t kInnerPadByte = 0x36;
constexpr std::uint8_t kOuterPadByte = 0x5c;

void StoreBig32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

std::size_t DigestSize(const Sha256Context& context) {
  return context.is224 != 0 ? CSha256::kSha224Size : CSha256::kSha256Size;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

Sha256Context::~Sha256Context() { SecureWipe(this, sizeof(*this)); }

CSha256::CSha256() { m_padding[0] = 0x80; }

void CSha256::Init(Sha256Context& context, bool is224) const {
  context.count = {0, 0};
  context.state = is224 ? kSha224Initial : kSha256Initial;
  context.is224 = is224 ? 1 : 0;
}

void CSha256::Update(Sha256Context& context, const std::uint8_t* input, std::size_t length) const {
  if (length == 0 || input == nullptr) {
    return;
  }
  const std::size_t used = context.count[0] % kBlockSize;
  // The byte count is 64 bits in two words, carried by hand.
  const std::uint64_t count = (static_cast<std::uint64_t>(context.count[1]) << 32 | context.count[0]) +
                              static_cast<std::uint64_t>(length);
  context.count[0] = static_cast<std::uint32_t>(count);
  context.count[1] = static_cast<std::uint32_t>(count >> 32);
  sha::AbsorbIntoBlocks<kBlockSize>(context.buffer.data(), used, input, length,
                            [&](const std::uint8_t* blocks, std::size_t blockCount) {
                              sha::Sha256Compress(context.state.data(), blocks, blockCount);
                            });
}

void CSha256::Final(Sha256Context& context, std::uint8_t* output) const {
  const std::uint32_t high = (context.count[1] << 3) | (context.count[0] >> 29);
  const std::uint32_t low = context.count[0] << 3;
  std::uint8_t lengthBytes[8];
  StoreBig32(lengthBytes, high);
  StoreBig32(lengthBytes + 4, low);
  const std::size_t used = context.count[0] % kBlockSize;
  const std::size_t padLength = used < 56 ? 56 - used : 120 - used;
  Update(context, m_padding.data(), padLength);
  Update(context, lengthBytes, sizeof lengthBytes);
  for (std::size_t i = 0; i < DigestSize(context) / 4; ++i) {
    StoreBig32(output + 4 * i, context.state[i]);
  }
}

void CSha256::Digest(const std::uint8_t* input, std::size_t length, std::uint8_t* output,
                     bool is224) const {
  Sha256Context context;
  Init(context, is224);
  Update(context, input, length);
  Final(context, output);
}

int CSha256::DigestFile(std::string_view path, std::uint8_t* output, bool is224) const {
  const std::unique_ptr<std::FILE, FileCloser> file(
      std::fopen(platform::ToNativePath(path).c_str(), "rb"));
  if (!file) {
    return kFileOpenFailed;
  }
  Sha256Context context;
  Init(context, is224);
  std::array<std::uint8_t, kFileChunk> chunk;
  std::size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
    Update(context, chunk.data(), got);
  }
  SecureWipeObject(chunk);
  if (std::ferror(file.get()) != 0) {
    return kFileReadFailed;
  }
  Final(context, output);
  return kFileOk;
}

void CSha256::HmacInit(Sha256Context& context, const std::uint8_t* key, std::size_t keyLength,
                       bool is224) const {
  std::array<std::uint8_t, kSha256Size> digestedKey{};
  if (keyLength > kBlockSize) {
    Digest(key, keyLength, digestedKey.data(), is224);
    key = digestedKey.data();
    keyLength = is224 ? kSha224Size : kSha256Size;
  }
  context.innerPad.fill(kInnerPadByte);
  context.outerPad.fill(kOuterPadByte);
  for (std::size_t i = 0; i < keyLength; ++i) {
    context.innerPad[i] ^= key[i];
    context.outerPad[i] ^= key[i];
  }
  SecureWipeObject(digestedKey);
  Init(context, is224);
  Update(context, context.innerPad.data(), kBlockSize);
}

void CSha256::HmacUpdate(Sha256Context& context, const std::uint8_t* input,
                         std::size_t length) const {
  Update(context, input, length);
}

void CSha256::HmacFinal(Sha256Context& context, std::uint8_t* output) const {
  std::array<std::uint8_t, kSha256Size> inner{};
  Final(context, inner.data());
  const bool is224 = context.is224 != 0;
  Init(context, is224);
  Update(context, context.outerPad.data(), kBlockSize);
  Update(context, inner.data(), DigestSize(context));
  Final(context, output);
  SecureWipeObject(inner);
}

void CSha256::Hmac(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* input,
                   std::size_t length, std::uint8_t* output, bool is224) const {
  Sha256Context context;
  HmacInit(context, key, keyLength, is224);
  HmacUpdate(context, input, length);
  HmacFinal(context, output);
}

}  // namespace crypto
