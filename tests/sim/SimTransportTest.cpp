// The simulated station through the pass-through interface: listing, tester answers, the
// running-code state machine, the data phase checks and the drive's records.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SimRequests.h"
#include "device/ByteOrder.h"
#include "device/ReplyLayouts.h"
#include "sim/IdentifyRecord.h"
#include "sim/OperatorReplug.h"
#include "sim/ScsiReplies.h"
#include "sim/SystemInfoRecord.h"

namespace {

using device::CommandId;
using simtest::Ata;
using simtest::Send;
using simtest::Tester;
using simtest::Vendor;

class SimTransportTest : public ::testing::Test {
 protected:
  void SetUp() override { Build({24, 8}); }
  void Build(const std::vector<unsigned>& slots, const sim::DriveProfile& profile = {}) {
    station = simtest::MakeStation(slots, profile);
    transport = std::make_unique<sim::SimTransport>(station);
  }
  std::string Path(int driveNumber) { return transport->DevicePathOfDrive(driveNumber); }
  sim::SimDrive& DriveOf(int driveNumber) { return *station->SlotOfDrive(driveNumber)->Drive(); }
  std::string FirmwareName(int driveNumber) {
    auto request = Vendor(CommandId::ReadFirmwareName, 0, 1);
    EXPECT_TRUE(Send(*transport, Path(driveNumber), request).Succeeded());
    return std::string(reinterpret_cast<const char*>(request.buffer.data()));
  }
  bool SendOk(int driveNumber, simtest::Request& request) {
    return Send(*transport, Path(driveNumber), request).Succeeded();
  }

  std::shared_ptr<sim::SimStation> station;
  std::unique_ptr<sim::SimTransport> transport;
};

TEST_F(SimTransportTest, ListsEverySlotOfBothBoardsInDriveNumberOrder) {
  const auto disks = transport->ListDisks();
  ASSERT_EQ(disks.size(), 32u);
  EXPECT_EQ(disks[0].devicePath, "sim:/board1/slot01");
  EXPECT_EQ(disks[23].devicePath, "sim:/board1/slot24");
  EXPECT_EQ(disks[24].devicePath, "sim:/board2/slot01");
  EXPECT_EQ(disks[31].nodeText, "SIM\\TERVID_BOARD02\\PORT_08");
  for (int drive = 1; drive <= 32; ++drive) EXPECT_EQ(Path(drive), disks[drive - 1].devicePath);
  EXPECT_EQ(Path(0), "");
  EXPECT_EQ(Path(33), "");
}

TEST_F(SimTransportTest, EverySlotAnswersInquiryAsATesterWithItsNumber) {
  for (int drive = 1; drive <= 32; ++drive) {
    auto request = simtest::Inquiry();
    ASSERT_TRUE(SendOk(drive, request));
    device::InquiryData data;
    std::memcpy(&data, request.buffer.data(), sizeof(data));
    EXPECT_EQ(std::string(data.vendor, 8), "TERVID  ");
    EXPECT_EQ(std::string(data.product, 16), "SATA TESTER-S   ");
    EXPECT_EQ(data.testerNumber, drive);
  }
}

TEST_F(SimTransportTest, UnknownPathIsNoSuchDevice) {
  auto request = Ata(CommandId::IdentifyDevice);
  const auto result = Send(*transport, "sim:/board9/slot01", request);
  EXPECT_EQ(result.systemError, ENODEV);
}

TEST_F(SimTransportTest, IdentifyReportsTheRunningCodeAndSerial) {
  auto request = Ata(CommandId::IdentifyDevice);
  ASSERT_TRUE(SendOk(3, request));
  EXPECT_EQ(request.buffer[46], 'B');  // "SBR1.0.0" word-swapped
  EXPECT_EQ(request.buffer[47], 'S');
  std::uint8_t sum = 0;
  for (auto byte : request.buffer) sum = static_cast<std::uint8_t>(sum + byte);
  EXPECT_EQ(sum, 0);
}

TEST_F(SimTransportTest, VendorBlockAndBridgeFormGiveTheSameAnswer) {
  auto block = Vendor(CommandId::GetSystemInfo, 0, 1, false);
  auto bridge = Vendor(CommandId::GetSystemInfo, 0, 1, true);
  ASSERT_TRUE(SendOk(5, block));
  ASSERT_TRUE(SendOk(5, bridge));
  EXPECT_EQ(block.buffer, bridge.buffer);
  SystemInfoSector sector;
  std::memcpy(&sector, block.buffer.data(), sizeof(sector));
  EXPECT_EQ(sector.ceMap.Get(), 0xFu);
  EXPECT_EQ(sector.blocksPerCe.Get(), 1024u);
}

TEST_F(SimTransportTest, RunningCodeFollowsLoadsJumpsProgramsAndPowerCycles) {
  EXPECT_EQ(FirmwareName(1), "SBR1.0.0");
  // Program RAM: load two sectors, start with the wrong and then the right checksum.
  auto load = Vendor(CommandId::WritePram, 0, 2);
  for (std::size_t i = 0; i < load.buffer.size(); ++i) load.buffer[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(SendOk(1, load));
  const std::uint16_t checksum = sim::SimDrive::ProgramRamChecksum(load.buffer);
  auto wrongStart = Vendor(CommandId::StartPram, checksum ^ 1u);
  EXPECT_FALSE(SendOk(1, wrongStart));
  EXPECT_EQ(FirmwareName(1), "SBR1.0.0");
  auto start = Vendor(CommandId::StartPram, checksum);
  ASSERT_TRUE(SendOk(1, start));
  EXPECT_EQ(FirmwareName(1), "SBB1.0.3");
  // Burner code programs the flash with an image that names itself.
  auto program = Vendor(CommandId::WriteFlashCode, 0, 1);
  std::memcpy(program.buffer.data() + 0x20, "SBF20B02", 8);
  ASSERT_TRUE(SendOk(1, program));
  EXPECT_EQ(FirmwareName(1), "SBB1.0.3");
  // A power cycle through the tester runs the code from flash.
  auto off = Tester(CommandId::TesterSetPower, {0, 0, 0, 0});
  auto on = Tester(CommandId::TesterSetPower, {1, 0, 0, 0});
  ASSERT_TRUE(SendOk(1, off));
  ASSERT_TRUE(SendOk(1, on));
  EXPECT_EQ(FirmwareName(1), "SBF20B02");
  // Forced to boot code, the ISP erase leaves nothing to run from flash.
  auto force = Vendor(CommandId::ForceToBoot);
  ASSERT_TRUE(SendOk(1, force));
  EXPECT_EQ(FirmwareName(1), "SBR1.0.0");
  auto eraseIspInBoot = Vendor(CommandId::EraseIspCode);
  EXPECT_FALSE(SendOk(1, eraseIspInBoot));
  ASSERT_TRUE(SendOk(1, off));
  ASSERT_TRUE(SendOk(1, on));
  EXPECT_EQ(FirmwareName(1), "SBF20B02");
}

TEST_F(SimTransportTest, CommandsThatNeedAnotherCodeAreAborted) {
  auto erase = Vendor(CommandId::EraseByType, 9);
  const auto result = Send(*transport, Path(2), erase);
  EXPECT_EQ(result.scsiStatus, device::kScsiCheckCondition);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseAbortedCommand);
  EXPECT_EQ(result.sense[0], 0x72);
  EXPECT_EQ(result.sense[8], 0x09);        // ATA status return descriptor
  EXPECT_EQ(result.sense[8 + 3], 0x04);    // ABRT
  EXPECT_EQ(result.sense[8 + 13], 0x51);   // status with ERR
  auto read = Ata(CommandId::ReadDmaExt, 0, 8);
  EXPECT_FALSE(SendOk(2, read));            // user data needs the MP firmware
}

TEST_F(SimTransportTest, DataPhaseMustMatchTheCommandTable) {
  auto request = Vendor(CommandId::GetSystemInfo, 0, 1);
  request.buffer.resize(100);  // shorter than the 512 bytes the block asks for
  auto result = Send(*transport, Path(1), request);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseIllegalRequest);
  EXPECT_EQ(result.transferred, 0u);

  auto wrongDirection = Vendor(CommandId::GetSystemInfo, 0, 1);
  wrongDirection.request.direction = device::DataDirection::Out;
  result = Send(*transport, Path(1), wrongDirection);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseIllegalRequest);

  auto noBuffer = Vendor(CommandId::GetSystemInfo, 0, 1);
  noBuffer.Get().data = nullptr;
  result = transport->Execute(Path(1), noBuffer.request);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseIllegalRequest);

  simtest::Request unknown;
  unknown.request.cdb = {0x28};  // READ (10): not a command of the station
  result = Send(*transport, Path(1), unknown);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseIllegalRequest);
  EXPECT_EQ(result.sense[12], sim::kAscInvalidOpcode);
}

TEST_F(SimTransportTest, EmptySlotAnswersTesterCommandsButNoDriveCommands) {
  station->SlotOfDrive(7)->Pull();
  auto detect = Tester(CommandId::TesterCardDetect);
  ASSERT_TRUE(SendOk(7, detect));
  EXPECT_EQ(detect.buffer[0], device::kCardEmpty);
  auto identify = Ata(CommandId::IdentifyDevice);
  const auto result = Send(*transport, Path(7), identify);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseNotReady);
  EXPECT_EQ(result.sense[12], sim::kAscMediumNotPresent);
  auto inquiry = simtest::Inquiry();
  EXPECT_TRUE(SendOk(7, inquiry));
}

TEST_F(SimTransportTest, PowerOffShowsNoPowerAndCurrentFollowsPower) {
  auto current = Tester(CommandId::TesterReadCurrent, {device::kCurrentPresent, 0, 0, 0});
  ASSERT_TRUE(SendOk(4, current));
  EXPECT_EQ(device::LoadLittleEndian(current.buffer.data(), 4), sim::kIdleCurrentMa * 100);
  auto off = Tester(CommandId::TesterSetPower, {0, 0, 0, 0});
  ASSERT_TRUE(SendOk(4, off));
  auto detect = Tester(CommandId::TesterCardDetect);
  ASSERT_TRUE(SendOk(4, detect));
  EXPECT_EQ(detect.buffer[0], device::kCardNoPower);
  ASSERT_TRUE(SendOk(4, current));
  EXPECT_EQ(device::LoadLittleEndian(current.buffer.data(), 4), 0u);
  auto identify = Ata(CommandId::IdentifyDevice);
  const auto result = Send(*transport, Path(4), identify);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseNotReady);
  EXPECT_EQ(result.sense[12], sim::kAscNotReady);
}

TEST_F(SimTransportTest, ADriveRePluggedIntoASlotSwitchedOffIsPoweredAndBootsAsFromPowerOn) {
  // The drive runs RAM code it was given; then its test ends by switching the slot off.
  auto load = Vendor(CommandId::WritePram, 0, 2);
  ASSERT_TRUE(SendOk(4, load));
  auto start = Vendor(CommandId::StartPram, sim::SimDrive::ProgramRamChecksum(load.buffer));
  ASSERT_TRUE(SendOk(4, start));
  ASSERT_EQ(FirmwareName(4), "SBB1.0.3");
  auto off = Tester(CommandId::TesterSetPower, {0, 0, 0, 0});
  ASSERT_TRUE(SendOk(4, off));
  auto identify = Ata(CommandId::IdentifyDevice);
  ASSERT_FALSE(SendOk(4, identify));

  // The operator's choices name every slot with a drive; slot 7 is empty.
  station->SlotOfDrive(7)->Pull();
  const std::vector<sim::ReplugChoice> choices = sim::ReplugChoices(station);
  ASSERT_EQ(choices.size(), 31u);
  EXPECT_EQ(choices[3].label, "Tester 4 (board 1, slot 4)");
  EXPECT_EQ(choices[6].label, "Tester 8 (board 1, slot 8)");
  EXPECT_EQ(choices[30].label, "Tester 32 (board 2, slot 8)");
  ASSERT_TRUE(choices[3].replug());

  auto detect = Tester(CommandId::TesterCardDetect);
  ASSERT_TRUE(SendOk(4, detect));
  EXPECT_EQ(detect.buffer[0], device::kCardPresent);
  EXPECT_TRUE(station->SlotOfDrive(4)->SlotPowered());
  EXPECT_TRUE(SendOk(4, identify));
  EXPECT_EQ(FirmwareName(4), "SBR1.0.0");  // the RAM code is gone: boot code
  // A slot emptied since the choices were made re-plugs nothing.
  station->SlotOfDrive(8)->Pull();
  EXPECT_FALSE(choices[6].replug());
}

TEST_F(SimTransportTest, ADrivePulledHasNoPowerAndOneInsertedIsPowered) {
  auto off = Tester(CommandId::TesterSetPower, {0, 0, 0, 0});
  ASSERT_TRUE(SendOk(5, off));
  const std::shared_ptr<sim::SimDrive> drive = station->SlotOfDrive(5)->Drive();
  station->SlotOfDrive(5)->Pull();
  EXPECT_FALSE(drive->Powered());
  // Plugged into another slot that its test switched off.
  ASSERT_TRUE(SendOk(6, off));
  station->SlotOfDrive(6)->Pull();
  station->SlotOfDrive(6)->Insert(drive);
  EXPECT_TRUE(drive->Powered());
  auto detect = Tester(CommandId::TesterCardDetect);
  ASSERT_TRUE(SendOk(6, detect));
  EXPECT_EQ(detect.buffer[0], device::kCardPresent);
}

TEST_F(SimTransportTest, UsbPageCarriesTypeVersionAndTesterNumber) {
  auto page = Tester(CommandId::TesterReadUsbPage);
  ASSERT_EQ(page.buffer.size(), 528u);
  ASSERT_TRUE(SendOk(26, page));
  EXPECT_EQ(page.buffer[0], 3);
  EXPECT_EQ(page.buffer[1], 3);
  EXPECT_EQ(page.buffer[2], 0x05);
  EXPECT_EQ(page.buffer[3], 26);
  auto devSleep = Tester(CommandId::TesterSetDevSleep, {1, 0, 0, 0});
  ASSERT_TRUE(SendOk(26, devSleep));
  EXPECT_TRUE(station->SlotOfDrive(26)->DevSleep());
}

TEST_F(SimTransportTest, SmartReturnStatusReportsAnExceededThreshold) {
  sim::DriveProfile failing;
  failing.smartThresholdExceeded = true;
  Build({2}, failing);
  auto status = Ata(CommandId::SmartReturnStatus);
  const auto result = Send(*transport, Path(1), status);
  ASSERT_EQ(result.scsiStatus, device::kScsiCheckCondition);
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseRecoveredError);
  EXPECT_EQ(result.sense[3], sim::kAscqAtaInformationAvailable);
  EXPECT_EQ(result.sense[8 + 9], device::kSmartThresholdExceededMid);
  EXPECT_EQ(result.sense[8 + 11], device::kSmartThresholdExceededHigh);
  Build({2});
  const auto healthy = Send(*transport, Path(1), status);
  EXPECT_EQ(healthy.sense[8 + 9], 0x4F);
  EXPECT_EQ(healthy.sense[8 + 11], 0xC2);
}

TEST_F(SimTransportTest, ScansTeachTheBadBlockTable) {
  sim::DriveProfile profile;
  profile.geometry.ceMap = 0x3;
  profile.geometry.blocksPerCe = 512;
  profile.badBlocks.named = {{0, 10, kBlockFactoryBad}, {1, 20, kBlockProgramFail}};
  profile.startOnBurner = true;
  Build({1}, profile);
  auto parameters = Vendor(CommandId::ReadBbtParameter, 0, 1);
  ASSERT_TRUE(SendOk(1, parameters));
  const std::uint32_t sectors = parameters.buffer[46] | (parameters.buffer[47] << 8);
  ASSERT_EQ(sectors, 2u);  // 2 CEs x 512 blocks
  auto table = Vendor(CommandId::ReadBadBlockTable, 0, sectors);
  ASSERT_TRUE(SendOk(1, table));
  EXPECT_EQ(table.buffer[10], kBlockFactoryBad);  // factory marks are known from the start
  EXPECT_EQ(table.buffer[512 + 20], 0);
  auto earlyScan = Vendor(CommandId::ScanFlash, 0x100);
  ASSERT_TRUE(SendOk(1, earlyScan));
  ASSERT_TRUE(SendOk(1, table));
  EXPECT_EQ(table.buffer[512 + 20], 0);                // the early-bad scan finds no later bad
  auto fullScan = Vendor(CommandId::ScanFlash, 0);
  ASSERT_TRUE(SendOk(1, fullScan));
  ASSERT_TRUE(SendOk(1, table));
  EXPECT_EQ(table.buffer[512 + 20], kBlockProgramFail);
}

TEST_F(SimTransportTest, PolledEraseIsBusyForAFewStatusPolls) {
  sim::DriveProfile onBurner;
  onBurner.startOnBurner = true;
  Build({1}, onBurner);
  auto erase = Vendor(CommandId::EraseByType, 9 | device::kArgumentPollingFlag);
  ASSERT_TRUE(SendOk(1, erase));
  auto status = Vendor(CommandId::ReadDeviceStatus, 0, 1);
  unsigned busy = 0;
  for (;;) {
    ASSERT_TRUE(SendOk(1, status));
    if (status.buffer[0] == 1) break;
    ASSERT_LT(++busy, 10u);
  }
  EXPECT_EQ(busy, sim::SimDrive::kBusyPolls);
  EXPECT_EQ(status.buffer[1], 100);
}

TEST_F(SimTransportTest, UserDataIsSparseAndBoundsChecked) {
  sim::DriveProfile mp;
  mp.flashFirmware = sim::FlashFirmware::Mp;
  Build({1}, mp);
  auto write = Ata(CommandId::WriteDmaExt, 1000, 2);
  std::fill(write.buffer.begin(), write.buffer.end(), 0x5A);
  ASSERT_TRUE(SendOk(1, write));
  auto read = Ata(CommandId::ReadDmaExt, 999, 4);
  ASSERT_TRUE(SendOk(1, read));
  EXPECT_EQ(read.buffer[0], 0);
  EXPECT_EQ(read.buffer[512], 0x5A);
  EXPECT_EQ(read.buffer[1535], 0x5A);
  EXPECT_EQ(read.buffer[1536], 0);
  EXPECT_EQ(DriveOf(1).Media().WrittenSectors(), 2u);
  auto pastEnd = Ata(CommandId::ReadDmaExt, DriveOf(1).UserSectors() - 1, 2);
  EXPECT_FALSE(SendOk(1, pastEnd));
  auto capacity = simtest::Request{};
  capacity.request.cdb = device::cdb::ToBytes(device::cdb::BuildReadCapacity16Cdb(32));
  capacity.request.direction = device::DataDirection::In;
  capacity.buffer.assign(32, 0);
  ASSERT_TRUE(SendOk(1, capacity));
  EXPECT_EQ(device::LoadBigEndian(capacity.buffer.data(), 8), DriveOf(1).UserSectors() - 1);
}

TEST_F(SimTransportTest, DramReadsBackWhatWasWrittenUnlessItIsFaulty) {
  auto write = Vendor(CommandId::WriteDram, 16, 1);
  std::fill(write.buffer.begin(), write.buffer.end(), 0xA5);
  ASSERT_TRUE(SendOk(1, write));
  auto read = Vendor(CommandId::ReadDram, 16, 1);
  ASSERT_TRUE(SendOk(1, read));
  EXPECT_EQ(read.buffer, write.buffer);
  sim::DriveProfile faulty;
  faulty.dramFail = true;
  Build({1}, faulty);
  ASSERT_TRUE(SendOk(1, write));
  ASSERT_TRUE(SendOk(1, read));
  EXPECT_NE(read.buffer, write.buffer);
}

TEST_F(SimTransportTest, ApKeyAndEFusesAnswerAsTheProfileSays) {
  auto key = Vendor(CommandId::SetApKey, device::kApKeyValue, 1);
  ASSERT_TRUE(SendOk(1, key));
  EXPECT_EQ(key.buffer[0], device::kApKeyEnabled);
  auto wrongKey = Vendor(CommandId::SetApKey, 0x1234, 1);
  ASSERT_TRUE(SendOk(1, wrongKey));
  EXPECT_EQ(wrongKey.buffer[0], 0);
  auto cut = Vendor(CommandId::CutEFuse, device::kEFuseUart | device::kEFuseJtag);
  ASSERT_TRUE(SendOk(1, cut));
  auto fuses = Vendor(CommandId::ReadEFuse, 0, 1);
  ASSERT_TRUE(SendOk(1, fuses));
  EXPECT_EQ(fuses.buffer[0], device::kEFuseReplySignature);
  EXPECT_EQ(fuses.buffer[1], 0x03);
  EXPECT_EQ(fuses.buffer[2], static_cast<std::uint8_t>(0xEF + 0x03));

  sim::DriveProfile bad;
  bad.eFuseBad = true;
  bad.apKeyRefused = true;
  Build({1}, bad);
  ASSERT_TRUE(SendOk(1, key));
  EXPECT_EQ(key.buffer[0], 0);
  EXPECT_FALSE(SendOk(1, cut));
  ASSERT_TRUE(SendOk(1, fuses));
  EXPECT_NE(fuses.buffer[2], static_cast<std::uint8_t>(fuses.buffer[0] + fuses.buffer[1]));
}

TEST_F(SimTransportTest, InfoBlockWrittenByTheStationIsReadBackAndNamesTheDrive) {
  sim::DriveProfile mp;
  mp.flashFirmware = sim::FlashFirmware::Mp;
  Build({1}, mp);
  auto block = Vendor(CommandId::WriteInfoBlock, 0, 1);
  std::memcpy(block.buffer.data(), "Tervid", 6);
  block.buffer[0x12] = 'B';
  block.buffer[0x13] = 'A';
  block.buffer[0x1FF] = 0x05;
  ASSERT_TRUE(SendOk(1, block));
  auto readBack = Vendor(CommandId::ReadInfoBlock, 0, 1);
  ASSERT_TRUE(SendOk(1, readBack));
  EXPECT_EQ(readBack.buffer, block.buffer);
  auto identify = Ata(CommandId::IdentifyDevice);
  ASSERT_TRUE(SendOk(1, identify));
  EXPECT_EQ(identify.buffer[20], 'B');  // serial "AB" as the info block holds it
  EXPECT_EQ(identify.buffer[21], 'A');
  auto otherPage = Vendor(CommandId::ReadInfoBlock, 1, 1);
  EXPECT_FALSE(SendOk(1, otherPage));
}

}  // namespace
