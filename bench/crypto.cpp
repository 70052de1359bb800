// The cryptographic library against OpenSSL and GMP in one run, on this processor: SHA-256,
// SHA-512 and AES-128-CBC over 16 KiB buffers (bytes per second), and a 2048-bit modular
// exponentiation with a full-size exponent (time per call). The "Portable" variants switch
// the processor's SHA and AES instructions off, to show what the portable code alone does.
#include <benchmark/benchmark.h>
#include <gmp.h>
#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <vector>

#include "crypto/Aes.h"
#include "crypto/CpuFeatures.h"
#include "crypto/Integer.h"
#include "crypto/ModularArithmetic.h"
#include "crypto/RandomInteger.h"
#include "crypto/Sha256.h"
#include "crypto/Sha512.h"

namespace {

constexpr std::size_t kBufferSize = 16 * 1024;

std::vector<std::uint8_t> Buffer() {
  std::vector<std::uint8_t> data(kBufferSize);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(i * 131 + 17);
  }
  return data;
}

// Runs a benchmark body with the instruction paths allowed or not, restoring them after.
class InstructionPaths {
 public:
  explicit InstructionPaths(bool allowed) { crypto::AllowInstructionPaths(allowed); }
  ~InstructionPaths() { crypto::AllowInstructionPaths(true); }
};

void OursSha256(benchmark::State& state, bool instructions) {
  const InstructionPaths paths(instructions);
  const auto data = Buffer();
  const crypto::CSha256 hasher;
  std::array<std::uint8_t, 32> digest{};
  for (auto _ : state) {
    hasher.Digest(data.data(), data.size(), digest.data(), false);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK_CAPTURE(OursSha256, Dispatched, true);
BENCHMARK_CAPTURE(OursSha256, Portable, false);

void OpenSslDigest(benchmark::State& state, const EVP_MD* md) {
  const auto data = Buffer();
  std::array<std::uint8_t, 64> digest{};
  unsigned int size = 0;
  for (auto _ : state) {
    EVP_Digest(data.data(), data.size(), digest.data(), &size, md, nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK_CAPTURE(OpenSslDigest, Sha256, EVP_sha256());
BENCHMARK_CAPTURE(OpenSslDigest, Sha512, EVP_sha512());

void OursSha512(benchmark::State& state) {
  const auto data = Buffer();
  std::array<std::uint8_t, 64> digest{};
  for (auto _ : state) {
    crypto::CSha512::Digest(data.data(), data.size(), digest.data(), false);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(OursSha512);

const std::array<std::uint8_t, 16> kKey = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                           0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};

void OursAes128Cbc(benchmark::State& state, bool instructions, std::uint32_t mode) {
  const InstructionPaths paths(instructions);
  auto data = Buffer();
  crypto::CAes aes;
  aes.SetKey(kKey.data(), kKey.size());
  std::array<std::uint8_t, 16> iv{};
  for (auto _ : state) {
    aes.ProcessCbc(mode, data.size(), iv.data(), data.data(), data.data());
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK_CAPTURE(OursAes128Cbc, EncryptDispatched, true, crypto::CAes::kEncrypt);
BENCHMARK_CAPTURE(OursAes128Cbc, EncryptPortable, false, crypto::CAes::kEncrypt);
BENCHMARK_CAPTURE(OursAes128Cbc, DecryptDispatched, true, crypto::CAes::kDecrypt);
BENCHMARK_CAPTURE(OursAes128Cbc, DecryptPortable, false, crypto::CAes::kDecrypt);

void OpenSslAes128Cbc(benchmark::State& state, bool encrypt) {
  auto data = Buffer();
  std::array<std::uint8_t, 16> iv{};
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(context, EVP_aes_128_cbc(), nullptr, kKey.data(), iv.data(), encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(context, 0);
  int written = 0;
  for (auto _ : state) {
    EVP_CipherUpdate(context, data.data(), &written, data.data(), static_cast<int>(data.size()));
    benchmark::DoNotOptimize(data.data());
  }
  EVP_CIPHER_CTX_free(context);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK_CAPTURE(OpenSslAes128Cbc, Encrypt, true);
BENCHMARK_CAPTURE(OpenSslAes128Cbc, Decrypt, false);

// A 2048-bit odd modulus, base and exponent, the same for both libraries.
struct PowerOperands {
  crypto::CInteger base, exponent, modulus;
};

const PowerOperands& Operands() {
  static const PowerOperands operands = [] {
    const std::array<std::uint8_t, 4> seed = {20, 48};
    CIsaacRandom rng(seed);
    const crypto::CInteger low = crypto::CInteger::PowerOfTwo(2047);
    const crypto::CInteger high = crypto::CInteger::PowerOfTwo(2048) - 1;
    PowerOperands o{crypto::DrawInRange(rng, low, high), crypto::DrawInRange(rng, low, high),
                    crypto::DrawInRange(rng, low, high)};
    o.modulus.SetBit(0);
    return o;
  }();
  return operands;
}

void OursModExp2048(benchmark::State& state) {
  const PowerOperands& o = Operands();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crypto::ModExp(o.base, o.exponent, o.modulus));
  }
}
BENCHMARK(OursModExp2048)->Unit(benchmark::kMillisecond);

void ToMpz(mpz_t target, const crypto::CInteger& value) {
  mpz_import(target, value.WordCount(), -1, sizeof(crypto::Word), 0, 0, value.Words());
}

void GmpModExp2048(benchmark::State& state) {
  const PowerOperands& o = Operands();
  mpz_t base, exponent, modulus, result;
  mpz_inits(base, exponent, modulus, result, nullptr);
  ToMpz(base, o.base);
  ToMpz(exponent, o.exponent);
  ToMpz(modulus, o.modulus);
  for (auto _ : state) {
    mpz_powm(result, base, exponent, modulus);
    benchmark::DoNotOptimize(result);
  }
  if (crypto::CInteger(mpz_get_str(nullptr, 16, result)) !=
      crypto::ModExp(o.base, o.exponent, o.modulus)) {
    state.SkipWithError("GMP and the library disagree");
  }
  mpz_clears(base, exponent, modulus, result, nullptr);
}
BENCHMARK(GmpModExp2048)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
