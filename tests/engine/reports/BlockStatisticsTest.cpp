#include "engine/reports/BlockStatistics.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using RdtInfo = std::array<std::uint8_t, engine::kMpInfoBytes>;

// The RDT information record of the examples: temperature 45, firmware "T0B1", TLC and SLC
// ECC thresholds 40 and 30, TLC and SLC loops 3 and 5, 3,725 seconds.
RdtInfo ExampleRdtInfo() {
  RdtInfo info{};
  info[0x31] = 45;
  info[0x32] = 'T';
  info[0x33] = '0';
  info[0x34] = 'B';
  info[0x35] = '1';
  info[0x38] = 5;   // SLC loops
  info[0x39] = 3;   // TLC loops
  info[0x3A] = 30;  // SLC ECC threshold
  info[0x3B] = 40;  // TLC ECC threshold
  info[0x3C] = 0x8D;
  info[0x3D] = 0x0E;
  return info;
}

std::unique_ptr<BlockInfoRecord> ZeroRecord() {
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  record->SetTag("RDT");
  return record;
}

TEST(BlockStatisticsText, RecordWithSumsAndRdtItems) {
  const auto record = ZeroRecord();
  const std::string text =
      engine::FormatBlockStatisticsText(0x0A, engine::CountBlockInfoRecord(*record), ExampleRdtInfo());
  EXPECT_EQ(text,
            "OB/RB:0/0*P OLB+RB:0*E OLB+RB:0*R OLB+RB:0*"
            "T(\xA2\x58"
            "C):45*FW:0B1*ECC(T/S):40/30*Loop(T/S):3/5*Time:01:02:05");
}

TEST(BlockStatisticsText, TheDegreeSignIsTheTwoBytesOfCodePage950) {
  const auto record = ZeroRecord();
  const std::string text = engine::FormatBlockStatisticsText(0, engine::CountBlockInfoRecord(*record), RdtInfo{});
  const std::string expected = std::string("OB/RB:0/0*T(") + '\xA2' + '\x58' + "C):0*";
  EXPECT_EQ(text, expected);
}

TEST(BlockStatisticsText, RecordCountsTakeEachCesOwnChannelGroup) {
  auto record = ZeroRecord();
  // CE 3 reads channel group 0, CE 9 channel group 1; the other groups do not count.
  record->early[3][0][0] = 1;
  record->early[3][0][3] = 4;
  record->early[3][1][0] = 1000;
  record->early[9][1][2] = 7;
  record->early[9][0][2] = 1000;
  for (std::size_t plane = 0; plane < 4; ++plane) {
    record->later[3][0][plane][kLaterTotal] = 1;
    record->later[9][0][plane][kLaterTotal] = 1000;
  }
  record->later[3][0][1][kLaterProgram] = 2;
  record->later[3][0][1][kLaterErase] = 3;
  record->later[15][1][3][kLaterRead] = 6;
  record->later[15][1][3][kLaterTotal] = 6;
  record->later[9][1][0][kLaterProgram] = 1;
  const engine::BlockStatisticsCounts counts = engine::CountBlockInfoRecord(*record);
  const std::string text = engine::FormatBlockStatisticsText(0x05, counts, RdtInfo{});
  std::string expected;
  for (int ce = 0; ce < 16; ++ce) {
    const char* item = ce == 3 ? "03: 5/ 4 (P: 2)*" : ce == 9 ? "09: 7/ 0 (P: 1)*" : ce == 15 ? "15: 0/ 6 (P: 0)*" : nullptr;
    expected += item != nullptr ? std::string(item) : (ce < 10 ? "0" : "") + std::to_string(ce) + ": 0/ 0 (P: 0)*";
  }
  expected += "OB/RB:12/10*P OLB/RB:0/3*E OLB/RB:0/3*R OLB/RB:0/6*T(\xA2\x58"
              "C):0*";
  EXPECT_EQ(text, expected);
}

TEST(BlockStatisticsText, CountsAreNotCutTo16Bits) {
  auto record = ZeroRecord();
  record->early[0][0][0] = 70000;
  record->later[1][0][0][kLaterTotal] = 65536;
  record->later[1][0][0][kLaterErase] = 65536;
  const std::string text = engine::FormatBlockStatisticsText(0x03, engine::CountBlockInfoRecord(*record), RdtInfo{});
  EXPECT_EQ(text.substr(0, 35), "00: 70000/ 0 (P: 0)*01: 0/ 65536 (P");
  EXPECT_NE(text.find("OB/RB:70000/65536*P OLB+RB:0*E OLB+RB:65536*"), std::string::npos);
}

TEST(BlockStatisticsText, AReverseTestDoublesTheLoopsWithoutWrapping) {
  const auto record = ZeroRecord();
  RdtInfo info = ExampleRdtInfo();
  info[0x17] = 0x80;
  EXPECT_NE(engine::FormatBlockStatisticsText(0x08, engine::CountBlockInfoRecord(*record), info).find("Loop(T/S):6/10*"),
            std::string::npos);
  info[0x39] = 200;
  EXPECT_NE(engine::FormatBlockStatisticsText(0x08, engine::CountBlockInfoRecord(*record), info).find("Loop(T/S):400/10*"),
            std::string::npos);
  // Other bits of the switch byte change nothing.
  info[0x17] = 0x7F;
  EXPECT_NE(engine::FormatBlockStatisticsText(0x08, engine::CountBlockInfoRecord(*record), info).find("Loop(T/S):200/5*"),
            std::string::npos);
}

TEST(BlockStatisticsText, FirmwareCharactersStopAtTheirFirstZeroByte) {
  const auto record = ZeroRecord();
  RdtInfo info = ExampleRdtInfo();
  info[0x34] = 0;
  info[0x3C] = 0;
  info[0x3D] = 0;
  const std::string text = engine::FormatBlockStatisticsText(0x08, engine::CountBlockInfoRecord(*record), info);
  EXPECT_NE(text.find("*FW:0*ECC(T/S):40/30*"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 14), "*Time:00:00:00");
}

TEST(BlockStatisticsShift, UpToTenProgramFailsCountAsReadFails) {
  engine::BlockStatisticsCounts counts;
  counts.programRb = 4;
  counts.readRb = 1;
  engine::ShiftProgramToRead(counts);
  EXPECT_EQ(counts.programRb, 0);
  EXPECT_EQ(counts.readRb, 5);
  counts.programRb = 25;
  counts.readRb = 1;
  counts.programOlb = 10;
  counts.readOlb = 0;
  counts.programFail[0] = 25;
  engine::ShiftProgramToRead(counts);
  EXPECT_EQ(counts.programRb, 15);
  EXPECT_EQ(counts.readRb, 11);
  EXPECT_EQ(counts.programOlb, 0);
  EXPECT_EQ(counts.readOlb, 10);
  EXPECT_EQ(counts.programFail[0], 25);
}

// A block map of status bytes per CE, counted the way the engine counts its map.
class FakeBlockMap {
 public:
  std::map<int, std::vector<std::uint8_t>> blocks;
  std::vector<std::array<int, 3>> asked;

  engine::BlockStatusCounter Counter() {
    return [this](int ce, std::uint8_t kind, std::uint8_t exclusion) {
      asked.push_back({ce, kind, exclusion});
      long long count = 0;
      for (std::uint8_t status : blocks[ce]) {
        if ((status & kind) != 0 && (exclusion == 0 || (status & exclusion) == 0)) ++count;
      }
      return count;
    };
  }
};

TEST(BlockStatisticsText, TableCountsSplitFactoryBadFromOtherLaterBad) {
  FakeBlockMap map;
  map.blocks[0] = {0x80, 0x84, 0x42, 0x02, 0x01, 0x14};
  map.blocks[15] = {0x41, 0x04};
  const engine::BlockStatisticsCounts counts = engine::CountBlockMap(map.Counter());
  EXPECT_FALSE(counts.fromRecord);
  const std::string text = engine::FormatBlockStatisticsText(0x0D, counts, ExampleRdtInfo());
  EXPECT_EQ(text.substr(0, 16), "00: 2/ 1 (P: 1)*");
  const std::string tail = "*15: 0/ 1 (P: 0)*OB+OLB/RB:1+1/2*P OLB/RB:1/2*E OLB/RB:2/1*R OLB/RB:1/2*T(\xA2\x58"
                           "C):45*FW:0B1*ECC(T/S):40/30*Loop(T/S):3/5*Time:01:02:05";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  // Every CE 0..15 is asked, whatever the drive holds.
  EXPECT_EQ(map.asked.front()[0], 0);
  EXPECT_EQ(map.asked.back()[0], 15);
  EXPECT_EQ(map.asked.size(), 16u * 10u);
}

TEST(BlockStatisticsText, PairsAreLeftOutWhenTheSumsAreAsked) {
  FakeBlockMap map;
  map.blocks[2] = {0x02, 0x42};
  const engine::BlockStatisticsCounts counts = engine::CountBlockMap(map.Counter());
  EXPECT_EQ(engine::FormatBlockStatisticsText(0x06, counts, RdtInfo{}),
            "OB+OLB/RB:0+0/1*P OLB+RB:3*E OLB+RB:0*R OLB+RB:0*T(\xA2\x58"
            "C):0*");
}

}  // namespace
