#pragma once
// The FIPS 180 compression functions shared by the digest classes: SHA-1 and SHA-256 on
// 64-byte blocks and SHA-512 on 128-byte blocks, message words read big-endian. SHA-1 and
// SHA-256 use the processor's SHA instructions where it has them (chosen at run time).
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace crypto::sha {

void Sha1Compress(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
void Sha256Compress(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
void Sha512Compress(std::uint64_t state[8], const std::uint8_t* blocks, std::size_t count);

// Feeds input through a block buffer holding `used` bytes: a partial buffer is completed and
// compressed first, then whole blocks go straight from the input, and the rest is buffered.
template <std::size_t Block, typename Compress>
void AbsorbIntoBlocks(std::uint8_t* buffer, std::size_t used, const std::uint8_t* input,
                      std::size_t length, Compress compress) {
  if (used != 0 && length >= Block - used) {
    const std::size_t fill = Block - used;
    std::copy_n(input, fill, buffer + used);
    compress(buffer, 1);
    input += fill;
    length -= fill;
    used = 0;
  }
  if (used == 0) {
    compress(input, length / Block);
    input += length / Block * Block;
    length %= Block;
  }
  std::copy_n(input, length, buffer + used);
}

// The round constants of SHA-256 (the instruction path adds them four at a time).
extern const std::uint32_t kSha256RoundConstants[64];

#if defined(__x86_64__)
void Sha1CompressNi(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
void Sha256CompressNi(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
#endif

}  // namespace crypto::sha
