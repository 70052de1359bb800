// The RDT bad-block log: rows, tallies, the ECC-bit section, the running form and the
// statistics of the over-threshold counts and late-bad addresses.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/BadBlockStatistics.h"
#include "engine/rdtlog/RdtLogTestSupport.h"

namespace {

using rdtlogtest::BadBlock;
using rdtlogtest::CollectedOutput;
using rdtlogtest::LogBytes;
using Strings = std::vector<std::string>;

BadBlockWalkSettings Walk(std::uint32_t planes = 2, bool programToRead = false) {
  BadBlockWalkSettings settings;
  settings.planes = planes;
  settings.pageBytes = 2048;
  settings.programToRead = programToRead;
  return settings;
}

// The entries, the end mark, zeros to a whole number of sectors.
std::vector<std::uint8_t> Log(const std::vector<BadBlock>& entries) {
  LogBytes log;
  for (const auto& entry : entries) log.Add(entry.Entry());
  const auto end = rdtlogtest::EndMarkSlot();
  std::vector<std::uint8_t> bytes = log.Bytes();
  bytes.insert(bytes.end(), end.begin(), end.end());
  bytes.resize((bytes.size() + 511) / 512 * 512, 0);
  return bytes;
}

struct Walked {
  CollectedOutput out;
  RdtBadBlockTallies tallies;
  BadBlockWalkResult result;
};

Walked WalkLog(const std::vector<std::uint8_t>& log, const BadBlockWalkSettings& settings = Walk()) {
  Walked walked;
  WalkBadBlockLog(log, settings, walked.tallies, walked.result, walked.out);
  return walked;
}

// A program fail, byte for byte: CE 1, channel 2, total loop 8, block 0xABC, page 258, run
// loop 3, run cycle 4, step 5 / stage 2, 25 over-threshold bits, time stamp 0x010203, plane 1.
const std::vector<std::uint8_t> kProgramFail = {
    0x03, 0x01, 0x02, 0x08, 0xBC, 0x0A, 0x02, 0x01, 0x03, 0x04, 0x52, 0x19, 0x00, 0x03, 0x02, 0x01,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
};

TEST(RdtBadBlockLog, ALiteralEntryGivesItsRowsAndCounts) {
  std::vector<std::uint8_t> log = kProgramFail;
  const auto end = rdtlogtest::EndMarkSlot();
  log.insert(log.end(), end.begin(), end.end());
  const Walked walked = WalkLog(log);
  const std::string row = "Program fail,1,2,1,0xabc,258,8,3,4,5,Program,25,66051";
  EXPECT_EQ(walked.out.report, Strings{row});
  EXPECT_EQ(walked.out.Csv(RdtCsv::BadBlock), row + "\r\n");
  EXPECT_TRUE(walked.tallies.present[1][2]);
  EXPECT_EQ(walked.tallies.tlc[1][2][1].total, 1u);
  EXPECT_EQ(walked.tallies.tlc[1][2][1].program, 1u);
  EXPECT_EQ(walked.result.eccValues, std::vector<std::uint32_t>{25});
  EXPECT_EQ(walked.result.lateBadAddresses[1], std::vector<std::uint32_t>{0xABC});
}

TEST(RdtBadBlockLog, RowFormsOfEachKind) {
  const Walked walked = WalkLog(Log({
      {.type = 0x01, .plane = 1, .block = 0x10, .slc = 1, .overBits = 50, .runLoop = 0, .runCycle = 0},
      {.type = 0x0F, .ce = 1, .runLoop = 2},
      {.type = 0x02, .ce = 2, .channel = 3, .block = 0x20, .slc = 1, .stepAndStage = 0x31},
      {.type = 0x09, .block = 0x30, .stepAndStage = 0x05},
      {.type = 0x07, .block = 0x31, .stepAndStage = 0x03},
      {.type = 0x08, .block = 0x32, .stepAndStage = 0x00},
  }));
  const Strings rows = {
      "Factory bad block,0,0,1,0x10,0,8,0,0,NA,NA,NA,100",
      "Loop Mark,1,0,NA,NA,8,2,NA,NA,NA,NA",
      "Erase fail(SLC Mode),2,3,0,0x20,0,8,1,2,3,Erase,0,100",
      "09:un_known,0,0,0,0x30,0,8,1,2,0,,0,100",
      "Read data compare fail(data all 0xff),0,0,0,0x31,0,8,1,2,0,Post Read,0,100",
      "Trigger command time out,0,0,0,0x32,0,8,1,2,0,Pre read,0,100",
  };
  EXPECT_EQ(walked.out.report, rows);
  // A factory bad block never carries the SLC mark, and gives no ECC value or address.
  EXPECT_EQ(walked.tallies.factoryBad[0][0][1], 1u);
  EXPECT_EQ(walked.tallies.slc[0][0][0].total, 0u);
  EXPECT_TRUE(walked.result.eccValues.empty());
  EXPECT_TRUE(walked.result.lateBadAddresses[0].empty());
}

TEST(RdtBadBlockLog, TheWorkedExampleTallies) {
  std::vector<BadBlock> entries;
  for (int i = 0; i < 3; ++i) entries.push_back({.type = 0x01});
  for (int i = 0; i < 5; ++i) entries.push_back({.type = 0x02});
  for (int i = 0; i < 20; ++i) entries.push_back({.type = 0x03});
  for (int i = 0; i < 4; ++i) entries.push_back({.type = 0x04});
  entries.push_back({.type = 0x0E});
  for (int i = 0; i < 2; ++i) entries.push_back({.type = 0x02, .block = static_cast<std::uint16_t>(2 * i), .slc = 1});
  for (int i = 0; i < 8; ++i) entries.push_back({.type = 0x03, .block = static_cast<std::uint16_t>(10 + 2 * i), .slc = 1});
  const Walked walked = WalkLog(Log(entries));
  const auto& tlc = walked.tallies.tlc[0][0][0];
  const auto& slc = walked.tallies.slc[0][0][0];
  EXPECT_EQ(walked.tallies.factoryBad[0][0][0], 3u);
  EXPECT_EQ(tlc.total, 30u);
  EXPECT_EQ(tlc.erase, 5u);
  EXPECT_EQ(tlc.program, 20u);
  EXPECT_EQ(tlc.readRelated, 4u);
  EXPECT_EQ(slc.total, 10u);
  EXPECT_EQ(slc.erase, 2u);
  EXPECT_EQ(slc.program, 8u);
  EXPECT_EQ(slc.readRelated, 0u);
  EXPECT_EQ(walked.tallies.slc[0][0][1].total, 0u);
}

TEST(RdtBadBlockLog, AnEndOfLogEntryStopsTheRowsWhileLaterEntriesAreCounted) {
  const Walked walked = WalkLog(Log({
      {.type = 0x02, .overBits = 30},
      {.type = 0xFF, .ce = 1, .block = 4, .slc = 1},
      {.type = 0x04, .ce = 2, .overBits = 40},
      {.type = 0x01, .ce = 3},
  }));
  EXPECT_EQ(walked.out.report.size(), 1u);
  EXPECT_TRUE(walked.tallies.present[1][0]);
  EXPECT_EQ(walked.tallies.tlc[1][0][0].total, 0u);  // "end of log" is not counted ...
  EXPECT_EQ(walked.tallies.slc[1][0][0].total, 1u);  // ... but its SLC mark is
  EXPECT_EQ(walked.tallies.tlc[2][0][0].readRelated, 1u);
  EXPECT_EQ(walked.tallies.factoryBad[3][0][0], 1u);
  EXPECT_EQ(walked.result.eccValues, std::vector<std::uint32_t>{30});
}

TEST(RdtBadBlockLog, ProgramFailsAsReadFailsOneDecisionForCountAndLabel) {
  std::vector<BadBlock> entries(12, BadBlock{.type = 0x03, .stepAndStage = 0x22});
  entries[11].slc = 1;
  entries[11].block = 3;
  const Walked walked = WalkLog(Log(entries), Walk(2, true));
  EXPECT_EQ(walked.tallies.tlc[0][0][0].readRelated, 10u);
  EXPECT_EQ(walked.tallies.tlc[0][0][0].program, 1u);
  EXPECT_EQ(walked.tallies.tlc[0][0][0].total, 11u);
  EXPECT_EQ(walked.tallies.slc[0][0][1].program, 1u);
  EXPECT_EQ(walked.result.programFails, 12u);
  ASSERT_EQ(walked.out.report.size(), 12u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(walked.out.report[i], "Read data compare fail(9),0,0,0,0x0,0,8,1,2,2,NA,0,100");
  EXPECT_EQ(walked.out.report[10], "Program fail,0,0,0,0x0,0,8,1,2,2,Program,0,100");
  EXPECT_EQ(walked.out.report[11], "Program fail(SLC Mode),0,0,0,0x3,0,8,1,2,2,Program,0,100");
  // The CSV keeps every program fail as it is.
  const std::string csv = walked.out.Csv(RdtCsv::BadBlock);
  EXPECT_EQ(csv.find("Read data compare fail(9)"), std::string::npos);
  EXPECT_EQ(csv.substr(0, 48), "Program fail,0,0,0,0x0,0,8,1,2,2,Program,0,100\r\n");
}

TEST(RdtBadBlockLog, SlcPlacesAndOutOfRangeEntries) {
  const Walked walked = WalkLog(Log({
      {.type = 0x04, .block = 7, .slc = 1},                     // plane 7 % 4 = 3
      {.type = 0x02, .block = 0xFFFF, .slc = 1},                // no SLC total, still an SLC erase
      {.type = 0x0D, .block = 6, .slc = 1},                     // unclassified: TLC total and SLC total
      {.type = 0x02, .plane = 4},                               // plane byte 4: printed, not counted
      {.type = 0x02, .ce = 32},                                 // skipped
      {.type = 0x02, .channel = 4},                             // skipped
  }), Walk(4));
  const auto& slc = walked.tallies.slc[0][0];
  EXPECT_EQ(slc[3].total, 1u);
  EXPECT_EQ(slc[3].readRelated, 1u);
  EXPECT_EQ(slc[3].erase, 1u);  // block 0xFFFF % 4 = 3
  EXPECT_EQ(slc[2].total, 1u);
  EXPECT_EQ(walked.tallies.tlc[0][0][0].total, 1u);
  std::uint32_t tlcErase = 0;
  for (const auto& plane : walked.tallies.tlc[0][0]) tlcErase += plane.erase;
  EXPECT_EQ(tlcErase, 0u);
  EXPECT_EQ(walked.out.report.size(), 4u);
  EXPECT_FALSE(walked.tallies.present[0][1]);

  // A plane count of 0 places no SLC entry.
  const Walked noPlanes = WalkLog(Log({{.type = 0x04, .block = 7, .slc = 1}}), Walk(0));
  for (const auto& plane : noPlanes.tallies.slc[0][0]) EXPECT_EQ(plane.total + plane.readRelated, 0u);
}

TEST(RdtBadBlockLog, EccValuesAndLateBadAddressesByTheirLimits) {
  const Walked walked = WalkLog(Log({
      {.type = 0x05, .block = 1, .overBits = 10},
      {.type = 0x05, .block = 2, .overBits = 11},
      {.type = 0x05, .block = 3, .overBits = 999},
      {.type = 0x05, .block = 4, .overBits = 1000},
      {.type = 0x05, .ce = 16, .block = 5, .overBits = 25},
      {.type = 0x0F, .block = 6, .overBits = 25},
  }));
  EXPECT_EQ(walked.result.eccValues, (std::vector<std::uint32_t>{11, 999, 25}));
  EXPECT_EQ(walked.result.lateBadAddresses[0], (std::vector<std::uint32_t>{2, 3, 4}));
}

TEST(RdtBadBlockLog, BlankSlotsArePassedOver) {
  LogBytes log;
  log.Add(BadBlock{.type = 0x02}.Entry());
  log.AddBytes({0x20, 0x20, 0x20, 0x20}).PadTo(32);
  log.Add(BadBlock{.type = 0x02, .ce = 1}.Entry());
  log.AddBytes({0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55});
  const Walked walked = WalkLog(log.PadTo(512).Bytes());
  EXPECT_EQ(walked.out.report.size(), 2u);
  EXPECT_TRUE(walked.tallies.present[1][0]);
}

// The ECC-bit section at the first page boundary above the end mark.
std::vector<std::uint8_t> WithEccSection(std::vector<std::uint8_t> log, std::size_t at,
                                         std::initializer_list<std::uint8_t> section) {
  if (log.size() < at + section.size()) log.resize(at + section.size(), 0);
  std::copy(section.begin(), section.end(), log.begin() + static_cast<std::ptrdiff_t>(at));
  log.resize((log.size() + 511) / 512 * 512, 0);
  return log;
}

TEST(RdtBadBlockLog, TheEccBitSectionGoesToItsCsv) {
  auto log = Log({{.type = 0x02}});  // entry at 0, end mark at 32
  log = WithEccSection(log, 2048,
                       {0xCC, 0x33, 0xCC, 0x33,                          // section start
                        0x01, 0x2A, 0x34, 0x12,  0x00, 0x00, 0x00, 0x00,  // CE 1, 42 bits, block 0x1234; a zero record
                        0x02, 0x07, 0xFF, 0x00,  0x03, 0x08, 0x01, 0x00,
                        0x04, 0x09, 0x02, 0x00,  0x05, 0x0A, 0x03, 0x00,
                        0x06, 0x0B, 0x04, 0x00,  0x07, 0x0C, 0x05, 0x00,  // end of the first slot
                        0x20, 0x20, 0x20, 0x20,  0x09, 0x09, 0x09, 0x00,  // a blank slot
                        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,
                        0x08, 0x0D, 0x06, 0x00,  0x33, 0xCC, 0x33, 0xCC,  // one record, then the end
                        0x09, 0x0E, 0x07, 0x00});
  const Walked walked = WalkLog(log);
  EXPECT_EQ(walked.out.Csv(RdtCsv::EccBit),
            "1,0x1234,42\r\n0,0x0,0\r\n2,0xff,7\r\n3,0x1,8\r\n4,0x2,9\r\n5,0x3,10\r\n6,0x4,11\r\n7,0x5,12\r\n"
            "8,0x6,13\r\n");
  EXPECT_EQ(walked.out.report.size(), 1u);

  // Another page size puts the boundary elsewhere: no section there, the walk ends.
  BadBlockWalkSettings small = Walk();
  small.pageBytes = 1024;
  EXPECT_EQ(WalkLog(log, small).out.Csv(RdtCsv::EccBit), "");
  small.pageBytes = 0;
  EXPECT_EQ(WalkLog(log, small).out.Csv(RdtCsv::EccBit), "");
}

TEST(RdtBadBlockLog, EndMarkFirstWithASectionWritesOnlyEccBitRows) {
  auto log = rdtlogtest::EndMarkSlot();
  log.push_back(0x02);  // after the end mark: never an entry
  log = WithEccSection(log, 2048, {0xCC, 0x33, 0xCC, 0x33, 0x03, 0x05, 0x10, 0x00});
  const Walked walked = WalkLog(log);
  EXPECT_TRUE(walked.out.report.empty());
  // Without an end record the section is read to the end of the log, zero records included.
  const std::string csv = walked.out.Csv(RdtCsv::EccBit);
  EXPECT_EQ(csv.substr(0, 11), "3,0x10,5\r\n0");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>((2560 - 2052) / 4));
}

TEST(RdtBadBlockLog, AnEndMarkWithoutSectionEndsTheWalk) {
  auto log = Log({{.type = 0x02}});
  const auto later = BadBlock{.type = 0x02, .ce = 5}.Entry();
  std::copy(BytesOf(later).begin(), BytesOf(later).end(), log.begin() + 64);
  const Walked walked = WalkLog(log);
  EXPECT_EQ(walked.out.report.size(), 1u);
  EXPECT_FALSE(walked.tallies.present[5][0]);
}

TEST(RdtBadBlockLog, TheRunningFormReportsTheLoopMarksOfTheLastLoopOnly) {
  const auto log = Log({
      {.type = 0x0F, .ce = 1, .channel = 1, .totalLoop = 8, .runLoop = 7},
      {.type = 0x0F, .ce = 2, .totalLoop = 7, .runLoop = 6},
      {.type = 0x02, .ce = 3, .totalLoop = 8},
      {.type = 0x0F, .ce = 40, .channel = 9, .totalLoop = 8, .runLoop = 8},
  });
  CollectedOutput out;
  WalkRunningBadBlockLog(log, 8, out);
  EXPECT_EQ(out.report, (Strings{"Loop Mark,1,1,8,7", "Loop Mark,40,9,8,8"}));
  EXPECT_EQ(out.Csv(RdtCsv::BadBlock), "");
}

TEST(RdtBadBlockStatistics, HistogramModeMeanAndMedian) {
  CollectedOutput out;
  WriteEccStatistics({40, 15, 12, 23, 15}, 5, out);
  const Strings lines = {
      "ECC:  12 ->  16 =   3;", "ECC:  17 ->  21 =   0;", "ECC:  22 ->  26 =   1;", "ECC:  27 ->  31 =   0;",
      "ECC:  32 ->  36 =   0;", "ECC:  37 ->  41 =   1;", "ECC  Mode       = 20",   "ECC  Mean       = 30",
      "ECC  Median     = 20",
  };
  EXPECT_EQ(out.report, lines);
}

TEST(RdtBadBlockStatistics, WithoutRangeOnlyTheThreeValuesAndTheModeIsTheSmallest) {
  CollectedOutput out;
  WriteEccStatistics({40, 15, 31, 23}, 0, out);
  EXPECT_EQ(out.report, (Strings{"ECC  Mode       = 20", "ECC  Mean       = 30", "ECC  Median     = 30"}));
  CollectedOutput none;
  WriteEccStatistics({}, 5, none);
  EXPECT_TRUE(none.report.empty());
}

TEST(RdtBadBlockStatistics, OutOfRangeBinWidthsBecomeFive) {
  for (const int range : {-1, 21}) {
    CollectedOutput out;
    WriteEccStatistics({11, 16}, range, out);
    EXPECT_EQ(out.report[0], "ECC:  11 ->  15 =   1;") << range;
    EXPECT_EQ(out.report[1], "ECC:  16 ->  20 =   1;") << range;
  }
}

TEST(RdtBadBlockStatistics, LateBadAddressDistribution) {
  std::array<std::vector<std::uint32_t>, kLateBadCes> addresses;
  addresses[0] = {5, 50, 150, 999, 1000, 1500};
  addresses[11] = {250};
  CollectedOutput out;
  WriteLateBadDistribution(addresses, 1000, 5, out);  // a width below 10 becomes 100
  const Strings lines = {
      "CE:00 LBB Addr.:", "      0 ~ 99= 2  ", "      100 ~ 199= 1  ", "      900 ~ 999= 1  ",
      "      1000 ~ 999= 1  ", "CE:11 LBB Addr.:", "      200 ~ 299= 1  ",
  };
  EXPECT_EQ(out.report, lines);

  CollectedOutput wide;
  WriteLateBadDistribution(addresses, 1000, 500, wide);
  EXPECT_EQ(wide.report[1], "      0 ~ 499= 3  ");
  EXPECT_EQ(wide.report[2], "      500 ~ 999= 1  ");
  EXPECT_EQ(wide.report[3], "      1000 ~ 999= 1  ");
}

}  // namespace

namespace {

// What the walk hands on to an output that writes none of the rows (or only the report): the
// tallies, ECC values and later-bad addresses come out the same, and no row is made.
class SelectiveOutput final : public RdtOutput {
 public:
  SelectiveOutput(bool csv, bool report) : m_csv(csv), m_report(report) {}
  void ReportLine(const std::string& text) override { report.push_back(text); }
  void TempReportLine(const std::string&) override {}
  void CsvLine(RdtCsv, const std::string& line) override { csv.push_back(line); }
  bool Writes(RdtCsv) const override { return m_csv; }
  bool WritesReportLines() const override { return m_report; }
  Strings report;
  Strings csv;

 private:
  bool m_csv;
  bool m_report;
};

TEST(RdtBadBlockLog, RowsAreMadeOnlyForOutputsThatWriteThem) {
  const std::vector<std::uint8_t> log = Log({
      {.type = 0x01, .block = 9},
      {.type = 0x03, .block = 0xABC, .overBits = 25},
      {.type = 0x0F, .block = 6},
      {.type = 0x05, .block = 3, .overBits = 999},
  });
  const Walked all = WalkLog(log);
  for (const auto& [csv, report] : {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}}) {
    SelectiveOutput out(csv, report);
    RdtBadBlockTallies tallies;
    BadBlockWalkResult result;
    WalkBadBlockLog(log, Walk(), tallies, result, out);
    EXPECT_EQ(result.eccValues, all.result.eccValues);
    EXPECT_EQ(result.lateBadAddresses, all.result.lateBadAddresses);
    EXPECT_EQ(std::memcmp(&tallies, &all.tallies, sizeof tallies), 0);
    EXPECT_EQ(out.report, report ? all.out.report : Strings{});
    std::string csvText;
    for (const std::string& line : out.csv) csvText += line;
    EXPECT_EQ(csvText, csv ? all.out.Csv(RdtCsv::BadBlock) : std::string());
  }
  // The null output of the fuzz target writes nothing and makes no row.
  RdtNullOutput none;
  EXPECT_FALSE(none.Writes(RdtCsv::BadBlock));
  EXPECT_FALSE(none.WritesReportLines());
}

TEST(RdtBadBlockLog, UnknownFailTypesAreNamedByTheirHexadecimalCode) {
  const Walked walked = WalkLog(Log({{.type = 0x0A, .block = 1}, {.type = 0xC3, .block = 2}}));
  ASSERT_EQ(walked.out.report.size(), 2u);
  EXPECT_EQ(walked.out.report[0].substr(0, 12), "0a:un_known,");
  EXPECT_EQ(walked.out.report[1].substr(0, 12), "c3:un_known,");
}

}  // namespace
