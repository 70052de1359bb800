#pragma once
// OpenSSL's low-level Blowfish (no provider needed) as the oracle of CBlowfish, with the key
// cut to 56 bytes and the chain started again at every call, as CBlowfish does. Where OpenSSL
// was built without Blowfish, OPENSSL_NO_BF is defined and the oracle is missing.
#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif
#include <openssl/opensslconf.h>
#ifndef OPENSSL_NO_BF
#include <openssl/blowfish.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "util/Blowfish.h"

namespace testsupport {

#ifndef OPENSSL_NO_BF
class OpenSslBlowfish {
 public:
  OpenSslBlowfish(const std::vector<std::uint8_t>& key, const std::uint8_t iv[8]) {
    BF_set_key(&m_key, static_cast<int>(std::min<std::size_t>(key.size(), 56)), key.data());
    std::memcpy(m_iv, iv, 8);
  }
  // The input (whole blocks) in one of CBlowfish's modes.
  std::vector<std::uint8_t> Run(const std::vector<std::uint8_t>& input, int mode, bool encrypt) {
    std::vector<std::uint8_t> output(input.size());
    unsigned char iv[8];
    std::memcpy(iv, m_iv, 8);
    const int direction = encrypt ? BF_ENCRYPT : BF_DECRYPT;
    if (mode == util::kBlowfishCbc) {
      BF_cbc_encrypt(input.data(), output.data(), static_cast<long>(input.size()), &m_key, iv, direction);
    } else if (mode == util::kBlowfishCfb) {
      int used = 0;
      BF_cfb64_encrypt(input.data(), output.data(), static_cast<long>(input.size()), &m_key, iv, &used, direction);
    } else {
      for (std::size_t offset = 0; offset < input.size(); offset += 8) {
        BF_ecb_encrypt(input.data() + offset, output.data() + offset, &m_key, direction);
      }
    }
    return output;
  }

 private:
  BF_KEY m_key{};
  unsigned char m_iv[8];
};
#endif

}  // namespace testsupport
