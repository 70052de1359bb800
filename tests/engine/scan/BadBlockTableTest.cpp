// The controller's bad-block table and the third-party table on the simulated station: read
// with the parameter record and the CRC-16, written back with the RDT information record,
// counted by kind, the first four blocks checked, the third-party slices read whole and
// written one CE at a time.
#include <array>
#include <cstring>
#include <functional>
#include <memory>

#include "ScanFixture.h"
#include "device/CommandBlocks.h"
#include "device/Crc16.h"
#include "device/VendorCommands.h"
#include "device/records/BadBlockTable.h"
#include "device/records/InfoBlock.h"
#include "engine/scan/BlockMapLayout.h"
#include "support/CommandRewriter.h"

namespace {

using scantest::ScanTest;
using scantest::SmallDrive;
using Record = std::array<std::uint8_t, 64>;

using scantest::kErase;
using scantest::kFactory;
using scantest::kProgram;

class BadBlockTableTest : public ScanTest {
 protected:
  void SetUp() override {
    ScanTest::SetUp();
    Install(SmallDrive({{0, 5, kFactory}, {0, 10, kErase}, {1, 7, kProgram}, {1, 60, kFactory}}));
  }
  std::uint16_t MapCrc() const { return CCrc16::Ccitt(device->m_BBTBuffer.data(), device->m_TableSizeBytes); }
};

// The parameter record of two CEs of 64 blocks: CE 0 and 1 present, the chip-number rule of
// the simulated controller, one sector of table.
const std::uint8_t kSmallDriveParameter[0x30] = {
    'D', 'B', 'T', 'P', 0x00, 0x01, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    64,   0,    0,    0,    16,   0,    1,    2,    1,    1,    1,    0};

TEST_F(BadBlockTableTest, ReadFillsTheRecordTheBlockMapAndTheChecksum) {
  Record parameter{};
  std::uint16_t crc = 0;
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), &crc), 1) << device->m_ErrorMessage;
  EXPECT_EQ(std::memcmp(parameter.data(), kSmallDriveParameter, sizeof(kSmallDriveParameter)), 0);
  EXPECT_EQ(device->m_TableSizeBytes, 128u);
  ASSERT_EQ(device->m_BBTBuffer.size(), 512u);
  // No RDT has run: the table holds the factory marks only, and the rest of the sector 0xFF.
  for (std::size_t i = 0; i < 128; ++i) {
    EXPECT_EQ(device->m_BBTBuffer[i], i == 5 || i == 64 + 60 ? kFactory : 0) << i;
  }
  EXPECT_EQ(device->m_BBTBuffer[128], 0xFF);
  EXPECT_EQ(device->m_BBTBuffer[511], 0xFF);
  EXPECT_EQ(crc, MapCrc());
  EXPECT_EQ(device->ReadBadBlockTable(nullptr, nullptr), 1);
}

TEST_F(BadBlockTableTest, ARecordWithoutItsSignatureFailsAndLeavesAZeroRecord) {
  Fault("Read BBT Parameter", sim::FaultAction::Garbage);
  Record parameter;
  parameter.fill(0xAA);
  EXPECT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 0);
  ExpectFailure("F_D01", "BBT Parameter without DBTP !!!");
  EXPECT_EQ(parameter, Record{});
  Fault("Read BBT", sim::FaultAction::Sense);
  EXPECT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_D01");
  EXPECT_EQ(device->m_ErrorMessage.rfind("Issue Read BBT Command Failed !!!", 0), 0u);
  EXPECT_EQ(parameter, Record{});
}

TEST_F(BadBlockTableTest, SizesTheDriveReportsAreCheckedInSixtyFourBitsBeforeTheTableIsRead) {
  const auto readWith = [this](std::function<void(BbtParameterRecord&)> change) {
    // Every Read BBT Parameter answer changed, as a drive whose firmware reports a geometry
    // its table cannot hold would send it.
    device::SetTransport(std::make_shared<testsupport::CommandRewriter>(
        std::make_shared<sim::SimTransport>(simStation), "Read BBT Parameter",
        testsupport::CommandRewriter::Data::Answered, [change](std::span<std::uint8_t> data) {
          if (data.size() < sizeof(BbtParameterRecord)) return;
          BbtParameterRecord record;
          std::memcpy(&record, data.data(), sizeof(record));
          change(record);
          std::memcpy(data.data(), &record, sizeof(record));
        }));
    Record parameter;
    parameter.fill(0xAA);
    const std::uint8_t result = device->ReadBadBlockTable(parameter.data(), nullptr);
    if (result == 0) {
      EXPECT_EQ(parameter, Record{});  // nothing of a refused record reaches the caller
    }
    return result;
  };
  // A block map far beyond 32 bits is refused, not wrapped to a size that seems to fit.
  EXPECT_EQ(readWith([](BbtParameterRecord& record) {
              record.ceSlots = 255;
              record.unitsPerCe = 255;
              record.mapFactor = 255;
              record.blocksPerUnit.Set(0xFFFFFFFF);
            }),
            0);
  ExpectFailure("F_D01", "BBT Info BBTSize error!!! (block map of 71216463331130625 bytes does not fit a table of "
                         "512 bytes)");
  // One byte more than the table's sectors hold.
  EXPECT_EQ(readWith([](BbtParameterRecord& record) { record.blocksPerUnit.Set(257); }), 0);
  ExpectFailure("F_D01", "BBT Info BBTSize error!!! (block map of 514 bytes does not fit a table of 512 bytes)");
  EXPECT_EQ(readWith([](BbtParameterRecord& record) { record.tableSectors.Set(0); }), 0);
  ExpectFailure("F_D01", "BBT Info BBTSize error!!! (block map of 128 bytes does not fit a table of 0 bytes)");
  EXPECT_EQ(readWith([](BbtParameterRecord& record) { record.ceSlots = 0; }), 0);
  ExpectFailure("F_D01", "BBT Info BBTSize error!!! (BBT parameter record describes an empty block map)");
  // A map that fills its table to the last byte is read.
  EXPECT_EQ(readWith([](BbtParameterRecord& record) { record.blocksPerUnit.Set(256); }), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->m_TableSizeBytes, 512u);
  EXPECT_EQ(device->m_BBTBuffer.size(), 512u);
}

TEST_F(BadBlockTableTest, WriteSendsTheTableAndGivesItsChecksum) {
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  std::vector<std::uint8_t> table = device->m_BBTBuffer;
  table[64 + 9] = kErase;
  std::uint16_t written = 0xFFFF;
  ASSERT_EQ(device->WriteBadBlockTable(table, nullptr, parameter.data(), &written, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(written, CCrc16::Ccitt(table.data(), 128));
  std::uint16_t readBack = 0;
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), &readBack), 1);
  EXPECT_EQ(device->m_BBTBuffer, table);
  EXPECT_EQ(readBack, written);
  // Without a record of its own the drive still has no RDT information.
  Record info{};
  EXPECT_EQ(device->ReadRDTInfo(info.data(), nullptr), 0);
}

TEST_F(BadBlockTableTest, ARebuiltTableGivesTheDrivesRdtRecordItsChecksum) {
  sim::DriveProfile profile = SmallDrive({{0, 5, kFactory}});
  profile.rdt.state = sim::RdtState::Done;
  Install(profile);
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  Record before{};
  std::uint16_t recorded = 0;
  ASSERT_EQ(device->ReadRDTInfo(before.data(), &recorded), 1);
  EXPECT_EQ(recorded, MapCrc());   // the RDT recorded the table it built
  std::vector<std::uint8_t> table = device->m_BBTBuffer;
  table[3] = kFactory;
  // Flag 0 writes the caller's record as it stands.
  std::uint16_t written = 0xFFFF;
  ASSERT_EQ(device->WriteBadBlockTable(table, before.data(), parameter.data(), &written, 0), 1);
  std::uint16_t afterPlain = 0;
  ASSERT_EQ(device->ReadRDTInfo(nullptr, &afterPlain), 1);
  EXPECT_EQ(afterPlain, recorded);
  EXPECT_NE(afterPlain, written);
  // Flag 1 (a table rebuilt by the station) takes the drive's record and gives it the new
  // checksum; a zero record of the caller does not replace it.
  written = 0xFFFF;
  const Record zero{};
  ASSERT_EQ(device->WriteBadBlockTable(table, zero.data(), parameter.data(), &written, 1), 1);
  Record after{};
  std::uint16_t afterRebuilt = 0;
  ASSERT_EQ(device->ReadRDTInfo(after.data(), &afterRebuilt), 1);
  EXPECT_EQ(afterRebuilt, written);
  EXPECT_EQ(std::memcmp(after.data(), before.data(), 0x15), 0);
  EXPECT_EQ(std::memcmp(after.data() + 0x17, before.data() + 0x17, 64 - 0x17), 0);
}

TEST_F(BadBlockTableTest, AFailedWriteLeavesTheTagTheSystemGives) {
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  Fault("Write BBT", sim::FaultAction::Sense);
  std::uint16_t written = 0xFFFF;
  EXPECT_EQ(device->WriteBadBlockTable(device->m_BBTBuffer, nullptr, parameter.data(), &written, 0), 0);
  ExpectFailure("F_T32", "Issue Write BBT Command Failed !!!");
  EXPECT_EQ(written, 0xFFFF);
  // A buffer shorter than the table is refused before any command.
  const unsigned calls = Slot().Faults().Calls();
  const std::vector<std::uint8_t> shortTable(100, 0);
  EXPECT_EQ(device->WriteBadBlockTable(shortTable, nullptr, parameter.data(), &written, 0), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_T32");
  EXPECT_EQ(device->m_ErrorMessage, "BBT Info BBTSize error!!! (table buffer 100 bytes, table 512 bytes)");
  EXPECT_EQ(Slot().Faults().Calls(), calls);
  EXPECT_EQ(device->WriteBadBlockTable(device->m_BBTBuffer, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_T32");
}

TEST_F(BadBlockTableTest, CountsByKindAndExclusionMasks) {
  ASSERT_EQ(device->ScanBadBlock(0, 0, nullptr, 0, 0, nullptr, 0), 1) << device->m_ErrorMessage;
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  EXPECT_EQ(device->CountBadBlocks(2, -1, parameter.data(), 0x80, 0x40), 2u);
  EXPECT_EQ(device->CountBadBlocks(2, 0, parameter.data(), 0x80, 0x40), 1u);
  EXPECT_EQ(device->CountBadBlocks(2, -1, parameter.data(), 0x06, 0), 2u);
  EXPECT_EQ(device->CountBadBlocks(2, 1, parameter.data(), 0x02, 0x70), 1u);
  EXPECT_EQ(device->CountBadBlocks(2, -1, parameter.data(), 0x86, 0x80), 2u);
  EXPECT_EQ(device->CountBadBlocks(1, -1, parameter.data(), 0xFF, 0), 2u);   // slot 0 only
  EXPECT_EQ(device->CountBadBlocks(64, 7, parameter.data(), 0xFF, 0), 0u);
  // A CE the record marks absent is not counted.
  parameter[4 + 1] = 0x3F;
  EXPECT_EQ(device->CountBadBlocks(2, 1, parameter.data(), 0xFF, 0), 0u);
  EXPECT_EQ(device->CountBadBlocks(2, -1, nullptr, 0xFF, 0), 0u);
}

TEST_F(BadBlockTableTest, TheFirstFourBlocksOfEveryCeMustBeGood) {
  EXPECT_EQ(device->CheckFirst4Blocks(0), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("   Check First 4 Blocks OK. \r\n"));
  Install(SmallDrive({{1, 2, kFactory}}));
  EXPECT_EQ(device->CheckFirst4Blocks(0), 0);
  ExpectFailure("F_x44", "CE1 Block2 is bad (0x80), first 4 blocks must be good!!");
  EXPECT_TRUE(HasFailRecord("F_x44"));
  Fault("Read BBT Parameter", sim::FaultAction::Sense);
  EXPECT_EQ(device->CheckFirst4Blocks(0), 0);
  EXPECT_TRUE(HasFailRecord("F_D01"));
}

TEST_F(BadBlockTableTest, TheWholeThirdPartyTableIsReadAndParsedIntoTheBlockMap) {
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  std::vector<std::uint8_t> table(512, 0xFF);
  std::fill_n(table.begin(), 128, 0);
  std::vector<std::uint8_t> whole;
  std::uint32_t length = 0;
  ASSERT_EQ(device->ReadWhole3rdBBT(table, parameter.data(), whole, &length), 1) << device->m_ErrorMessage;
  ASSERT_EQ(length, 16u * 512);
  ASSERT_EQ(whole.size(), length);
  EXPECT_EQ(whole[5], kFactory);
  EXPECT_EQ(whole[10], 0);   // a later failure is not in the factory table
  EXPECT_EQ(whole[512 + 60], kFactory);
  EXPECT_TRUE(ThirdPartySliceSealed(std::span(whole).first(512)));
  for (std::size_t i = 2 * 512; i < whole.size(); ++i) ASSERT_EQ(whole[i], 0xFF) << i;
  for (std::size_t i = 0; i < 128; ++i) EXPECT_EQ(table[i], i == 5 || i == 64 + 60 ? kFactory : 0) << i;
  EXPECT_EQ(table[128], 0xFF);
  // With a CE map in use only its CEs are read.
  device->m_CEMap = 0x2;
  ASSERT_EQ(device->ReadWhole3rdBBT(table, parameter.data(), whole, &length), 1);
  EXPECT_EQ(whole[5], 0xFF);
  EXPECT_EQ(whole[512 + 60], kFactory);
}

TEST_F(BadBlockTableTest, AThirdPartySliceThatFailsItsSumOrItsReadFailsTheWhole) {
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  std::vector<std::uint8_t> table(512, 0);
  std::vector<std::uint8_t> whole;
  Fault("Read 3rd BBT", sim::FaultAction::Garbage);
  EXPECT_EQ(device->ReadWhole3rdBBT(table, parameter.data(), whole, nullptr), 0);
  ExpectFailure("F_x50", "Read 3rd BBT Failed !!! (CE0 checksum)");
  Fault("Read 3rd BBT", sim::FaultAction::Sense, 1);
  EXPECT_EQ(device->ReadWhole3rdBBT(table, parameter.data(), whole, nullptr), 0);
  ExpectFailure("F_x50", "Read 3rd BBT Failed !!! (CE1)");
  // A parameter record whose chip-number rule divides by zero reads nothing.
  Record broken = parameter;
  broken[40] = 0;
  EXPECT_EQ(device->ReadWhole3rdBBT(table, broken.data(), whole, nullptr), 0);
  ExpectFailure("F_x50", "Read 3rd BBT Failed !!! (CE0 has no chip number)");
}

// A CE of four dies whose parameter record groups them two by two: the slice of each CE lies
// under the chip number of its last group, CE k + 4 slots, which only the drive's own count of
// dies per CE reaches (the record's unit count is that of one group).
TEST_F(BadBlockTableTest, ACeOfSeveralDieGroupsIsReadUnderTheChipNumberOfItsLastGroup) {
  sim::DriveProfile profile = SmallDrive({{0, 5, kFactory}, {1, 60, kFactory}});
  profile.geometry.diesPerCe = 4;
  profile.geometry.diesPerChip = 2;
  Install(profile);
  ASSERT_EQ(device->ReadSystemInfo(), 1);
  EXPECT_EQ(device->m_UnitsPerCE, 4u);
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1) << device->m_ErrorMessage;
  EXPECT_EQ(parameter[44], 2);
  EXPECT_EQ(device->m_UnitsPerCE, 4u);   // the table's record does not change the drive's count
  std::vector<std::uint8_t> table(512, 0xFF);
  std::fill_n(table.begin(), 128, 0);
  std::vector<std::uint8_t> whole;
  ASSERT_EQ(device->ReadWhole3rdBBT(table, parameter.data(), whole, nullptr), 1) << device->m_ErrorMessage;
  EXPECT_EQ(whole[5], kFactory);
  EXPECT_EQ(whole[512 + 60], kFactory);
  EXPECT_EQ(table[5], kFactory);
  EXPECT_EQ(table[64 + 60], kFactory);
}

TEST_F(BadBlockTableTest, SlicesLargerThanOneCommandAreRefused) {
  sim::DriveProfile profile = SmallDrive();
  profile.geometry.blocksPerCe = 500 * 256 + 1;
  Install(profile);
  Record parameter{};
  std::vector<std::uint8_t> whole;
  EXPECT_EQ(device->ReadWhole3rdBBT({}, parameter.data(), whole, nullptr), 0);
  ExpectFailure("F_x50", "Read 3rd BBT: 128001 blocks per CE give no slice of 1..256 sectors !!!");
  EXPECT_TRUE(whole.empty());
}

TEST_F(BadBlockTableTest, OneSliceIsWrittenPerCommandWithItsSum) {
  std::vector<std::uint8_t> slice(512, 0);
  slice[3] = kFactory;
  ASSERT_TRUE(SealThirdPartySlice(slice));
  ASSERT_EQ(device->Write3rdBBTForCE(slice, 1, 1), 1) << device->m_ErrorMessage;
  Record parameter{};
  ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
  std::vector<std::uint8_t> table(512, 0);
  std::vector<std::uint8_t> whole;
  ASSERT_EQ(device->ReadWhole3rdBBT(table, parameter.data(), whole, nullptr), 1);
  EXPECT_EQ(whole[512 + 3], kFactory);
  EXPECT_EQ(whole[512 + 60], 0);   // the slice replaced the CE's table
  slice[4] = 1;   // the sum no longer matches: the controller refuses the slice
  EXPECT_EQ(device->Write3rdBBTForCE(slice, 1, 0), 0);
  ExpectFailure("F_x50", "Write 3rd BBT Failed !!! (chip 0)");
  EXPECT_EQ(device->Write3rdBBTForCE(slice, 2, 0), 0);
  ExpectFailure("F_x50", "Write 3rd BBT: 2 sectors do not fit the slice of 512 bytes !!!");
}

}  // namespace
