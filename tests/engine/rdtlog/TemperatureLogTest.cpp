// The temperature/time log, the temperature codes, the RDT information record and its
// lines, and the result codes.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/rdtlog/RdtLogTestSupport.h"
#include "engine/rdtlog/RdtResultCode.h"
#include "engine/rdtlog/SdrLog.h"
#include "engine/rdtlog/TemperatureLog.h"

namespace {

using rdtlogtest::CollectedOutput;
using Strings = std::vector<std::string>;

// Records: cycle, unused, step << 4 | kind, temperature code, Time(ms) little-endian.
const std::vector<std::uint8_t> kTwoStampLog = {
    0x01, 0x00, 0x11, 0x08, 0x00, 0x00, 0x00, 0x00,  // sensor 1: code 8 = 40
    0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00,  // sensor 2: code 0 = <-35
    0x01, 0x00, 0x13, 0x10, 0x00, 0x00, 0x00, 0x00,  // sensor 3: code 16 = >110
    0x01, 0x00, 0x14, 0x01, 0x00, 0x00, 0x00, 0x00,  // sensor 4: code 1 = -30
    0x01, 0x00, 0x15, 0x0F, 0x00, 0x00, 0x00, 0x00,  // sensor 5: code 15 = 110
    0x01, 0x00, 0x16, 0x11, 0x00, 0x00, 0x00, 0x00,  // sensor 6: code 17 repeats the last (110)
    0x01, 0x00, 0x1F, 0x00, 0xC0, 0x27, 0x09, 0x00,  // time stamp 600000 ms
    0x02, 0x00, 0x27, 0x09, 0x00, 0x00, 0x00, 0x00,  // sensor 7: ignored
    0x02, 0x00, 0x21, 0x09, 0x00, 0x00, 0x00, 0x00,  // sensor 1: code 9 = 50
    0x02, 0x00, 0x2F, 0x00, 0x40, 0x42, 0x0F, 0x00,  // time stamp 1000000 ms
    0x03, 0x00, 0x3F, 0x00, 0x10, 0x27, 0x00, 0x00,  // time stamp 10000 ms (not the largest)
    0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55,  // end record
    0x04, 0x00, 0x4F, 0x00, 0xFF, 0xFF, 0xFF, 0x7F,  // after the end: never read
};

TEST(RdtTemperatureLog, RowsCarryTheSensorTextsAtEachTimeStamp) {
  CollectedOutput out;
  CTemperatureText texts;
  const auto summary = WalkTemperatureLog(kTwoStampLog, false, texts, out);
  const Strings rows = {"1,1,40,<-35,>110,-30,110,110,600000", "2,2,50,<-35,>110,-30,110,110,1000000",
                        "3,3,50,<-35,>110,-30,110,110,10000"};
  EXPECT_EQ(out.report, rows);
  EXPECT_EQ(out.Csv(RdtCsv::Temperature),
            "1,1,40,<-35,>110,-30,110,110,600000\r\n2,2,50,<-35,>110,-30,110,110,1000000\r\n"
            "3,3,50,<-35,>110,-30,110,110,10000\r\n");
  EXPECT_EQ(summary.maxTimeMs, 1000000u);
  EXPECT_TRUE(summary.notEmpty);
  EXPECT_EQ(summary.records, 11u);
}

TEST(RdtTemperatureLog, DramOnlyRowsCarryThreeTemperatures) {
  CollectedOutput out;
  CTemperatureText texts;
  WalkTemperatureLog(kTwoStampLog, true, texts, out);
  ASSERT_EQ(out.report.size(), 3u);
  EXPECT_EQ(out.report[0], "1,1,40,<-35,>110,600000");
}

TEST(RdtTemperatureLog, EndRecordFirstGivesAnEmptyLogAndAStampBeforeAnyTemperatureHasEmptyTexts) {
  CollectedOutput out;
  CTemperatureText texts;
  const std::vector<std::uint8_t> endFirst = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55,
                                              0x01, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x00};
  const auto empty = WalkTemperatureLog(endFirst, false, texts, out);
  EXPECT_FALSE(empty.notEmpty);
  EXPECT_TRUE(out.report.empty());

  const std::vector<std::uint8_t> stampFirst = {0x05, 0x00, 0x1F, 0x00, 0xE8, 0x03, 0x00, 0x00};
  const auto summary = WalkTemperatureLog(stampFirst, false, texts, out);
  EXPECT_TRUE(summary.notEmpty);
  EXPECT_EQ(out.report, Strings{"5,1,,,,,,,1000"});
}

TEST(RdtTemperatureLog, ALogWithoutEndRecordIsWalkedToItsEnd) {
  CollectedOutput out;
  CTemperatureText texts;
  const std::vector<std::uint8_t> log = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x01, 0x00, 0x0F, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x02};
  const auto summary = WalkTemperatureLog(log, false, texts, out);
  EXPECT_EQ(summary.records, 2u);
  EXPECT_EQ(summary.maxTimeMs, 2u);
}

TEST(RdtTemperatureText, CodesAndTheTextMadeLastAcrossTheDramLog) {
  CTemperatureText texts;
  EXPECT_EQ(texts.Make(17), "");  // nothing made yet
  EXPECT_EQ(texts.Make(4), "0");
  EXPECT_EQ(texts.Make(3), "-10");
  EXPECT_EQ(texts.Make(14), "100");
  EXPECT_EQ(texts.Make(200), "100");
  // The DRAM log shares the text made last by the temperature log.
  CollectedOutput out;
  const std::vector<std::uint8_t> sdr = {0x00, 0x01, 0x20, 0x12, 0x10, 0x27, 0x00, 0x00};
  WalkSdrLog(sdr, texts, out);
  EXPECT_EQ(out.report, Strings{"1,2,100,SDR Test PASS,10000"});
}

// A "TVRT" record, 64 bytes (MpInfo layout).
std::vector<std::uint8_t> InfoRecordBytes() {
  return {
      'T',  'V',  'R',  'T',                          // 0x00 signature
      0x12, 0x00, 0x00, 0x00,                          // 0x04 result code 0x12
      0x07, 0x39, 0x30, 0x00,                          // 0x08 bad-block number 0x3039 = 12345
      0x06, 0x00,                                      // 0x0C dynamic CE, two-pass program
      0x00,                                            // 0x0E
      0x00, 0x00, 0x00, 0x40,                          // 0x0F re-test enabled
      0x0F, 0x00,                                      // 0x13 CE map 000F
      0x00, 0x00,                                      // 0x15
      0xC4,                                            // 0x17 erase off, read retry on, doubled loops
      0x00, 0x00, 0x00, 0x00,                          // 0x18
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x1C
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 0x24
      0x02, 0x00,                                      // 0x2A test unit number 2
      0x00, 0x00, 0x00,                                // 0x2C
      0x19,                                            // 0x2F minimum temperature 25
      0x46,                                            // 0x30 maximum temperature 70
      0x2D,                                            // 0x31 temperature 45
      'T',  '0',  'B',  '1',                           // 0x32 unused byte, version "0B1"
      0x00, 0x00,                                      // 0x36
      0x05, 0x03,                                      // 0x38 loop figures: second 5, first 3
      0x1E, 0x28,                                      // 0x3A SLC ECC 30, XLC ECC 40
      0x8D, 0x0E, 0x00, 0x00,                          // 0x3C total time 3725 s
  };
}

TEST(RdtInformationRecord, IsFoundAtAnEightByteBoundaryWhollyInsideTheLog) {
  std::vector<std::uint8_t> log(16, 0);
  log[3] = 'T';  // a signature off the 8-byte grid does not count
  std::memcpy(log.data() + 3, "TVRT", 4);
  const auto record = InfoRecordBytes();
  log.insert(log.end(), record.begin(), record.end());
  const auto found = FindRdtInfoRecord(log);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(std::memcmp(&*found, record.data(), record.size()), 0);
  // Cut one byte short, the record is not taken.
  log.pop_back();
  EXPECT_FALSE(FindRdtInfoRecord(log).has_value());
}

TEST(RdtInformationRecord, WritesItsLinesInOrder) {
  MpInfo info;
  const auto bytes = InfoRecordBytes();
  std::memcpy(&info, bytes.data(), sizeof(info));
  CollectedOutput out;
  WriteRdtInfoLines(info, "240501A01", out);
  const Strings expected = {
      "RDT total time= 1:2:5 (h/m/s)",
      "RDT Info_RDT ECC (XLC/SLC) = 40/30",
      "RDT Info_RDT Loop = 6/10",
      "RDT Info_RDT Test Unit Num = 2",
      "Two Pass Program Type = 1",
      "RDT Info_Erase Mode   = Disable",
      "RDT Info_Program Mode = Enable",
      "RDT Info_Read Mode    = Enable",
      "RDT Info_Read Retry   = Enable",
      "RDT Info_ReTest       = Enable",
      "RDT Info_CacheTest    = Disable",
      "RDT Info_CE Map    = 000F",
      "RDT_MaxTemperature = 70",
      "RDT_MinTemperature = 25",
      "RDT_Temperature    = 45",
      "RDT_TotalTime      = 1:02:05",
      "RDT_FWVersion      =0B1",
      "RDT_FWDate         =240501A01",
  };
  EXPECT_EQ(out.report, expected);
  EXPECT_EQ(RdtResultCode(info), 0x12);
}

TEST(RdtResultCodes, FailTheDriveWithTheirTagsAndMessages) {
  MpInfo info;
  const auto bytes = InfoRecordBytes();
  std::memcpy(&info, bytes.data(), sizeof(info));
  const auto withCode = [&info](std::uint8_t code) {
    info.resultWord.SetBits(0, 8, code);
    return JudgeRdtResultCode(info, 7654321, 0);
  };
  auto failure = withCode(0x11);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->tag, "I_T52");
  EXPECT_EQ(failure->message, "e_RDT_RESULT_FLH_TEST_TIME_OUT,  total 7654 seconds");
  info.resultWord.SetBits(0, 8, 0x11);
  failure = JudgeRdtResultCode(info, 7654321, 7200);
  EXPECT_EQ(failure->message, "e_RDT_RESULT_FLH_TEST_TIME_OUT,  total 7654 seconds,  TimeOutLimit 7200 seconds");
  failure = withCode(0x12);
  EXPECT_EQ(failure->tag, "I_T53");
  EXPECT_EQ(failure->message, "e_RDT_RESULT_FLH_TEST_BB_OVER, Bad Block Number = 12345");
  failure = withCode(0x13);
  EXPECT_EQ(failure->tag, "I_T53");
  EXPECT_EQ(failure->message, "e_RDT_RESULT_FLH_ID_ERROR, error code = 19");
  failure = withCode(0x14);
  EXPECT_EQ(failure->tag, "I_T53");
  EXPECT_EQ(failure->message, "e_RDT_RESULT_FLH_ID_MISS_ERROR, error code = 20");
  failure = withCode(0x15);
  EXPECT_EQ(failure->tag, "I_T54");
  EXPECT_EQ(failure->message, "e_RDT_RESULT_SYS_BlK_ERROR, error code = 21");
  EXPECT_FALSE(withCode(0x00).has_value());
  EXPECT_FALSE(withCode(0x10).has_value());
  EXPECT_FALSE(withCode(0x16).has_value());
}

}  // namespace
