// The special-test and baking-test log: its four sections, their rows, the later-bad tables,
// the over-ECC flag, the ECC criteria and the list of flash packages to replace.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/rdtlog/RdtLogTestSupport.h"
#include "engine/rdtlog/SpecialTestLog.h"
#include "support/ScratchStation.h"

namespace {

using rdtlogtest::CollectedOutput;
using rdtlogtest::LogBytes;
using rdtlogtest::Special;
using Strings = std::vector<std::string>;

// One TLC special-test entry, byte for byte: erase fail on CE 1, channel 2, plane 3, block
// 291, page 69, -10 degrees, 3 retries, 26 raw bit errors, 1,500 us, cycle 150.
const std::vector<std::uint8_t> kTlcEraseFail = {
    0x02, 0x01, 0x02, 0x03, 0x23, 0x01, 0x45, 0x00, 0xF6, 0x03, 0x00, 0x1A, 0x00, 0x1B, 0xDC, 0x05,
    0x00, 0x00, 0x96, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};
const std::vector<std::uint8_t> kEndMarker = {
    0xEE, 0xEE, 0xEE, 0xEE, 0x00, 0x00, 0x00, 0x00, 0xEE, 0xEE, 0xEE, 0xEE, 0x11, 0x11, 0x11, 0x11,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

Strings SectionRows(const std::vector<std::uint8_t>& log, SpecialSection section, SpecialTestTallies& tallies) {
  Strings rows;
  WalkSpecialSection(log, section, tallies, [&rows](const std::string& row) { rows.push_back(row); });
  return rows;
}

std::vector<std::uint8_t> Log(std::initializer_list<Special> entries) {
  LogBytes log;
  for (const auto& entry : entries) log.Add(entry.Entry());
  log.AddBytes({0xEE, 0xEE, 0xEE, 0xEE, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0x11, 0x11, 0x11, 0x11});
  return log.PadTo(512).Bytes();
}

TEST(RdtSpecialTestLog, ALiteralEntryGivesItsRowCountAndCriteriaHit) {
  std::vector<std::uint8_t> log = kTlcEraseFail;
  log.insert(log.end(), kEndMarker.begin(), kEndMarker.end());
  SpecialTestTallies tallies;
  EXPECT_EQ(SectionRows(log, SpecialSection::TlcSpecial, tallies), Strings{"150,1,2,3,291,69,1.500,26,3,-10,Erase fail"});
  EXPECT_EQ(tallies.specialLaterBad[1][2], 1u);
  ASSERT_EQ(tallies.hits.size(), 1u);
  EXPECT_EQ(EccCriteriaHitLine(tallies.hits[0]),
            "[Error] Max Error Bit Over Criteria On CE_1, Die_0 Plane_3, Block_291 (PE Cycle = 150,Error Bit = 26) ");
  // The other sections do not take it.
  EXPECT_TRUE(SectionRows(log, SpecialSection::SlcSpecial, tallies).empty());
  EXPECT_TRUE(SectionRows(log, SpecialSection::TlcBaking, tallies).empty());
  EXPECT_TRUE(SectionRows(log, SpecialSection::SlcBaking, tallies).empty());
}

TEST(RdtSpecialTestLog, SectionsTakeTheirKindAndCellMode) {
  const auto log = Log({
      {.type = 0x03, .ce = 2, .block = 7, .kind = kSpecialKindSlc, .cycle = 3},
      {.type = 0x04, .ce = 3, .channel = 1, .block = 9, .rawBits = 0xFFFF, .kind = kSpecialKindBaking},
      {.type = 0x01, .ce = 4, .block = 11, .cellMode = 1, .kind = kSpecialKindBaking},
      {.type = 0x02, .ce = 5, .cellMode = 2, .kind = kSpecialKindBaking},
  });
  SpecialTestTallies tallies;
  EXPECT_EQ(SectionRows(log, SpecialSection::SlcSpecial, tallies), Strings{"3000,2,0,0,7,0,1.500,0,0,40,Program fail"});
  EXPECT_EQ(SectionRows(log, SpecialSection::TlcBaking, tallies), Strings{"3,1,0,9,Invalid,0,40,Read uncorrectable fail"});
  EXPECT_EQ(SectionRows(log, SpecialSection::SlcBaking, tallies), Strings{"4,0,0,11,0,0,40,Factory bad block"});
  EXPECT_EQ(tallies.specialLaterBad[2][0], 1u);
  EXPECT_EQ(tallies.bakingLaterBad[3][1], 1u);
  EXPECT_EQ(tallies.bakingLaterBad[4][0], 0u);  // factory bad blocks never count
  EXPECT_TRUE(tallies.hits.empty());            // only TLC special-test entries are tested
}

TEST(RdtSpecialTestLog, SkippedEntriesStatisticsAndTheEndMarker) {
  LogBytes bytes;
  bytes.Add(Special{.type = 0x0C}.Entry());                  // never printed
  bytes.Add(Special{.type = 0x02, .ce = 32}.Entry());        // CE out of range
  bytes.Add(Special{.type = 0x02, .channel = 4}.Entry());    // channel out of range
  auto statistics = Special{.type = 0x0A, .block = 0x5678, .page = 0x1234}.Entry();
  bytes.Add(statistics);                                     // bytes 4-7: 0x12345678
  bytes.Add(Special{.type = 0x0B, .page = 1}.Entry());
  bytes.Add(Special{.type = 0xFF}.Entry());                  // printed, the scan goes on
  bytes.Add(Special{.type = 0x0F}.Entry());
  bytes.Add(Special{.type = 0x42}.Entry());
  bytes.Add(Special{.type = 0x05}.Entry());
  bytes.AddBytes({0xEE, 0xEE, 0xEE, 0xEE, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0x11, 0x11, 0x11, 0x11});
  bytes.PadToSize(bytes.Bytes().size() + 16);
  bytes.Add(Special{.type = 0x02}.Entry());                  // after the end marker
  SpecialTestTallies tallies;
  const Strings rows = {
      "0,0,0,0,305419896,0,1.500,0,0,40,Retry level statics",
      "0,0,0,0,65536,0,1.500,0,0,40,ECC- bit statics",
      "0,0,0,0,0,0,1.500,0,0,40,end of log",
      "0,0,0,0,0,0,1.500,0,0,40,Loop mask for the loop that no errors happen",
      "0,0,0,0,0,0,1.500,0,0,40,un_known",
      "0,0,0,0,0,0,1.500,0,0,40,Read correctable bit over threshold",
  };
  EXPECT_EQ(SectionRows(bytes.Bytes(), SpecialSection::TlcSpecial, tallies), rows);
  EXPECT_TRUE(tallies.overEcc);
  for (const auto& channels : tallies.specialLaterBad) {
    for (const std::uint32_t count : channels) EXPECT_EQ(count, 0u);
  }
}

TEST(RdtSpecialTestLog, EccCriteriaByCycleWithTheWholeCountAndWithoutTheInvalidValue) {
  const auto log = Log({
      {.type = 0x00, .block = 1, .rawBits = 22, .cycle = 99},     // at the limit: no hit
      {.type = 0x00, .block = 2, .rawBits = 23, .cycle = 99},     // hit
      {.type = 0x00, .block = 3, .rawBits = 36, .cycle = 999},    // at the limit: no hit
      {.type = 0x00, .block = 4, .rawBits = 300, .cycle = 999},   // hit with the whole 16-bit count
      {.type = 0x00, .block = 5, .rawBits = 0xFFFF, .cycle = 10}, // "Invalid": no count, no hit
      {.type = 0x00, .block = 6, .rawBits = 500, .cycle = 1200},  // cycle 1,000 or more: not tested
  });
  SpecialTestTallies tallies;
  const auto rows = SectionRows(log, SpecialSection::TlcSpecial, tallies);
  EXPECT_EQ(rows[4], "10,0,0,0,5,0,1.500,Invalid,0,40,PASS");
  ASSERT_EQ(tallies.hits.size(), 2u);
  EXPECT_EQ(tallies.hits[0].block, 2u);
  EXPECT_EQ(tallies.hits[1].block, 4u);
  EXPECT_EQ(tallies.hits[1].errorBits, 300u);
  EXPECT_EQ(tallies.hits[1].cycle, 999u);
}

TEST(RdtSpecialTestLog, AtMost6400HitsAreKept) {
  LogBytes bytes;
  for (int i = 0; i < 6500; ++i) bytes.Add(Special{.type = 0x00, .rawBits = 40, .cycle = 1}.Entry());
  SpecialTestTallies tallies;
  std::size_t rows = 0;
  WalkSpecialSection(bytes.Bytes(), SpecialSection::TlcSpecial, tallies, [&rows](const std::string&) { ++rows; });
  EXPECT_EQ(rows, 6500u);
  EXPECT_EQ(tallies.hits.size(), kMaxEccCriteriaHits);
}

TEST(RdtSpecialTestLog, BlankEntriesBeforeTheEndMarkerMakeTheLogAbnormal) {
  EXPECT_FALSE(SpecialLogHasBlankEntry(Log({{.type = 0x02}})));
  // The padding after the end marker is not looked at.
  EXPECT_FALSE(SpecialLogHasBlankEntry(Log({})));
  LogBytes blank;
  blank.Add(Special{.type = 0x02}.Entry()).PadToSize(512);
  EXPECT_TRUE(SpecialLogHasBlankEntry(blank.Bytes()));
}

TEST(RdtSpecialTestLog, SectionTitlesAndColumns) {
  EXPECT_STREQ(SpecialSectionTitle(SpecialSection::TlcSpecial), "TLC Special Test Log(STL):");
  EXPECT_STREQ(SpecialSectionTitle(SpecialSection::SlcSpecial), "SLC Special Test Log(STL):");
  EXPECT_STREQ(SpecialSectionTitle(SpecialSection::TlcBaking), "TLC Baking Test Log(BTL):");
  EXPECT_STREQ(SpecialSectionTitle(SpecialSection::SlcBaking), "SLC Baking Test Log(BTL):");
  EXPECT_STREQ(SpecialSectionColumns(SpecialSection::SlcSpecial),
               "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,Max_tProgram(ms),Raw_bit_Error,Retry_Count,Temp.,"
               "Failed_Type");
  EXPECT_STREQ(SpecialSectionColumns(SpecialSection::SlcBaking),
               "CE_No,Channel_No,Plane_No,Block_No,Raw_bit_Error,Retry_Count,Temp.,Failed_Type");
}

TEST(RdtSpecialTestLog, LaterBadCountsAgainstTheAllowanceNameTheFlashPackages) {
  testsupport::ScratchStation station(testsupport::ScratchStation::Template::Copy);
  LaterBadTable counts = {};
  counts[4][0] = 2;  // package 1
  counts[5][3] = 3;  // package 1 again
  counts[9][1] = 2;  // package 2
  counts[1][1] = 1;  // equal to the allowance: passes
  CFailingFlashList failing;
  CollectedOutput out;
  EXPECT_TRUE(CheckLaterBadTable(counts, 1, "STL", failing, out));
  const Strings lines = {"[Error] (CENo_4,CHNo_0)STL Later Bad Number(2) over Spec(1)",
                         "[Error] (CENo_5,CHNo_3)STL Later Bad Number(3) over Spec(1)",
                         "[Error] (CENo_9,CHNo_1)STL Later Bad Number(2) over Spec(1)"};
  EXPECT_EQ(out.report, lines);
  EXPECT_EQ(failing.Closed(), "[F1,2]");

  CFailingFlashList packages0And2;
  LaterBadTable two = {};
  two[1][0] = 1;
  two[9][0] = 1;
  EXPECT_TRUE(CheckLaterBadTable(two, 0, "BTL", packages0And2, out));
  EXPECT_EQ(out.report.back(), "[Error] (CENo_9,CHNo_0)BTL Later Bad Number(1) over Spec(0)");
  EXPECT_EQ(packages0And2.Closed(), "[F0,2]");

  CFailingFlashList none;
  LaterBadTable clean = {};
  EXPECT_FALSE(CheckLaterBadTable(clean, 0, "STL", none, out));
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(none.Closed(), "");
}

TEST(RdtSpecialTestLog, WithoutAFlashMapTheListIsEmptyBrackets) {
  testsupport::ScratchStation station;
  LaterBadTable counts = {};
  counts[0][0] = 1;
  counts[12][2] = 1;
  CFailingFlashList failing;
  CollectedOutput out;
  EXPECT_TRUE(CheckLaterBadTable(counts, 0, "STL", failing, out));
  EXPECT_EQ(failing.Closed(), "[]");
}

}  // namespace
