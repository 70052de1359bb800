#include "engine/InfoBlockFields.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "device/records/InfoBlock.h"

namespace {

using Block = std::array<std::uint8_t, engine::kInfoBlockBytes>;

TEST(InfoBlockFieldTable, FindsFieldsByNameAndNotByPrintedDuplicateLabel) {
  const engine::InfoBlockField* size = engine::FindInfoField("ulSSDSize_LBA");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->offset, 0x064);
  EXPECT_EQ(size->size, 4);
  const engine::InfoBlockField* second = engine::FindInfoField("ulSmartStatusRuleMap2");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->offset, 0x0D4);
  EXPECT_EQ(second->label, "ulSmartStatusRuleMap");
  EXPECT_EQ(engine::FindInfoField("ulSmartStatusRuleMap")->offset, 0x0D0);
  EXPECT_EQ(engine::FindInfoField("no such field"), nullptr);
  EXPECT_EQ(engine::FindInfoField(""), nullptr);
}

TEST(InfoBlockFieldTable, NumbersAreLittleEndianAtTheirOffsets) {
  Block block{};
  engine::SetInfoFieldValue(block, engine::InfoField("ulSSDSize_LBA"), 0x0EA31000);
  EXPECT_EQ(block[0x064], 0x00);
  EXPECT_EQ(block[0x065], 0x10);
  EXPECT_EQ(block[0x066], 0xA3);
  EXPECT_EQ(block[0x067], 0x0E);
  EXPECT_EQ(engine::GetInfoFieldValue(block, engine::InfoField("ulSSDSize_LBA")), 0x0EA31000u);
  // A value wider than its field is cut, and the neighbours keep their bytes.
  block[0x063] = 0x11;
  engine::SetInfoFieldValue(block, engine::InfoField("ubFormFactor"), 0x1234);
  EXPECT_EQ(block[0x062], 0x34);
  EXPECT_EQ(block[0x063], 0x11);
  // The record layout agrees.
  InfoBlockRecord record{};
  std::copy(block.begin(), block.end(), BytesOf(record).begin());
  EXPECT_EQ(record.ssdSizeLba.Get(), 0x0EA31000u);
  EXPECT_EQ(record.formFactor, 0x34);
}

TEST(InfoBlockFieldTable, BitRangesKeepTheOtherBitsOfTheirWord) {
  Block block{};
  block[0x1A0] = 0xFF;
  block[0x1A3] = 0x80;
  const engine::InfoBlockField& boardType = engine::InfoField("MpInfo.RunInfo.MP_BoardType");
  engine::SetInfoFieldValue(block, boardType, 0x5);
  EXPECT_EQ(block[0x1A0], 0x5F);
  EXPECT_EQ(block[0x1A3], 0x80);
  EXPECT_EQ(engine::GetInfoFieldValue(block, boardType), 0x5u);
  EXPECT_EQ(engine::GetInfoFieldValue(block, engine::InfoField("MpInfo.RunInfo.FLH_CacheTest")), 1u);
  // The 24-bit bad-block number above the error page number.
  const engine::InfoBlockField& badBlocks = engine::InfoField("MpInfo.BadBlk_Number");
  engine::SetInfoFieldValue(block, badBlocks, 0xABCDEF);
  engine::SetInfoFieldValue(block, engine::InfoField("MpInfo.ErrPage_Number"), 0x42);
  EXPECT_EQ(block[0x199], 0x42);
  EXPECT_EQ(block[0x19A], 0xEF);
  EXPECT_EQ(block[0x19C], 0xAB);
  EXPECT_EQ(engine::GetInfoFieldValue(block, badBlocks), 0xABCDEFu);
}

TEST(InfoBlockFieldTable, TextsAreStoredSwappedOrPlainAndReadBackInReadingOrder) {
  Block block{};
  const engine::InfoBlockField& model = engine::InfoField("ubModelNumber");
  engine::SetInfoFieldText(block, model, "SSD 128GB");
  EXPECT_EQ(block[0x026], 'S');
  EXPECT_EQ(block[0x027], 'S');
  EXPECT_EQ(block[0x028], ' ');
  EXPECT_EQ(block[0x029], 'D');
  EXPECT_EQ(engine::GetInfoFieldText(block, model), "SSD 128GB" + std::string(31, ' '));
  engine::SetInfoFieldText(block, engine::InfoField("u8bTervidInfoMark"), "Tervid-too-long");
  EXPECT_EQ(std::string(block.begin(), block.begin() + 7), std::string("Tervid\0", 7));
  engine::SetInfoFieldText(block, engine::InfoField("ubAP_WO"), "WO123", '\0');
  EXPECT_EQ(engine::GetInfoFieldText(block, engine::InfoField("ubAP_WO")), std::string("WO123") + std::string(11, '\0'));
}

TEST(InfoBlockFieldTable, ArrayElementsAndTheirBounds) {
  Block block{};
  const engine::InfoBlockField& words = engine::InfoField("uwWPModelTable");
  EXPECT_EQ(words.ElementCount(), 10u);
  EXPECT_TRUE(engine::SetInfoFieldElement(block, words, 9, 0xBEEF));
  EXPECT_EQ(block[0x16E + 18], 0xEF);
  EXPECT_EQ(block[0x16E + 19], 0xBE);
  EXPECT_EQ(engine::GetInfoFieldElement(block, words, 9), 0xBEEFu);
  EXPECT_FALSE(engine::SetInfoFieldElement(block, words, 10, 1));
  EXPECT_EQ(block[0x182], 0);
  EXPECT_EQ(engine::GetInfoFieldElement(block, words, 10), 0u);
}

TEST(InfoBlockFieldTable, ComparesOneFieldOfTwoBlocks) {
  Block built{};
  Block read{};
  engine::SetInfoFieldValue(built, engine::InfoField("MpInfo.RunInfo.MP_FlashBinType"), 3);
  EXPECT_FALSE(engine::InfoFieldEquals(built, read, engine::InfoField("MpInfo.RunInfo.MP_FlashBinType")));
  // Other bits of the same word do not count.
  engine::SetInfoFieldValue(read, engine::InfoField("MpInfo.RunInfo.MP_FlashBinType"), 3);
  engine::SetInfoFieldValue(read, engine::InfoField("MpInfo.RunInfo.RDT_ReTest"), 1);
  EXPECT_TRUE(engine::InfoFieldEquals(built, read, engine::InfoField("MpInfo.RunInfo.MP_FlashBinType")));
  read[0x1DC + 15] = 'X';
  EXPECT_FALSE(engine::InfoFieldEquals(built, read, engine::InfoField("ubAP_WO")));
}

TEST(InfoBlockFieldTable, RdtInformationRecordReadsAtTheMpInfoOffsets) {
  std::array<std::uint8_t, engine::kMpInfoBytes> record{};
  record[0x13] = 0x0F;  // CE bit map
  record[0x31] = 45;    // temperature
  record[0x3C] = 0x8D;  // total time 3725 s
  record[0x3D] = 0x0E;
  const auto block = engine::MpInfoAsBlock(record);
  EXPECT_EQ(engine::GetInfoFieldValue(block, engine::InfoField("MpInfo.RunInfo.CEBitMap")), 0x0Fu);
  EXPECT_EQ(engine::GetInfoFieldValue(block, engine::InfoField("MpInfo.Temperature")), 45u);
  EXPECT_EQ(engine::GetInfoFieldValue(block, engine::InfoField("MpInfo.RDT_TotalTime")), 3725u);
  EXPECT_EQ(engine::GetInfoFieldValue(block, engine::InfoField("ubFormFactor")), 0u);
}

TEST(InfoBlockFieldTable, DateRoundTripsAndCutsEachPartToItsBits) {
  Block block{};
  engine::SetInfoBlockDate(block, {9, 12, 31, 23, 59});
  const engine::InfoBlockDate date = engine::GetInfoBlockDate(block);
  EXPECT_EQ(date.yearDigit, 9u);
  EXPECT_EQ(date.month, 12u);
  EXPECT_EQ(date.day, 31u);
  EXPECT_EQ(date.hour, 23u);
  EXPECT_EQ(date.minute, 59u);
  EXPECT_EQ(block[0x1FB] | (block[0x1FC] << 8), 31 | (23 << 5) | (59 << 10));
  engine::SetInfoBlockDate(block, {0x1F, 0, 0x3F, 0, 0});
  EXPECT_EQ(engine::GetInfoBlockDate(block).yearDigit, 0xFu);
  EXPECT_EQ(engine::GetInfoBlockDate(block).day, 0x1Fu);
  EXPECT_EQ(block[0x1FD], 0);
}

}  // namespace
