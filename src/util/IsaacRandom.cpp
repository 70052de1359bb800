#include "util/IsaacRandom.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "util/SecureWipe.h"

namespace {

constexpr std::uint32_t kGoldenRatio = 0x9E3779B9u;

// The ISAAC mix of the eight working words.
void Mix(std::array<std::uint32_t, 8>& w) {
  auto& [a, b, c, d, e, f, g, h] = w;
  a ^= b << 11; d += a; b += c;
  b ^= c >> 2;  e += b; c += d;
  c ^= d << 8;  f += c; d += e;
  d ^= e >> 16; g += d; e += f;
  e ^= f << 10; h += e; f += g;
  f ^= g >> 4;  a += f; g += h;
  g ^= h << 8;  b += g; h += a;
  h ^= a >> 9;  c += h; a += b;
}

// Fills the buffer from the kernel's random source. Should that fail (it does not on any
// kernel the station runs on), the clock and the address of the buffer still make the seeds
// of two runs differ.
void OperatingSystemSeed(std::span<std::uint8_t> seed) {
  std::size_t filled = 0;
  while (filled < seed.size()) {
    const ssize_t got = ::getrandom(seed.data() + filled, seed.size() - filled, 0);
    if (got > 0) {
      filled += static_cast<std::size_t>(got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  if (filled < seed.size()) {
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const auto address = reinterpret_cast<std::uintptr_t>(seed.data());
    for (std::size_t i = filled; i < seed.size(); ++i) {
      seed[i] = static_cast<std::uint8_t>((ticks >> (8 * (i % 8))) ^ (address >> (8 * (i % 4))) ^ i);
    }
  }
}

}  // namespace

CIsaacRandom::CIsaacRandom() {
  std::array<std::uint8_t, kSeedBytes> seed{};
  OperatingSystemSeed(seed);
  SeedWith(seed);
  SecureWipeObject(seed);
}

CIsaacRandom::CIsaacRandom(std::span<const std::uint8_t> seed) { SeedWith(seed); }

CIsaacRandom::~CIsaacRandom() {
  SecureWipeObject(m_results);
  SecureWipeObject(m_memory);
  SecureWipeObject(m_seed);
  m_a = m_b = m_c = m_count = 0;
}

void CIsaacRandom::SeedWith(std::span<const std::uint8_t> seed) {
  m_seed.fill(0);
  std::copy_n(seed.begin(), std::min(seed.size(), m_seed.size()), m_seed.begin());
  // The seed bytes fill the first 64 result words, first byte least significant; the other
  // words are zero.
  m_results.fill(0);
  for (std::size_t i = 0; i < m_seed.size(); ++i) {
    m_results[i / 4] |= static_cast<std::uint32_t>(m_seed[i]) << (8 * (i % 4));
  }
  Initialize(true);
}

void CIsaacRandom::Initialize(bool useSeed) {
  m_a = m_b = m_c = 0;
  std::array<std::uint32_t, 8> w;
  w.fill(kGoldenRatio);
  for (int i = 0; i < 4; ++i) {
    Mix(w);
  }
  const auto storePass = [&](const std::array<std::uint32_t, kStateWords>* source) {
    for (std::size_t i = 0; i < kStateWords; i += 8) {
      if (source != nullptr) {
        for (std::size_t j = 0; j < 8; ++j) {
          w[j] += (*source)[i + j];
        }
      }
      Mix(w);
      std::copy(w.begin(), w.end(), m_memory.begin() + static_cast<std::ptrdiff_t>(i));
    }
  };
  if (useSeed) {
    storePass(&m_results);
    storePass(&m_memory);
  } else {
    storePass(nullptr);
  }
  SecureWipeObject(w);
  Generate();
  m_count = kStateWords;
}

void CIsaacRandom::Generate() {
  constexpr std::size_t kHalf = kStateWords / 2;
  std::uint32_t a = m_a;
  std::uint32_t b = m_b + (++m_c);
  const auto step = [&](std::size_t i, std::size_t paired, std::uint32_t mixed) {
    const std::uint32_t x = m_memory[i];
    a = mixed + m_memory[paired];
    const std::uint32_t y = m_memory[(x >> 2) & 0xFF] + a + b;
    m_memory[i] = y;
    b = m_memory[(y >> 10) & 0xFF] + x;
    m_results[i] = b;
  };
  for (std::size_t i = 0; i < kStateWords; i += 4) {
    const std::size_t pair = (i + kHalf) % kStateWords;
    step(i, pair, a ^ (a << 13));
    step(i + 1, pair + 1, a ^ (a >> 6));
    step(i + 2, pair + 2, a ^ (a << 2));
    step(i + 3, pair + 3, a ^ (a >> 16));
  }
  m_a = a;
  m_b = b;
}

std::uint32_t CIsaacRandom::Next() {
  if (m_count == 0) {
    Generate();
    m_count = kStateWords;
  }
  --m_count;
  return m_results[m_count];
}

CIsaacRandom g_Random;

std::uint32_t RandomInRange(std::uint32_t low, std::uint32_t high) {
  if (low > high) {
    std::swap(low, high);
  }
  const std::uint32_t span = high - low + 1;
  const std::uint32_t value = g_Random.Next();
  return span == 0 ? value : value % span + low;
}

bool DistinctRandomNumbers(std::uint32_t low, std::uint32_t high, std::span<std::uint32_t> output,
                           std::size_t count) {
  if (count == 0) {
    return true;
  }
  if (low > high) {
    std::swap(low, high);
  }
  const std::uint64_t available = static_cast<std::uint64_t>(high) - low + 1;
  if (count > available || count > output.size()) {
    return false;
  }
  output[0] = RandomInRange(low, high);
  std::size_t stored = 1;
  while (stored < count) {
    const std::uint32_t candidate = RandomInRange(low, high);
    if (std::find(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(stored), candidate) ==
        output.begin() + static_cast<std::ptrdiff_t>(stored)) {
      output[stored++] = candidate;
    }
  }
  return true;
}
