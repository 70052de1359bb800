// The drive's records against literal byte fixtures of the layouts the station reads.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/BadBlockTableRecords.h"
#include "sim/FirmwareImageHeader.h"
#include "sim/FlashIdTable.h"
#include "sim/IdentifyRecord.h"
#include "device/records/InfoBlock.h"
#include "sim/RdtLogRecords.h"
#include "sim/SmartPage.h"
#include "sim/SystemInfoRecord.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename Record>
Bytes Slice(const Record& record, std::size_t offset, std::size_t length) {
  const auto bytes = BytesOf(record);
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + length);
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + length);
}

TEST(SystemInfoRecord, FieldsSitWhereTheReaderTakesThem) {
  sim::SystemInfoFacts facts;
  facts.ceCount = 4;
  facts.diesPerCe = 2;
  facts.blocksPerCe = 0x0804;
  facts.pageSectors = 32;
  facts.planes = 2;
  facts.ceMap = 0x000000000000000Full;
  facts.ceSizeExponent = 5;
  facts.binType = "B1";
  facts.rdtFirmwareDate = "20160512A";
  facts.rdtLoops = 3;
  facts.rdtFastPageLoops = 5;
  facts.badBlockLogBytes = 2 * 16384;
  facts.temperatureLogBytes = 512;
  facts.sdrLogBytes = 1024;
  facts.specialLogBytes = 16384;
  const auto sector = sim::EncodeSystemInfo(facts);

  EXPECT_EQ(Slice(sector, 0x06, 1), (Bytes{0x02}));
  EXPECT_EQ(Slice(sector, 0x1C, 4), (Bytes{0x04, 0x08, 0x00, 0x00}));
  EXPECT_EQ(Slice(sector, 0x28, 4), (Bytes{0x20, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Slice(sector, 0xE4, 1), (Bytes{0x02}));
  EXPECT_EQ(Slice(sector, 0xE8, 1), (Bytes{0x00}));
  // 0x13C bad-block log units, 0x140 temperature records, 0x144 SDR records, 0x148 CE map.
  EXPECT_EQ(Slice(sector, 0x13C, 20), (Bytes{0x02, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x80, 0x00,
                                             0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  // Bytes 348-351: the bin type as two byte-swapped words.
  EXPECT_EQ(Slice(sector, 348, 4), (Bytes{'1', 'B', 0x00, 0x00}));
  EXPECT_EQ(Slice(sector, 0x160, 9), (Bytes{'2', '0', '1', '6', '0', '5', '1', '2', 'A'}));
  EXPECT_EQ(Slice(sector, 0x169, 8), (Bytes{0x05, 0x00, 0x00, 0x00, 0x03, 0x05, 0x00, 0x01}));
}

TEST(SystemInfoRecord, PlaneFlagsForOneTwoAndFourPlanes) {
  sim::SystemInfoFacts facts;
  facts.planes = 1;
  auto sector = sim::EncodeSystemInfo(facts);
  EXPECT_EQ(sector.planeFlagsE4, 0x00);
  EXPECT_EQ(sector.planeFlagsE8, 0x00);
  facts.planes = 4;
  sector = sim::EncodeSystemInfo(facts);
  EXPECT_EQ(sector.planeFlagsE4, 0x00);
  EXPECT_EQ(sector.planeFlagsE8, 0x80);
}

TEST(IdentifyRecord, TextsAreWordSwappedAndTheSectorSumsToZero) {
  sim::IdentifyFacts facts;
  facts.serialNumber = "ABCD";
  facts.firmwareRevision = "SBF10A01";
  facts.modelNumber = "TV3160 SSD";
  facts.sectors = 0x1DCF32B0ull;  // 256 GB class
  facts.rdtStatus = 0x30;
  const auto data = sim::EncodeIdentify(facts);

  EXPECT_EQ(Slice(data, 20, 6), (Bytes{'B', 'A', 'D', 'C', ' ', ' '}));
  EXPECT_EQ(Slice(data, 46, 8), (Bytes{'B', 'S', '1', 'F', 'A', '0', '1', '0'}));
  EXPECT_EQ(Slice(data, 54, 10), (Bytes{'V', 'T', '1', '3', '0', '6', 'S', ' ', 'D', 'S'}));
  EXPECT_EQ(Slice(data, 120, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x0F}));  // capped LBA28 count
  EXPECT_EQ(Slice(data, 200, 8), (Bytes{0xB0, 0x32, 0xCF, 0x1D, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Slice(data, 282, 1), (Bytes{0x30}));
  EXPECT_EQ(Slice(data, 510, 1), (Bytes{0xA5}));
  std::uint8_t sum = 0;
  for (auto byte : BytesOf(data)) sum = static_cast<std::uint8_t>(sum + byte);
  EXPECT_EQ(sum, 0);
}

TEST(RdtInformationRecord, SixtyFourBytesInTheMpInfoLayout) {
  MpInfo info;
  std::memset(&info, 0, sizeof(info));
  info.signature.Set("TVRT");
  info.resultWord.Set(0x12);
  info.errorWord.SetBits(8, 24, 0x000123);
  info.runFlags.Set(kRunFlagDynamicCe | kRunFlagTwoPassProgram);
  info.runWord.Set(kRunWordRdtBuildDbt | kRunWordReTest);
  info.ceBitMap.Set(0x00FF);
  info.dbtCheckSum.Set(0xBEEF);
  info.skipFlags = kSkipEraseTest | kReverseTest;
  info.flhTestUnitNum.Set(2);
  info.minTemperature = 25;
  info.maxTemperature = 70;
  info.temperature = 45;
  info.fwVersion.Set("T0B1");
  info.slcRdtLoop = 5;
  info.tlcRdtLoop = 3;
  info.slcEccThreshold = 30;
  info.tlcEccThreshold = 40;
  info.rdtTotalTime.Set(3725);

  const Bytes expected = {
      'T', 'V', 'R', 'T', 0x12, 0x00, 0x00, 0x00, 0x00, 0x23, 0x01, 0x00, 0x06, 0x00, 0x00, 0x00,
      0x00, 0x10, 0x40, 0xFF, 0x00, 0xEF, 0xBE, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 25,
      70,   45,   'T',  '0',  'B',  '1',  0x00, 0x00, 5,    3,    30,   40,   0x8D, 0x0E, 0x00, 0x00};
  EXPECT_EQ(Slice(info, 0, 64), expected);
}

TEST(InfoBlockRecord, GoodMarkAndMpInfoAtTheirOffsets) {
  InfoBlockRecord block;
  std::memset(&block, 0, sizeof(block));
  block.tervidInfoMark.Set("Tervid");
  block.serialNumber.Set("ABCD");
  block.mpInfo.signature.Set("TVRT");
  block.apGoodMark = kGoodMarkMp | kGoodMarkBurnIn;
  block.apDateYearMonth = 0x56;      // 2016, May
  block.apDateDayTime.Set(12 | (14 << 5) | (30 << 10));
  EXPECT_EQ(Slice(block, 0, 6), (Bytes{'T', 'e', 'r', 'v', 'i', 'd'}));
  EXPECT_EQ(Slice(block, 0x12, 4), (Bytes{'B', 'A', 'D', 'C'}));
  EXPECT_EQ(Slice(block, 0x191, 4), (Bytes{'T', 'V', 'R', 'T'}));
  EXPECT_EQ(Slice(block, 0x1FA, 6), (Bytes{0x56, 0xCC, 0x79, 0x00, 0x00, 0x05}));
}

TEST(TemperatureLog, RecordsThenEndMarkThenTheInformationRecord) {
  TemperatureLogRecord sensor{};
  sensor.cycle = 1;
  sensor.stepAndKind = 0x12;          // step 1, sensor 2
  sensor.temperatureCode = 8;         // 40 degrees
  TemperatureLogRecord stamp{};
  stamp.cycle = 1;
  stamp.stepAndKind = 0x1F;
  stamp.value.Set(600000);
  MpInfo info;
  std::memset(&info, 0, sizeof(info));
  info.signature.Set("TVRT");
  const auto log = sim::EncodeTemperatureLog({sensor, stamp}, info, 512);

  ASSERT_EQ(log.size(), 512u);
  EXPECT_EQ(Slice(log, 0, 24), (Bytes{0x01, 0x00, 0x12, 0x08, 0x00, 0x00, 0x00, 0x00,
                                      0x01, 0x00, 0x1F, 0x00, 0xC0, 0x27, 0x09, 0x00,
                                      0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}));
  EXPECT_EQ(Slice(log, 24, 5), (Bytes{'T', 'V', 'R', 'T', 0x00}));
  EXPECT_EQ(Slice(log, 88, 8), Bytes(8, 0x00));
}

TEST(TemperatureLog, ALogTooSmallIsCutAtTheLastWholeRecord) {
  std::vector<TemperatureLogRecord> records(70);
  const auto log = sim::EncodeTemperatureLog(records, std::nullopt, 512);
  ASSERT_EQ(log.size(), 512u);  // 64 records fit, no end mark
  EXPECT_NE(Slice(log, 504, 8), Bytes(kLogEndMark, kLogEndMark + 8));
}

TEST(SdrLog, RecordsAndTheCc33EndRecord) {
  SdrLogRecord fail{};
  fail.result = 1;
  fail.cycle = 2;
  fail.step = 0x30;
  fail.temperatureCode = 9;
  fail.timeMs.Set(5000);
  const auto log = sim::EncodeSdrLog({fail}, 512);
  EXPECT_EQ(Slice(log, 0, 16), (Bytes{0x01, 0x02, 0x30, 0x09, 0x88, 0x13, 0x00, 0x00,
                                      0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33}));
}

TEST(SpecialLog, ThirtyTwoByteEntriesAndTheSixteenByteEndMarker) {
  RdtSpecialLogEntry entry{};
  entry.failureType = 0x02;
  entry.ce = 3;
  entry.channel = 0;
  entry.plane = 1;
  entry.block.Set(0x0123);
  entry.page.Set(7);
  entry.temperature = -5;
  entry.retryCount = 2;
  entry.cellMode = 0;
  entry.rawBitErrors.Set(0xFFFF);
  entry.logKind = kSpecialKindTlc;
  entry.maxProgramTimeUs.Set(1500);
  entry.cycle.Set(150);
  const auto log = sim::EncodeSpecialLog({entry}, 16384);
  ASSERT_EQ(log.size(), 16384u);
  EXPECT_EQ(Slice(log, 0, 32), (Bytes{0x02, 0x03, 0x00, 0x01, 0x23, 0x01, 0x07, 0x00, 0xFB, 0x02, 0x00,
                                      0xFF, 0xFF, 0x1B, 0xDC, 0x05, 0x00, 0x00, 0x96, 0x00, 0, 0,
                                      0,    0,    0,    0,    0,    0,    0,    0,    0,    0}));
  EXPECT_EQ(Slice(log, 32, 16), (Bytes{0xEE, 0xEE, 0xEE, 0xEE, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE,
                                       0x11, 0x11, 0x11, 0x11}));
}

TEST(BadBlockLog, EntriesEndMarkAndEccSectionAtTheNextPage) {
  RdtBadBlockLogEntry entry{};
  entry.failType = 0x03;
  entry.ce = 9;
  entry.channel = 1;
  entry.totalLoop = 8;
  entry.block.Set(0x0456);
  entry.page.Set(0x10);
  entry.runLoop = 2;
  entry.runCycle = 4;
  entry.stepAndStage = 0x12;
  entry.overThresholdBits.Set(25);
  entry.timeStamp.Set(0x030201);
  entry.slcMode = 1;
  entry.plane = 1;
  RdtEccBitRecord ecc{};
  ecc.ce = 9;
  ecc.maxErrorBits = 33;
  ecc.block.Set(0x0456);
  const auto log = sim::EncodeBadBlockLog({entry}, {ecc}, 4096, 16384);

  ASSERT_EQ(log.size(), 16384u);
  EXPECT_EQ(Slice(log, 0, 32), (Bytes{0x03, 0x09, 0x01, 0x08, 0x56, 0x04, 0x10, 0x00, 0x02, 0x04, 0x12,
                                      0x19, 0x00, 0x01, 0x02, 0x03, 0,    0,    0,    0,    0,    0,
                                      0,    0,    0,    0,    0,    0,    0,    0,    0x01, 0x01}));
  EXPECT_EQ(Slice(log, 32, 8), (Bytes{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}));
  // End mark at offset 32: the section starts at the first page boundary above it.
  EXPECT_EQ(Slice(log, 4096, 12), (Bytes{0xCC, 0x33, 0xCC, 0x33, 0x09, 0x21, 0x56, 0x04,
                                         0x33, 0xCC, 0x33, 0xCC}));
}

TEST(BadBlockLog, EndMarkOnAPageBoundaryPutsTheSectionOnTheNextPage) {
  std::vector<RdtBadBlockLogEntry> entries(16);  // 512 bytes of entries
  for (auto& entry : entries) entry.failType = 0x01;
  RdtEccBitRecord ecc{};
  const auto log = sim::EncodeBadBlockLog(entries, {ecc}, 512, 16384);
  EXPECT_EQ(Slice(log, 512, 8), (Bytes{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}));
  EXPECT_EQ(Slice(log, 1024, 4), (Bytes{0xCC, 0x33, 0xCC, 0x33}));
  EXPECT_EQ(sim::BadBlockLogBytesNeeded(16, 1, 512), 1024u + 4 + 8);
}

TEST(SmartPage, NineByteEntriesEndedByIdZero) {
  const auto page = sim::EncodeSmartPage({{0x09, 10000}, {0x0C, (1ull << 32) | 5}, {0x00, 0}, {0xC2, 40}});
  EXPECT_EQ(Bytes(page.begin(), page.begin() + 27),
            (Bytes{0x09, 0x10, 0x27, 0, 0, 0, 0, 0, 0, 0x0C, 0x05, 0, 0, 0, 0x01, 0, 0, 0,
                   0x00, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(page[27], 0x00);  // nothing after the ending entry
}

TEST(SmartPage, NoMoreThanFiftySixEntries) {
  std::vector<sim::SmartAttribute> many(60, sim::SmartAttribute{0x05, 0x0102});
  const auto page = sim::EncodeSmartPage(many);
  EXPECT_EQ(page[55 * 9], 0x05);
  EXPECT_EQ(page[504], 0x00);  // the 8 bytes after the 56th entry stay zero
}

TEST(FlashIdTable, EntryPerCeZeroForAbsentCes) {
  const auto table = sim::EncodeFlashIdTable({0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08}, 0x5);
  EXPECT_EQ(Slice(table, 0, 24), (Bytes{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x00,
                                        0, 0, 0, 0, 0, 0, 0, 0,
                                        0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x00}));
  EXPECT_EQ(Slice(table, 24, 8), Bytes(8, 0));
}

TEST(BadBlockTable, ParameterRecordMapSizeAndAbsentCes) {
  const sim::BbtGeometry geometry{.ceSlots = 3, .unitsPerCe = 2, .blocksPerUnit = 1000, .presentCeMask = 0x5};
  const auto record = sim::EncodeBbtParameters(geometry);
  EXPECT_EQ(Slice(record, 0, 8), (Bytes{'D', 'B', 'T', 'P', 0x00, 0x3F, 0x02, 0x3F}));
  EXPECT_EQ(Slice(record, 0x24, 14), (Bytes{0xE8, 0x03, 0x00, 0x00, 16, 0, 1, 3, 2, 1, 0x0C, 0x00, 0x00, 0x00}));
  EXPECT_EQ(sim::BlockMapBytes(geometry), 6000u);  // 3 x 2 x 1 x 1000
  const std::vector<std::uint8_t> map(6000, 0x00);
  const auto table = sim::EncodeBadBlockTable(map);
  ASSERT_EQ(table.size(), 12u * 512);
  EXPECT_EQ(table[5999], 0x00);
  EXPECT_EQ(table[6000], 0xFF);
}

TEST(BadBlockTable, DiesGroupedUnderOneChipNumberShiftTheChipsOfTheLaterGroups) {
  sim::BbtGeometry geometry{
      .ceSlots = 4, .unitsPerCe = 4, .unitsPerGroup = 2, .blocksPerUnit = 256, .presentCeMask = 0xF};
  const BbtParameterRecord record = sim::EncodeBbtParameters(geometry);
  // Two dies per group, two groups per CE: the map is as large as without groups.
  EXPECT_EQ(Slice(record, 40, 6), (Bytes{16, 1, 1, 4, 2, 2}));
  EXPECT_EQ(sim::BlockMapBytes(geometry), 4096u);
  // The last die of a CE lies in its second group: CE k answers as chip k + 4.
  EXPECT_EQ(ThirdPartyChipNumber(record, 1, 1, 4), 5);
  EXPECT_EQ(ThirdPartyChipNumber(record, 1, 1, 2), 1);
  // A group of every die (or none given) shifts nothing.
  geometry.unitsPerGroup = 4;
  EXPECT_EQ(Slice(sim::EncodeBbtParameters(geometry), 40, 6), (Bytes{16, 0, 1, 4, 4, 1}));
  geometry.unitsPerGroup = 0;
  EXPECT_EQ(Slice(sim::EncodeBbtParameters(geometry), 40, 6), (Bytes{16, 0, 1, 4, 4, 1}));
}

TEST(BadBlockTable, ThirdPartySliceHasItsChecksumInTheFirstSectorOnly) {
  std::vector<std::uint8_t> statuses(1001, 0);
  statuses[4] = 0x80;
  statuses[499] = 0x02;
  statuses[1000] = 0x80;
  const auto slice = sim::EncodeThirdPartySlice(statuses);
  ASSERT_EQ(slice.size(), 3u * 512);  // 1001 blocks: 3 sectors
  EXPECT_EQ(slice[4], 0x80);
  EXPECT_EQ(slice[499], 0x02);
  EXPECT_EQ(Slice(slice, 510, 2), (Bytes{0x82, 0x00}));
  EXPECT_EQ(slice[1024], 0x80);
  EXPECT_EQ(Slice(slice, 1022, 2), (Bytes{0x00, 0x00}));
}

TEST(FirmwareImageHeader, NameFromTheHeaderOrNone) {
  std::vector<std::uint8_t> image(600, 0);
  std::memcpy(image.data() + 0x20, "SBF10A01", 8);
  EXPECT_EQ(sim::FirmwareNameOfImage(image), std::optional<std::string>("SBF10A01"));
  image[0x22] = 0x07;
  EXPECT_EQ(sim::FirmwareNameOfImage(image), std::nullopt);
  EXPECT_EQ(sim::FirmwareNameOfImage(std::vector<std::uint8_t>(100, 'A')), std::nullopt);
}

}  // namespace
