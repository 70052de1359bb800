#include "util/IsaacRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <set>
#include <vector>

namespace {

const std::array<std::uint8_t, CIsaacRandom::kSeedBytes> kZeroSeed{};

// ISAAC's published reference output (the all-zero seed): the first results of the block
// after the one that initialisation generates, in result order, ...
constexpr std::uint32_t kReferenceBlock[16] = {
    0xf650e4c8, 0xe448e96d, 0x98db2fb4, 0xf5fad54f, 0x433f1afb, 0xedec154a, 0xd8370487, 0x46ca4f9a,
    0x5de3743e, 0x88381097, 0xf1d444eb, 0x823cedb6, 0x6a83e1e0, 0x4a5f6355, 0xc7442433, 0x25890e2e};
// ... its last eight results, and the first eight of the block after it.
constexpr std::uint32_t kReferenceBlockEnd[8] = {0xb8f6fd4a, 0x6a158d10, 0x01913fd3, 0xaf7d1fb8,
                                                 0x0b5e435f, 0x90c10757, 0x6554abda, 0x7a68710f};
constexpr std::uint32_t kReferenceNextBlock[8] = {0x82ac484f, 0xd7e1c7be, 0x95c85eaa, 0x94a302f4,
                                                  0x4d3cfbda, 0x786b2908, 0x1010b275, 0x82d53d12};

std::vector<std::uint32_t> Draw(CIsaacRandom& random, std::size_t count) {
  std::vector<std::uint32_t> values(count);
  for (auto& value : values) {
    value = random.Next();
  }
  return values;
}

TEST(IsaacRandom, ZeroSeedGivesThePublishedSequenceFromTheLastWordOfEachBlockDown) {
  CIsaacRandom random(kZeroSeed);
  const std::vector<std::uint32_t> values = Draw(random, 768);
  // The block made at initialisation is handed out first, from word 255 down to word 0.
  EXPECT_EQ(values[0], 0x182600f3u);
  EXPECT_EQ(values[1], 0x300b4a8du);
  EXPECT_EQ(values[2], 0x301b6622u);
  // The 257th call generates the next block: its word 255 first, its word 0 last.
  for (std::size_t i = 0; i < 16; ++i) {
    EXPECT_EQ(values[511 - i], kReferenceBlock[i]) << "word " << i;
  }
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(values[256 + 7 - i], kReferenceBlockEnd[i]) << "word " << 248 + i;
    EXPECT_EQ(values[767 - i], kReferenceNextBlock[i]) << "word " << i;
  }
}

TEST(IsaacRandom, GenerateAndInitializeFollowTheReferenceToo) {
  CIsaacRandom random(kZeroSeed);
  random.Generate();
  random.Initialize(true);  // the block of results now feeds the state
  CIsaacRandom fresh(kZeroSeed);
  EXPECT_NE(Draw(random, 4), Draw(fresh, 4));

  // Without the seed the state comes from the golden ratio alone, whatever the seed was.
  const std::array<std::uint8_t, 3> otherSeed = {9, 8, 7};
  CIsaacRandom unseeded(kZeroSeed), alsoUnseeded(otherSeed);
  unseeded.Initialize(false);
  alsoUnseeded.Initialize(false);
  EXPECT_EQ(Draw(unseeded, 300), Draw(alsoUnseeded, 300));
  CIsaacRandom seeded(otherSeed);
  EXPECT_NE(Draw(seeded, 4), Draw(alsoUnseeded, 4));
}

TEST(IsaacRandom, SeedBytesFillTheFirstWordsLeastSignificantByteFirst) {
  std::array<std::uint8_t, 4> shortSeed = {1, 0, 0, 0};
  std::array<std::uint8_t, CIsaacRandom::kSeedBytes> fullSeed{};
  fullSeed[0] = 1;
  CIsaacRandom a(shortSeed), b(fullSeed), zero(kZeroSeed);
  const auto first = Draw(a, 300);
  EXPECT_EQ(first, Draw(b, 300));
  EXPECT_NE(first, Draw(zero, 300));
  std::array<std::uint8_t, 4> highByte = {0, 0, 0, 1};
  CIsaacRandom c(highByte);
  EXPECT_NE(first, Draw(c, 300));
}

TEST(IsaacRandom, SystemSeededGeneratorsDiffer) {
  CIsaacRandom a, b;
  EXPECT_NE(Draw(a, 8), Draw(b, 8));
}

TEST(IsaacRandom, RandomInRangeStaysInsideAndCoversTheRange) {
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(RandomInRange(5, 5), 5u);
  }
  std::set<std::uint32_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::uint32_t value = RandomInRange(10, 19);
    ASSERT_GE(value, 10u);
    ASSERT_LE(value, 19u);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 10u);
  // Bounds given the wrong way round mean the same range.
  for (int i = 0; i < 200; ++i) {
    const std::uint32_t value = RandomInRange(19, 10);
    ASSERT_GE(value, 10u);
    ASSERT_LE(value, 19u);
  }
}

TEST(IsaacRandom, RandomInRangeOverAllValuesGivesTheRawGeneratorValues) {
  // g_Random is a generator like any other: a copy of its sequence cannot be made, but the
  // full range must not fold values (span 0 would divide by zero).
  std::set<std::uint32_t> values;
  bool high = false;
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t value = RandomInRange(0, 0xFFFFFFFFu);
    high = high || value > 0x80000000u;
    values.insert(value);
  }
  EXPECT_TRUE(high);
  EXPECT_GT(values.size(), 60u);
}

TEST(IsaacRandom, DistinctRandomNumbersOverTheWholeRangeIsAPermutation) {
  std::vector<std::uint32_t> output(10);
  ASSERT_TRUE(DistinctRandomNumbers(1, 10, output, 10));
  std::vector<std::uint32_t> sorted = output;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::uint32_t> expected(10);
  std::iota(expected.begin(), expected.end(), 1u);
  EXPECT_EQ(sorted, expected);
}

TEST(IsaacRandom, DistinctRandomNumbersPartOfARange) {
  std::vector<std::uint32_t> output(6, 0);
  ASSERT_TRUE(DistinctRandomNumbers(100, 199, output, 5));
  EXPECT_EQ(output[5], 0u);  // beyond count: untouched
  std::set<std::uint32_t> distinct(output.begin(), output.begin() + 5);
  EXPECT_EQ(distinct.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_GE(output[i], 100u);
    EXPECT_LE(output[i], 199u);
  }
}

TEST(IsaacRandom, DistinctRandomNumbersRefusesWhatCannotBeDone) {
  std::vector<std::uint32_t> output(12, 7);
  EXPECT_TRUE(DistinctRandomNumbers(1, 10, output, 0));   // nothing asked, nothing done
  EXPECT_FALSE(DistinctRandomNumbers(1, 10, output, 11));  // more than the range holds
  EXPECT_FALSE(DistinctRandomNumbers(1, 10, std::span(output).first(3), 4));  // no room
  EXPECT_EQ(output, std::vector<std::uint32_t>(12, 7));
}

}  // namespace
