#pragma once
// CSha512: SHA-512 and SHA-384 (FIPS 180), incrementally and in one call.
#include <array>
#include <cstddef>
#include <cstdint>

namespace crypto {

// The state of one digest. It wipes itself when it goes away.
struct Sha512Context {
  std::array<std::uint64_t, 2> count{};   // message length in bytes: low, high
  std::array<std::uint64_t, 8> state{};
  std::array<std::uint8_t, 128> buffer{};
  std::array<std::uint8_t, 128> innerPad{};
  std::array<std::uint8_t, 128> outerPad{};
  int is384 = 0;

  Sha512Context() = default;
  ~Sha512Context();
  Sha512Context(const Sha512Context&) = default;
  Sha512Context& operator=(const Sha512Context&) = default;
};

class CSha512 {
 public:
  static constexpr std::size_t kSha512Size = 64;
  static constexpr std::size_t kSha384Size = 48;

  static void Init(Sha512Context& context, bool is384);
  static void Update(Sha512Context& context, const std::uint8_t* input, std::size_t length);
  // Writes 64 bytes (SHA-512) or 48 (SHA-384).
  static void Final(Sha512Context& context, std::uint8_t* output);
  // Init, Update, Final, and the context is wiped.
  static void Digest(const std::uint8_t* input, std::size_t length, std::uint8_t* output,
                     bool is384);
};

}  // namespace crypto
