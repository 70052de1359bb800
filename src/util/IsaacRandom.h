#pragma once
// ISAAC, Bob Jenkins' 32-bit pseudo-random generator (256-word state, results handed out in
// blocks of 256), with a process-wide instance and two helpers that draw from it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class CIsaacRandom {
 public:
  static constexpr std::size_t kStateWords = 256;
  static constexpr std::size_t kSeedBytes = 256;

  // Seeds from the operating system's random source.
  CIsaacRandom();
  // Seeds with the given bytes (at most 256 are used; missing bytes are zero), so that tests
  // and callers that need a repeatable sequence get one. The all-zero seed gives ISAAC's
  // published reference sequence.
  explicit CIsaacRandom(std::span<const std::uint8_t> seed);
  // The state may have fed key material, so it is wiped.
  ~CIsaacRandom();
  CIsaacRandom(const CIsaacRandom&) = delete;
  CIsaacRandom& operator=(const CIsaacRandom&) = delete;

  // ISAAC initialisation. With useSeed the current result block (whose first 64 words hold
  // the seed bytes) is mixed into the state; without it the state comes from the golden ratio
  // alone. Runs one Generate and makes the new block available.
  void Initialize(bool useSeed);
  // One ISAAC pass: 256 new results.
  void Generate();
  // The next result. Each block is handed out from its last word down to its first, and the
  // 257th call after a Generate runs the next one first.
  std::uint32_t Next();

 private:
  void SeedWith(std::span<const std::uint8_t> seed);

  std::uint32_t m_count = 0;
  std::array<std::uint32_t, kStateWords> m_results{};
  std::array<std::uint32_t, kStateWords> m_memory{};
  std::uint32_t m_a = 0;
  std::uint32_t m_b = 0;
  std::uint32_t m_c = 0;
  std::array<std::uint8_t, kSeedBytes> m_seed{};
};

// The process-wide generator, seeded from the operating system before main runs. Like any
// CIsaacRandom it belongs to one thread at a time.
extern CIsaacRandom g_Random;

// A value of [low, high] drawn from g_Random (Next modulo the span, plus low). The full range
// 0..FFFFFFFF gives the raw generator value. Bounds given the wrong way round are taken as the
// same range.
std::uint32_t RandomInRange(std::uint32_t low, std::uint32_t high);

// Fills output[0..count-1] with distinct values of [low, high], drawn with RandomInRange in
// draw order (a repeated value is drawn again). A count of 0 does nothing and succeeds; a
// count larger than the range holds, or an output shorter than count, is refused with false
// and leaves output untouched.
bool DistinctRandomNumbers(std::uint32_t low, std::uint32_t high, std::span<std::uint32_t> output,
                           std::size_t count);
