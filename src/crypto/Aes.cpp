#include "crypto/Aes.h"

#include <algorithm>

#include "crypto/AesRounds.h"
#include "crypto/CpuFeatures.h"
#include "util/SecureWipe.h"

namespace crypto {

CAes::CAes() = default;

CAes::~CAes() {
  SecureWipeObject(m_key);
  SecureWipeObject(m_roundKeys);
  m_keyLength = 0;
}

std::uint32_t CAes::SetKey(const std::uint8_t* key, std::size_t length) {
  if (length != 16 && length != 24 && length != 32) {
    return kBadModeOrKeyLength;
  }
  if (key == nullptr) {
    return kNullArgument;
  }
  SecureWipeObject(m_key);
  SecureWipeObject(m_roundKeys);
  std::copy_n(key, length, m_key.begin());
  m_keyLength = static_cast<std::uint32_t>(length);
  m_scheduleMode = kNoSchedule;
  return kOk;
}

bool CAes::PrepareSchedule(Mode mode) {
  if (m_keyLength == 0) {
    return false;
  }
  if (m_scheduleMode == static_cast<int>(mode)) {
    return true;
  }
  if (mode == kEncrypt) {
    m_rounds = aes::ExpandEncryptionKey(m_key.data(), m_keyLength, m_roundKeys.data());
  } else {
    std::array<std::uint32_t, kScheduleWords> encryption{};
    m_rounds = aes::ExpandEncryptionKey(m_key.data(), m_keyLength, encryption.data());
    aes::MakeDecryptionSchedule(encryption.data(), m_rounds, m_roundKeys.data());
    SecureWipeObject(encryption);
  }
  m_scheduleMode = static_cast<int>(mode);
  return true;
}

void CAes::EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
#if defined(__x86_64__)
  if (UseAesInstructions()) {
    aes::EncryptBlockNi(m_roundKeys.data(), m_rounds, in, out);
    return;
  }
#endif
  aes::EncryptBlock(m_roundKeys.data(), m_rounds, in, out);
}

void CAes::DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
#if defined(__x86_64__)
  if (UseAesInstructions()) {
    aes::DecryptBlockNi(m_roundKeys.data(), m_rounds, in, out);
    return;
  }
#endif
  aes::DecryptBlock(m_roundKeys.data(), m_rounds, in, out);
}

std::uint32_t CAes::ProcessBlock(std::uint32_t mode, const std::uint8_t* in, std::uint8_t* out) {
  if (mode != kEncrypt && mode != kDecrypt) {
    return kBadModeOrKeyLength;
  }
  if (m_keyLength == 0) {
    return kNoKey;
  }
  if (in == nullptr || out == nullptr) {
    return kNullArgument;
  }
  PrepareSchedule(static_cast<Mode>(mode));
  if (mode == kEncrypt) {
    EncryptBlock(in, out);
  } else {
    DecryptBlock(in, out);
  }
  return kOk;
}

std::uint32_t CAes::ProcessCbc(std::uint32_t mode, std::size_t length, std::uint8_t* iv,
                               const std::uint8_t* in, std::uint8_t* out) {
  if (mode != kEncrypt && mode != kDecrypt) {
    return kBadModeOrKeyLength;
  }
  if (m_keyLength == 0) {
    return kNoKeyForCbc;
  }
  if (in == nullptr || out == nullptr || iv == nullptr) {
    return kNullArgument;
  }
  if (length % kBlockSize != 0) {
    return kBadLengthOrOffset;
  }
  PrepareSchedule(static_cast<Mode>(mode));
  const std::size_t blocks = length / kBlockSize;
#if defined(__x86_64__)
  if (UseAesInstructions()) {
    if (mode == kEncrypt) {
      aes::CbcEncryptNi(m_roundKeys.data(), m_rounds, blocks, iv, in, out);
    } else {
      aes::CbcDecryptNi(m_roundKeys.data(), m_rounds, blocks, iv, in, out);
    }
    return kOk;
  }
#endif
  std::uint8_t block[kBlockSize];
  for (std::size_t i = 0; i < blocks; ++i, in += kBlockSize, out += kBlockSize) {
    if (mode == kEncrypt) {
      for (std::size_t k = 0; k < kBlockSize; ++k) {
        block[k] = in[k] ^ iv[k];
      }
      aes::EncryptBlock(m_roundKeys.data(), m_rounds, block, out);
      std::copy_n(out, kBlockSize, iv);
    } else {
      std::uint8_t cipher[kBlockSize];
      std::copy_n(in, kBlockSize, cipher);  // in and out may be the same
      aes::DecryptBlock(m_roundKeys.data(), m_rounds, cipher, block);
      for (std::size_t k = 0; k < kBlockSize; ++k) {
        out[k] = block[k] ^ iv[k];
      }
      std::copy_n(cipher, kBlockSize, iv);
    }
  }
  SecureWipeObject(block);
  return kOk;
}

std::uint32_t CAes::ProcessCfb128(std::uint32_t mode, std::size_t length, std::uint32_t* ivOffset,
                                  std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out) {
  if (mode != kEncrypt && mode != kDecrypt) {
    return kBadModeOrKeyLength;
  }
  if (m_keyLength == 0) {
    return kNoKey;
  }
  if (in == nullptr || out == nullptr || ivOffset == nullptr || iv == nullptr) {
    return kNullArgument;
  }
  std::uint32_t offset = *ivOffset;
  if (offset >= kBlockSize) {
    return kBadLengthOrOffset;
  }
  PrepareSchedule(kEncrypt);
  for (std::size_t i = 0; i < length; ++i) {
    if (offset == 0) {
      EncryptBlock(iv, iv);
    }
    const std::uint8_t input = in[i];
    const std::uint8_t output = input ^ iv[offset];
    out[i] = output;
    iv[offset] = (mode == kEncrypt) ? output : input;
    offset = (offset + 1) % kBlockSize;
  }
  *ivOffset = offset;
  return kOk;
}

}  // namespace crypto
