// The scan block's rules without a drive: block kinds by status byte, the block-map layout and
// its CE slots, third-party chip numbers, the later-bad limit text and the window-scan result.
#include <gtest/gtest.h>

#include <cstring>

#include "device/records/BadBlockTable.h"
#include "engine/scan/BlockKinds.h"
#include "engine/scan/BlockMapLayout.h"
#include "engine/scan/LaterBadRequest.h"
#include "engine/scan/WindowScanResult.h"

namespace {

TEST(BlockKinds, EveryStatusHasOneGroupAndTheKindTextsTheReadersKnow) {
  const struct {
    std::uint8_t status;
    BlockGroup group;
    const char* text;
  } cases[] = {
      {0x00, BlockGroup::Good, ""},
      {0x10, BlockGroup::Marked, ""},
      {0x30, BlockGroup::Marked, ""},
      {0x80, BlockGroup::Factory, ""},
      {0x84, BlockGroup::Factory, "Erase-OLB"},
      {0x82, BlockGroup::Factory, "Program-OLB"},
      {0x81, BlockGroup::Factory, "Read-OLB"},
      {0x88, BlockGroup::Factory, "Raid-OLB"},
      {0x90, BlockGroup::Factory, ""},
      {0x40, BlockGroup::Rdt, "RDT_Bad"},
      {0x44, BlockGroup::Rdt, "Erase Bad-RDT"},
      {0x46, BlockGroup::Rdt, "Erase Bad-RDT"},
      {0x42, BlockGroup::Rdt, "Program Bad-RDT"},
      {0x41, BlockGroup::Rdt, "Read Bad-RDT"},
      {0x51, BlockGroup::Rdt, "Read Bad-RDT(P)"},
      {0x48, BlockGroup::Rdt, "Raid Read Bad-RDT"},
      {0xC4, BlockGroup::Rdt, "Erase Bad-RDT"},
      {0x04, BlockGroup::Run, "Erase Bad-Run"},
      {0x02, BlockGroup::Run, "Program Bad-Run"},
      {0x01, BlockGroup::Run, "Read Bad-Run"},
      {0x08, BlockGroup::Run, "Raid Read Bad-Run"},
      {0x28, BlockGroup::Run, "Raid Read Bad"},
      {0x0C, BlockGroup::Run, "Erase Bad-Run"},
  };
  for (const auto& c : cases) {
    const BlockKind kind = ClassifyBlock(c.status);
    EXPECT_EQ(kind.group, c.group) << static_cast<int>(c.status);
    EXPECT_EQ(kind.text, c.text) << static_cast<int>(c.status);
  }
  EXPECT_TRUE(IsEarlyGroup(BlockGroup::Rdt));
  EXPECT_FALSE(IsEarlyGroup(BlockGroup::Run));
  EXPECT_FALSE(IsBadGroup(BlockGroup::Marked));
}

BbtParameterRecord Parameter(std::uint8_t ceSlots, std::uint8_t units, std::uint32_t blocksPerUnit,
                             std::uint16_t sectors) {
  BbtParameterRecord record;
  std::memset(&record, 0, sizeof(record));
  record.magic.Set("DBTP");
  std::memset(record.ceAddress, kAbsentCeAddress, sizeof(record.ceAddress));
  record.ceSlots = ceSlots;
  record.unitsPerCe = units;
  record.mapFactor = 1;
  record.blocksPerUnit.Set(blocksPerUnit);
  record.tableSectors.Set(sectors);
  return record;
}

TEST(BlockMapLayout, TheMapSizeIsTheProductAndMustFitItsTable) {
  std::string problem;
  const auto layout = DescribeBlockMap(Parameter(4, 2, 1000, 16), &problem);
  ASSERT_TRUE(layout) << problem;
  EXPECT_EQ(layout->mapBytes, 8000u);
  EXPECT_EQ(layout->blocksPerSlot, 2000u);
  EXPECT_EQ(layout->TableBytes(), 8192u);
  EXPECT_FALSE(DescribeBlockMap(Parameter(4, 2, 1000, 15), &problem));
  EXPECT_EQ(problem, "block map of 8000 bytes does not fit a table of 7680 bytes");
  // A product far beyond 32 bits is refused, not wrapped.
  EXPECT_FALSE(DescribeBlockMap(Parameter(255, 255, 0xFFFFFFFF, 0xFFFF), &problem));
  EXPECT_FALSE(DescribeBlockMap(Parameter(0, 2, 1000, 16), &problem));
  EXPECT_EQ(problem, "BBT parameter record describes an empty block map");
  BbtParameterRecord noMagic = Parameter(4, 2, 1000, 16);
  noMagic.magic.Set("DBTQ");
  EXPECT_FALSE(DescribeBlockMap(noMagic, &problem));
  EXPECT_FALSE(DescribeBlockMap(static_cast<const std::uint8_t*>(nullptr), &problem));
}

TEST(BlockMapLayout, SlotsFollowTheCeMapUnlessCesAreNumberedByIt) {
  const std::uint64_t map = 0x0F0A;   // CEs 1, 3, 8, 9, 10, 11
  EXPECT_EQ(CeOfSlot(0, map, false), 1u);
  EXPECT_EQ(CeOfSlot(2, map, false), 8u);
  EXPECT_EQ(CeOfSlot(5, map, false), 11u);
  EXPECT_EQ(CeOfSlot(6, map, false), 6u);   // past the map's CEs: the slot itself
  EXPECT_EQ(CeOfSlot(5, map, true), 5u);
  EXPECT_EQ(CeOfSlot(3, 0, false), 3u);
  EXPECT_EQ(SlotOfCe(9, map, false), 3u);
  EXPECT_FALSE(SlotOfCe(2, map, false));
  EXPECT_EQ(SlotOfCe(2, map, true), 2u);
  EXPECT_FALSE(SlotOfCe(64, map, true));
  BbtParameterRecord record = Parameter(64, 1, 10, 2);
  record.ceAddress[1] = 1;
  EXPECT_TRUE(CeInUse(record, 1, map, true));
  EXPECT_FALSE(CeInUse(record, 0, map, false));   // address 0x3F
  EXPECT_FALSE(CeInUse(record, 40, map, true));   // not in the map
  EXPECT_TRUE(CeInUse(record, 40, map, false));
  EXPECT_EQ(ChannelOfCe(9), 1u);
}

TEST(ThirdPartyTable, SliceSizesAndTheirSum) {
  EXPECT_EQ(ThirdPartySliceSectors(1000), 2u);
  EXPECT_EQ(ThirdPartySliceSectors(1001), 3u);
  EXPECT_EQ(ThirdPartySliceSectors(0), 0u);
  std::vector<std::uint8_t> slice(1024, 0);
  slice[0] = 0xFF;
  slice[509] = 0x02;
  slice[700] = 0x80;   // the second sector does not count
  ASSERT_TRUE(SealThirdPartySlice(slice));
  EXPECT_EQ(slice[510], 0x01);
  EXPECT_EQ(slice[511], 0x01);
  EXPECT_TRUE(ThirdPartySliceSealed(slice));
  slice[3] = 1;
  EXPECT_FALSE(ThirdPartySliceSealed(slice));
  std::vector<std::uint8_t> small(100);
  EXPECT_FALSE(SealThirdPartySlice(small));
}

TEST(ThirdPartyTable, ChipNumbersByAddressingModeAndUnitShift) {
  BbtParameterRecord record = Parameter(2, 2, 100, 1);
  record.ceAddress[3] = 11;
  record.chipModulus = 16;
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 1, 2), 11);
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 2, 2), (11 % 8) * 2 + 11 / 8);   // 7
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 5, 2), 11);   // a mode the drive never reports: as mode 1
  // Units beyond the first group shift the chip: U = 5, byte 44 = 2 -> q = 4 -> 2 x (43 / 42).
  record.shiftEnable = 1;
  record.unitsPerCe = 2;
  record.ceSlots = 6;
  record.shiftDivisor = 2;
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 1, 5), (11 + 2 * 3) % 16);
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 1, 2), 11);   // q = 1 < byte 44
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 1, 0), 11);   // no unit: no shift
  record.chipModulus = 5;
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 1, 2), 11 % 5);
  // Rules that would divide by zero give no chip number.
  record.shiftDivisor = 0;
  EXPECT_FALSE(ThirdPartyChipNumber(record, 3, 1, 5));
  record.shiftDivisor = 2;
  record.unitsPerCe = 0;
  EXPECT_FALSE(ThirdPartyChipNumber(record, 3, 1, 5));
  record.shiftEnable = 0;
  EXPECT_EQ(ThirdPartyChipNumber(record, 3, 1, 5), 1);   // byte 41 zero: B mod byte 40
  record.chipModulus = 0;
  EXPECT_FALSE(ThirdPartyChipNumber(record, 3, 1, 5));
  EXPECT_FALSE(ThirdPartyChipNumber(record, 16, 1, 5));
}

TEST(LaterBadRequest, LimitTextsBecomeBlocksPerPlane) {
  EXPECT_EQ(MaxBadPerPlaneOfLimit("3%", 2000, 1, 2), 30u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("3.5%", 2000, 1, 2), 30u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("%10%", 1000, 2, 2), 25u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("25", 2000, 1, 2), 25u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("abc", 2000, 1, 2), 0u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("-5", 2000, 1, 2), 0u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("5%", 2000, 0, 2), 0u);
  EXPECT_EQ(MaxBadPerPlaneOfLimit("100%", 0xFFFFFFFF, 1, 1), 0xFFFFFFFFu);   // no 32-bit overflow
}

TEST(WindowScanResult, ChannelsDecodeIntoTheirWindows) {
  const std::uint8_t sector[512] = {2, 0, 3, 12, 7, 4, 13, 8};
  const auto result = DecodeWindowScan(sector);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->Passes());
  EXPECT_EQ(result->Text(), "CH0:3-12(7),CH1:4-13(8)");
  const std::uint8_t empty[512] = {2, 0, 3, 12, 7, 9, 4, 8};   // channel 1: first above last
  EXPECT_FALSE(DecodeWindowScan(empty)->Passes());
  const std::uint8_t outside[512] = {1, 0, 3, 12, 13};         // chosen outside the window
  EXPECT_FALSE(DecodeWindowScan(outside)->Passes());
  const std::uint8_t status[512] = {1, 1, 3, 12, 7};
  EXPECT_FALSE(DecodeWindowScan(status)->Passes());
  const std::uint8_t none[512] = {0};
  EXPECT_FALSE(DecodeWindowScan(none));
  const std::uint8_t tooMany[512] = {17};
  EXPECT_FALSE(DecodeWindowScan(tooMany));
  EXPECT_FALSE(DecodeWindowScan(std::span<const std::uint8_t>(sector, 7)));
}

}  // namespace
