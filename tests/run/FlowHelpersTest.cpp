// The small readings and texts the station flows share: the CE count of the flash-ID table,
// the CE-map text, IDENTIFY texts, capacity units, the table-sort sizes and the pass text.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "device/records/BadBlockTable.h"
#include "run/BadBlockTableSort.h"
#include "run/CapacityUnits.h"
#include "run/FlowDriveFacts.h"
#include "run/PassText.h"

namespace {

// IDENTIFY data with ATA strings: each word holds two characters, the first in its high byte.
std::array<std::uint8_t, 512> IdentifyWith(const std::string& serial20, const std::string& model40) {
  std::array<std::uint8_t, 512> data{};
  const auto put = [&](std::size_t firstWord, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) data[firstWord * 2 + (i ^ 1)] = static_cast<std::uint8_t>(text[i]);
  };
  put(10, serial20);
  put(27, model40);
  return data;
}

TEST(FlashIdTable, CountsTheEntriesWhoseSevenIdBytesAreNotAllZero) {
  std::array<std::uint8_t, kFlashIdTableBytes> table{};
  EXPECT_EQ(CountFlashIdCEs(table), 0u);
  table[0] = 0x98;          // CE 0
  table[8 * 5 + 6] = 1;     // CE 5, last ID byte
  table[8 * 9 + 7] = 0xFF;  // CE 9: only the eighth byte, which is no part of the ID
  table[8 * 63] = 0x2C;     // CE 63
  EXPECT_EQ(CountFlashIdCEs(table), 3u);
  // A short table counts its whole entries only.
  EXPECT_EQ(CountFlashIdCEs(std::span<const std::uint8_t>(table).first(8 * 5 + 7)), 1u);
}

TEST(CeMapText, IsHexadecimalAndWhole) {
  EXPECT_EQ(ParseCeMapText("1F"), 0x1Fu);
  EXPECT_EQ(ParseCeMapText(" 0x1f "), 0x1Fu);
  // The whole value: a caller tests it before it keeps the 16 bits of the CE map in use.
  EXPECT_EQ(ParseCeMapText("12345"), 0x12345u);
  EXPECT_EQ(ParseCeMapText("10000"), 0x10000u);
  EXPECT_EQ(ParseCeMapText(""), 0u);
  EXPECT_EQ(ParseCeMapText("  "), 0u);
  EXPECT_EQ(ParseCeMapText("zz"), 0u);
  EXPECT_EQ(ParseCeMapText("Fz"), 0xFu);
}

TEST(IdentifyText, TakesHighBytesFirstAndStopsAtTheFirstZeroByte) {
  const auto identify = IdentifyWith("AB12345678901234567Z", "TV3160 SATA SSD");
  EXPECT_EQ(IdentifyWordsText(identify, kIdentifySerialFirstWord, kIdentifySerialWords), "AB12345678901234567Z");
  // The model's unused words are zero: the text stops there.
  EXPECT_EQ(IdentifyWordsText(identify, kIdentifyModelFirstWord, kIdentifyModelWords), "TV3160 SATA SSD");
  std::array<std::uint8_t, 512> blank{};
  EXPECT_EQ(IdentifyWordsText(blank, kIdentifySerialFirstWord, kIdentifySerialWords), "");
  // A zero low byte after a character: the character is kept, the text stops.
  blank[21] = 'A';
  EXPECT_EQ(IdentifyWordsText(blank, kIdentifySerialFirstWord, kIdentifySerialWords), "A");
  // Words past the end of short data are not read.
  EXPECT_EQ(IdentifyWordsText(std::span<const std::uint8_t>(identify).first(23), 10, 10), "AB");
}

TEST(FirmwareBinType, TakesBytes349348351350AndStopsAtAZeroByteOrTheEnd) {
  std::array<std::uint8_t, 1024> info{};
  info[348] = '3';
  info[349] = '7';
  info[350] = '2';
  info[351] = '1';
  EXPECT_EQ(FirmwareBinTypeText(info), "7312");
  info[351] = 0;
  EXPECT_EQ(FirmwareBinTypeText(info), "73");
  EXPECT_EQ(FirmwareBinTypeText(std::span<const std::uint8_t>(info).first(350)), "73");
  EXPECT_EQ(FirmwareBinTypeText(std::span<const std::uint8_t>(info).first(349)), "");
}

TEST(CapacityUnits, GigabytesFollowTheLbaRuleInSixtyFourBits) {
  EXPECT_EQ(CapacityMBOfGB(50), 97696368 >> 11);
  EXPECT_EQ(CapacityMBOfGB(128), 122104);
  EXPECT_EQ(CapacityMBOfGB(256), 244198);
  EXPECT_EQ(CapacityMBOfGB(0), 10);
  // The last size the 32-bit rule holds, and beyond it, where 32 bits would give 395.
  EXPECT_EQ(CapacityMBOfGB(2198), 2096593);
  EXPECT_EQ(CapacityMBOfGB(2199), 2097547);
  EXPECT_EQ(CapacityMBOfGB(4096), 3907018);
  EXPECT_EQ(CapacityMBOfSectors(500118192), 244198);
  EXPECT_EQ(CapacityMBOfSectors(std::uint64_t{1} << 40), std::int64_t{1} << 29);
  EXPECT_EQ(CapacityMBOfBytes(256060514304ull), 244198);
}

TEST(CapacityUnits, TheSizePercentIsAThirtyTwoBitFloat) {
  EXPECT_FALSE(SizePercentFactor("").has_value());
  EXPECT_FALSE(SizePercentFactor(" 0 ").has_value());
  ASSERT_TRUE(SizePercentFactor("0.9").has_value());
  EXPECT_EQ(*SizePercentFactor("0.9"), 0.9f);
  // 62500 x 0.9 in float rounds to 56250; in double it would truncate to 56249.
  EXPECT_EQ(ApplySizePercent(62500, 0.9f), 56250);
  EXPECT_EQ(ApplySizePercent(122104, 0.9f), 109893);
  EXPECT_EQ(*SizePercentFactor("abc"), 0.0f);
  // Out-of-range factors saturate instead of converting undefined values.
  EXPECT_EQ(ApplySizePercent(122104, *SizePercentFactor("1e40")), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(ApplySizePercent(122104, *SizePercentFactor("nan")), 0);
  EXPECT_EQ(TruncatedSizeOfText(" 128.9 "), 128);
  EXPECT_EQ(TruncatedSizeOfText(""), 0);
  EXPECT_EQ(TruncatedSizeOfText("GB"), 0);
  EXPECT_EQ(TruncatedSizeOfText("1e30"), std::numeric_limits<std::int64_t>::max());
}

TEST(TableSort, LengthsComeFromTheRecordInSixtyFourBitsAndMustFitTheBuffer) {
  BbtParameterRecord record;
  std::memset(&record, 0, sizeof(record));
  record.tableSectors.Set(9);
  record.ceSlots = 4;
  record.unitsPerCe = 1;
  record.mapFactor = 1;
  record.blocksPerUnit.Set(1024);
  const auto lengths = TableSortLengthsOf(BytesOf(record), 9 * 512);
  ASSERT_TRUE(lengths.has_value());
  EXPECT_EQ(lengths->tableBytes, 4608u);
  EXPECT_EQ(lengths->mapBytes, 4096u);
  // A table larger than the buffer by one sector, a map product beyond 32 bits, a short record.
  EXPECT_FALSE(TableSortLengthsOf(BytesOf(record), 8 * 512).has_value());
  record.ceSlots = 255;
  record.unitsPerCe = 255;
  record.mapFactor = 255;
  record.blocksPerUnit.Set(0xFFFFFFFFu);
  EXPECT_FALSE(TableSortLengthsOf(BytesOf(record), 1u << 30).has_value());
  EXPECT_FALSE(TableSortLengthsOf(BytesOf(record).first(63), 1u << 30).has_value());
}

TEST(PassTextFields, ModelAndSerialAreSplitForTheCell) {
  const auto identify = IdentifyWith("SN1234567890ABC     ", "TV3160 SATA SSD 256GB MODEL FORTY CHARS");
  // 8 slots: all 40 characters, "*" before offsets 10, 20 and 30.
  EXPECT_EQ(PassModelText(identify, 8), "TV3160 SAT*A SSD 256G*B MODEL FO*RTY CHARS");
  // Any other layout: the first 20 characters.
  EXPECT_EQ(PassModelText(identify, 16), "TV3160 SAT*A SSD 256G");
  EXPECT_EQ(PassModelText(identify, 24), "TV3160 SAT*A SSD 256G");
  EXPECT_EQ(PassSerialText(identify), "SN12345678*90ABC");
  // Blanks are trimmed after the split, so a short model ends with the separator.
  const auto padded = IdentifyWith("00000007            ", "TV3160 SATA SSD                         ");
  EXPECT_EQ(PassModelText(padded, 8), "TV3160 SAT*A SSD     *          *");
  EXPECT_EQ(PassSerialText(padded), "00000007  *");
}

TEST(PassTextFields, CapacityByLayoutAndSize) {
  EXPECT_EQ(PassCapacityText(244198, 8, 256), "244198 MB*238(256) GB");
  EXPECT_EQ(PassCapacityText(244198, 16, 240), "244198 MB*238(240) GB");
  EXPECT_EQ(PassCapacityText(244198, 24, 256), "238(256) GB");
  EXPECT_EQ(PassCapacityText(1024, 8, 1), "1024(1) MB");
  EXPECT_EQ(PassCapacityText(1025, 24, 1), "1(1) GB");
  EXPECT_EQ(PassCapacityText(3907018, 24, 4096), "3815(4096) GB");
}

TEST(PassTextFields, TheWholeText) {
  PassTextFields fields;
  fields.capacityText = "238(256) GB";
  fields.modelText = "TV3160 SAT*A SSD";
  fields.serialText = "00000007  *";
  EXPECT_EQ(BuildPassText(fields), "Pass*238(256) GB*TV3160 SAT*A SSD*00000007  **");
  // A model that ends with "*" brings its own separator; statistics follow after "*".
  fields.modelText = "TV3160 SAT*A SSD     *          *";
  fields.statisticsText = "OB+OLB/RB:6+0/0";
  EXPECT_EQ(BuildPassText(fields), "Pass*238(256) GB*TV3160 SAT*A SSD     *          *00000007  **OB+OLB/RB:6+0/0");
  // A capacity the automatic choice reduced: the down-arrow of code page 950 after "Pass".
  fields.reduced = true;
  EXPECT_EQ(BuildPassText(fields).substr(0, 7), "Pass\xA1\xF5*");
  // The window-scan result only with the 8-slot layout of the first scan.
  fields.reduced = false;
  fields.statisticsText.clear();
  fields.windowScanText = "CH0:3-12(7)";
  fields.firstScanSlotLayout = 16;
  EXPECT_EQ(BuildPassText(fields), "Pass*238(256) GB*TV3160 SAT*A SSD     *          *00000007  **");
  fields.firstScanSlotLayout = 8;
  EXPECT_EQ(BuildPassText(fields), "Pass*238(256) GB*TV3160 SAT*A SSD     *          *00000007  ** *CH0:3-12(7)");
  fields.shortRun = true;
  EXPECT_EQ(BuildPassText(fields), "Pass*Short*Enabled *CH0:3-12(7)");
  fields.firstScanSlotLayout = 24;
  EXPECT_EQ(BuildPassText(fields), "Pass*Short*Enabled");
}

}  // namespace
