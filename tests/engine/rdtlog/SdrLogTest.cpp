// The RDT DRAM (SDR) test log.
#include <gtest/gtest.h>

#include "engine/rdtlog/RdtLogTestSupport.h"
#include "engine/rdtlog/SdrLog.h"

namespace {

using rdtlogtest::CollectedOutput;
using Strings = std::vector<std::string>;

// Records: result, cycle, step << 4, temperature code, Time(ms) little-endian.
TEST(RdtSdrLog, RowsResultsAndTotalTime) {
  const std::vector<std::uint8_t> log = {
      0x00, 0x01, 0x10, 0x07, 0x88, 0x13, 0x00, 0x00,  // pass, 30 degrees, 5000 ms
      0x01, 0x01, 0x20, 0x08, 0x88, 0x13, 0x00, 0x00,  // fail
      0x02, 0x02, 0x30, 0x20, 0xD0, 0x07, 0x00, 0x00,  // unknown result, code 32 repeats "40"
      0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33,  // end record
      0x00, 0x09, 0x10, 0x07, 0x88, 0x13, 0x00, 0x00,  // never read
  };
  CollectedOutput out;
  CTemperatureText texts;
  const auto summary = WalkSdrLog(log, texts, out);
  const Strings rows = {"1,1,30,SDR Test PASS,5000", "1,2,40,SDR Test Failed,5000",
                        "2,3,40,SDR Test UnKnown results,2000"};
  EXPECT_EQ(out.report, rows);
  EXPECT_EQ(out.Csv(RdtCsv::Ddr),
            "1,1,30,SDR Test PASS,5000\r\n1,2,40,SDR Test Failed,5000\r\n2,3,40,SDR Test UnKnown results,2000\r\n");
  EXPECT_EQ(summary.totalTimeMs, 12000u);
  EXPECT_TRUE(summary.notEmpty);
  EXPECT_TRUE(summary.failed);
}

TEST(RdtSdrLog, AnUnknownResultAloneFailsTheTest) {
  const std::vector<std::uint8_t> log = {0x02, 0x01, 0x10, 0x07, 0x00, 0x00, 0x00, 0x00};
  CollectedOutput out;
  CTemperatureText texts;
  EXPECT_TRUE(WalkSdrLog(log, texts, out).failed);
}

TEST(RdtSdrLog, AFirstResultOf0xFFMakesTheLogEmpty) {
  const std::vector<std::uint8_t> log = {0xFF, 0x01, 0x10, 0x07, 0x88, 0x13, 0x00, 0x00,
                                         0x00, 0x01, 0x10, 0x07, 0x88, 0x13, 0x00, 0x00};
  CollectedOutput out;
  CTemperatureText texts;
  const auto summary = WalkSdrLog(log, texts, out);
  EXPECT_FALSE(summary.notEmpty);
  EXPECT_FALSE(summary.failed);
  EXPECT_EQ(summary.totalTimeMs, 0u);
  EXPECT_TRUE(out.report.empty());
}

TEST(RdtSdrLog, PassingRecordsToTheEndOfALogWithoutEndRecord) {
  const std::vector<std::uint8_t> log = {0x00, 0x03, 0x40, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x03, 0x40};
  CollectedOutput out;
  CTemperatureText texts;
  const auto summary = WalkSdrLog(log, texts, out);
  EXPECT_EQ(out.report, Strings{"3,4,0,SDR Test PASS,1"});
  EXPECT_FALSE(summary.failed);
}

}  // namespace
