#pragma once
// CShaBlockDigest: SHA-1 or SHA-256 of a whole message in one call. Its results keep this
// object's own conventions, which stored digests rely on: the digest words are written in
// little-endian order (each 4-byte group of the FIPS 180 digest reversed), and the calls
// return false on success.
#include <array>
#include <cstddef>
#include <cstdint>

namespace crypto {

class CShaBlockDigest {
 public:
  static constexpr std::size_t kMaxLength = std::size_t{1} << 29;  // bytes, so bits fit 32 bits
  static constexpr std::size_t kSha1Size = 20;
  static constexpr std::size_t kSha256Size = 32;

  CShaBlockDigest() = default;
  ~CShaBlockDigest();
  CShaBlockDigest(const CShaBlockDigest&) = delete;
  CShaBlockDigest& operator=(const CShaBlockDigest&) = delete;

  // False on success. True, with nothing written, for a message of 2^29 bytes or more, a null
  // message (of non-zero length) or digest, or a digest buffer shorter than the digest.
  bool Sha1(const std::uint8_t* message, std::size_t length, std::uint8_t* digest,
            std::size_t digestLength);
  bool Sha256(const std::uint8_t* message, std::size_t length, std::uint8_t* digest,
              std::size_t digestLength);
  // The object takes no parameters: any parameter and value are accepted, nothing changes,
  // and the answer is false (success), as from the digests.
  bool SetParameter(std::uint32_t parameter, std::uint32_t value);

 private:
  using Compress = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
  // Whole blocks straight from the message; the padded tail (one or two blocks) in m_tail.
  bool Run(Compress compress, std::size_t stateWords, const std::uint8_t* message,
           std::size_t length, std::uint8_t* digest, std::size_t digestLength);

  std::array<std::uint32_t, 8> m_state{};
  std::array<std::uint8_t, 128> m_tail{};
};

}  // namespace crypto
