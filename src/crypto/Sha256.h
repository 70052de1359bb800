#pragma once
// CSha256: SHA-256 and SHA-224 (FIPS 180) incrementally, in one call and over a file, and HMAC
// (RFC 2104) with either.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace crypto {

// The state of one digest or HMAC. It wipes itself when it goes away.
struct Sha256Context {
  std::array<std::uint32_t, 2> count{};   // message length in bytes: low, high
  std::array<std::uint32_t, 8> state{};
  std::array<std::uint8_t, 64> buffer{};
  std::array<std::uint8_t, 64> innerPad{};
  std::array<std::uint8_t, 64> outerPad{};
  int is224 = 0;

  Sha256Context() = default;
  ~Sha256Context();
  Sha256Context(const Sha256Context&) = default;
  Sha256Context& operator=(const Sha256Context&) = default;
};

class CSha256 {
 public:
  static constexpr std::size_t kSha256Size = 32;
  static constexpr std::size_t kSha224Size = 28;
  static constexpr std::size_t kBlockSize = 64;

  enum FileResult : int { kFileOk = 0, kFileOpenFailed = 1, kFileReadFailed = 2 };

  CSha256();  // fills the padding block

  void Init(Sha256Context& context, bool is224) const;
  void Update(Sha256Context& context, const std::uint8_t* input, std::size_t length) const;
  // Writes 32 bytes (SHA-256) or 28 (SHA-224).
  void Final(Sha256Context& context, std::uint8_t* output) const;
  // Init, Update, Final, and the context is wiped.
  void Digest(const std::uint8_t* input, std::size_t length, std::uint8_t* output,
              bool is224) const;
  // The digest of a file (a station path text): 1 when it cannot be opened (output untouched),
  // 2 on a read error, 0 otherwise.
  int DigestFile(std::string_view path, std::uint8_t* output, bool is224) const;

  void HmacInit(Sha256Context& context, const std::uint8_t* key, std::size_t keyLength,
                bool is224) const;
  void HmacUpdate(Sha256Context& context, const std::uint8_t* input, std::size_t length) const;
  void HmacFinal(Sha256Context& context, std::uint8_t* output) const;
  void Hmac(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* input,
            std::size_t length, std::uint8_t* output, bool is224) const;

 private:
  std::array<std::uint8_t, kBlockSize> m_padding{};  // 0x80 and 63 zeros
};

}  // namespace crypto
