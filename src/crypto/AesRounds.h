#pragma once
// The AES block functions behind CAes, on a prepared key schedule: the portable table-driven
// rounds, and the AES-NI forms that CAes chooses at run time where the processor has them.
// The schedule is the little-endian word form that CAes builds; the decryption schedule is the
// equivalent inverse cipher's (round keys in reverse order, the inner ones through
// InvMixColumns), which is also what AES-NI's decryption rounds expect.
#include <cstddef>
#include <cstdint>

namespace crypto::aes {

void EncryptBlock(const std::uint32_t* roundKeys, int rounds, const std::uint8_t* in,
                  std::uint8_t* out);
void DecryptBlock(const std::uint32_t* roundKeys, int rounds, const std::uint8_t* in,
                  std::uint8_t* out);
// Builds the encryption schedule of a 16-, 24- or 32-byte key; returns the number of rounds.
int ExpandEncryptionKey(const std::uint8_t* key, std::size_t length, std::uint32_t* roundKeys);
// Turns an encryption schedule into the decryption schedule.
void MakeDecryptionSchedule(const std::uint32_t* encryption, int rounds, std::uint32_t* decryption);

#if defined(__x86_64__)
void EncryptBlockNi(const std::uint32_t* roundKeys, int rounds, const std::uint8_t* in,
                    std::uint8_t* out);
void DecryptBlockNi(const std::uint32_t* roundKeys, int rounds, const std::uint8_t* in,
                    std::uint8_t* out);
void CbcEncryptNi(const std::uint32_t* roundKeys, int rounds, std::size_t blocks,
                  std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out);
void CbcDecryptNi(const std::uint32_t* roundKeys, int rounds, std::size_t blocks,
                  std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out);
#endif

}  // namespace crypto::aes
