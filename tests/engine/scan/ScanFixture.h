#pragma once
// The engine tests of the flash scan and the bad-block tables: the engine-core fixture with
// drives on burner code (where the scan runs), settings written into the scratch station and
// a fixed tick source, so that the "Total take" lines read 0.000.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/EngineFixture.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "sim/BadBlockMap.h"

namespace scantest {

// Status bytes of the simulator's named bad blocks.
inline constexpr std::uint8_t kFactory = 0x80;
inline constexpr std::uint8_t kErase = 0x04;
inline constexpr std::uint8_t kProgram = 0x02;
inline constexpr std::uint8_t kRead = 0x01;

// A drive on burner code with two CEs of 64 blocks, one die and two planes, no RDT run, and
// the named bad blocks.
inline sim::DriveProfile SmallDrive(std::vector<sim::NamedBadBlock> named = {}) {
  sim::DriveProfile profile;
  profile.startOnBurner = true;
  profile.geometry.ceMap = 0x3;
  profile.geometry.diesPerCe = 1;
  profile.geometry.planes = 2;
  profile.geometry.blocksPerCe = 64;
  profile.badBlocks.named = std::move(named);
  return profile;
}

// The same drive with 1000 blocks per CE and factory bad blocks on every second block of one
// CE from block 10 on.
inline sim::DriveProfile ThousandBlockDrive(unsigned ce, std::uint32_t lastBlock) {
  sim::DriveProfile profile = SmallDrive();
  profile.geometry.blocksPerCe = 1000;
  for (std::uint32_t block = 10; block < lastBlock; block += 2) profile.badBlocks.named.push_back({ce, block, kFactory});
  return profile;
}

class ScanTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    platform::SetTickSource([] { return std::uint64_t{1000}; });
  }
  void TearDown() override {
    platform::SetTickSource({});
    EngineTest::TearDown();
  }
  void Set(const settings::Key& key, const std::string& value) {
    ASSERT_TRUE(settings::WriteText(key, value));
    platform::FlushProfileCache();
  }
  // The report's lines after the banner, without their line ends.
  std::vector<std::string> ReportLines() const {
    std::vector<std::string> lines;
    const std::string text = Report();
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  // The report lines from the first that holds `first` on (empty when none holds it).
  std::vector<std::string> LinesFrom(const std::string& first) const {
    const std::vector<std::string> lines = ReportLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(first) != std::string::npos) return {lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end()};
    }
    return {};
  }
};

}  // namespace scantest
