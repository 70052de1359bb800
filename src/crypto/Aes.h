#pragma once
// CAes: AES (FIPS 197) with 128-, 192- and 256-bit keys in single-block (ECB), CBC and CFB-128
// modes. Every operation returns a code; 0 is success.
//
// Blocks are read and written as little-endian 32-bit words. The round keys are worked out
// when a processing call first needs them in its direction (encryption schedule for mode 0,
// decryption schedule for mode 1; CFB-128 always encrypts) and kept until the key or the
// direction changes. The key and its schedules are wiped when the object goes away.
#include <array>
#include <cstddef>
#include <cstdint>

namespace crypto {

class CAes {
 public:
  static constexpr std::size_t kBlockSize = 16;

  enum Mode : std::uint32_t { kEncrypt = 0, kDecrypt = 1 };
  enum Code : std::uint32_t {
    kOk = 0,
    kBadModeOrKeyLength = 1,   // a mode other than 0 and 1; a key length other than 16, 24, 32
    kNullArgument = 2,         // a null key, input, output, IV or IV offset
    kBadLengthOrOffset = 3,    // a CBC length not a multiple of 16; an IV offset beyond 15
    kNoKey = 4,                // ECB and CFB-128 before any key was set
    kNoKeyForCbc = 5,          // CBC before any key was set
  };

  CAes();
  ~CAes();
  CAes(const CAes&) = delete;
  CAes& operator=(const CAes&) = delete;

  std::uint32_t SetKey(const std::uint8_t* key, std::size_t length);
  // One 16-byte block; in and out may be the same.
  std::uint32_t ProcessBlock(std::uint32_t mode, const std::uint8_t* in, std::uint8_t* out);
  // `length` bytes, a multiple of 16; iv (16 bytes) is updated so that a further call goes on
  // with the same chain. in and out may be the same.
  std::uint32_t ProcessCbc(std::uint32_t mode, std::size_t length, std::uint8_t* iv,
                           const std::uint8_t* in, std::uint8_t* out);
  // `length` bytes of CFB-128 from byte *ivOffset (0..15) of the key stream block; iv and
  // *ivOffset are updated so that a further call continues the same stream.
  std::uint32_t ProcessCfb128(std::uint32_t mode, std::size_t length, std::uint32_t* ivOffset,
                              std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out);

 private:
  // Makes the round keys of the given direction current; false when no key is set.
  bool PrepareSchedule(Mode mode);
  void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const;
  void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const;

  static constexpr std::size_t kMaxKeyBytes = 32;
  static constexpr std::size_t kScheduleWords = 68;
  static constexpr int kNoSchedule = -1;

  std::uint32_t m_keyLength = 0;
  std::array<std::uint8_t, kMaxKeyBytes> m_key{};
  int m_rounds = 0;
  int m_scheduleMode = kNoSchedule;
  alignas(16) std::array<std::uint32_t, kScheduleWords> m_roundKeys{};
};

}  // namespace crypto
