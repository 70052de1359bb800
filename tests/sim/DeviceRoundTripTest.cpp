// The device layer over the simulated station: every CDeviceCommand command reaches the
// simulator as one request and comes back; device listing, g_DevicePathTable and tester
// detection over a station of 2 boards with 24 and 8 slots; and the bad answers a drive can
// give (vanished, pulled, short, sense, time-out) arrive as failed commands.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <numeric>

#include "SimRequests.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"
#include "device/DiskGeometry.h"
#include "device/ReplyLayouts.h"
#include "device/ScsiPassThrough.h"
#include "sim/BadBlockTableRecords.h"
#include "sim/SimDrive.h"

namespace {

using Buffer = std::vector<std::uint8_t>;

class DeviceRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_U2AMode = 0;
    Install(simtest::MakeStation({24, 8}));
  }
  void TearDown() override {
    device::SetTransport(nullptr);
    g_U2AMode = 1;
  }
  void Install(std::shared_ptr<sim::SimStation> newStation) {
    station = std::move(newStation);
    transport = std::make_shared<sim::SimTransport>(station);
    device::SetTransport(transport);
  }
  void InstallDrive(const sim::DriveProfile& profile) {
    auto single = std::make_shared<sim::SimStation>();
    single->AddBoard(sim::BoardProfile{}).Slot(1).Insert(std::make_shared<sim::SimDrive>(profile, "ROUNDTRIP01"));
    Install(single);
  }
  // Runs a command and checks that it succeeded with exactly one request.
  template <typename Call>
  void ExpectOneRequest(const char* what, CDeviceCommand& command, Call call) {
    const unsigned before = station->Faults().Calls();
    EXPECT_EQ(call(), 1) << what << ": " << command.LastErrorMessage();
    EXPECT_EQ(station->Faults().Calls() - before, 1u) << what;
  }
  sim::SimDrive& Drive(int driveNumber) { return *station->SlotOfDrive(driveNumber)->Drive(); }

  std::shared_ptr<sim::SimStation> station;
  std::shared_ptr<sim::SimTransport> transport;
};

TEST_F(DeviceRoundTripTest, IdentificationAndRunningCodeCommands) {
  CDeviceCommand command(1);
  Buffer sector(512);
  ExpectOneRequest("Identify", command, [&] { return command.Identify(sector); });
  ExpectOneRequest("SetApKey", command, [&] { return command.SetApKey(sector); });
  EXPECT_EQ(sector[0], device::kApKeyEnabled);
  ExpectOneRequest("ReadFirmwareName", command, [&] { return command.ReadFirmwareName(sector); });
  EXPECT_EQ(std::string(reinterpret_cast<char*>(sector.data())), "SBR1.0.0");
  Buffer twoSectors(1024);
  ExpectOneRequest("GetSystemInfo", command, [&] { return command.GetSystemInfo(twoSectors, 2); });
  EXPECT_EQ(twoSectors[0x148], 0x0F);
  ExpectOneRequest("ReadFlashId", command, [&] { return command.ReadFlashId(sector, 0, 0); });
  EXPECT_EQ(sector[0], 0x98);
  ExpectOneRequest("ScanAllFlashId", command, [&] { return command.ScanAllFlashId(sector); });
  EXPECT_EQ(sector[24], 0x98);
  ExpectOneRequest("ReadUniqueId", command, [&] { return command.ReadUniqueId(sector, 2); });
  EXPECT_EQ(sector[0], 2);
  ExpectOneRequest("ReadRegister", command, [&] { return command.ReadRegister(sector, 0); });
  EXPECT_EQ(sector[0], 0x31);
  EXPECT_EQ(sector[1], 0x60);
  ExpectOneRequest("ReadDeviceStatus", command, [&] { return command.ReadDeviceStatus(sector); });
  EXPECT_EQ(sector[0], 1);

  Buffer code(1024);
  std::iota(code.begin(), code.end(), 0);
  ExpectOneRequest("WritePram", command, [&] { return command.WritePram(code, 0, 2); });
  Buffer readBack(1024);
  ExpectOneRequest("ReadPram", command, [&] { return command.ReadPram(readBack, 0, 2); });
  EXPECT_EQ(readBack, code);
  const std::uint16_t checksum = sim::SimDrive::ProgramRamChecksum(code);
  ExpectOneRequest("StartPram", command, [&] { return command.StartPram(checksum); });
  EXPECT_EQ(Drive(1).Code(), sim::RunningCode::Burner);
  ExpectOneRequest("WriteFlashCode", command, [&] { return command.WriteFlashCode(code, 0, 2); });
  ExpectOneRequest("ReadFlashCode", command, [&] { return command.ReadFlashCode(readBack, 0, 2); });
  EXPECT_EQ(readBack, code);
  ExpectOneRequest("EraseIspCode", command, [&] { return command.EraseIspCode(); });
  EXPECT_EQ(Drive(1).FlashHolds(), sim::FlashFirmware::None);
  ExpectOneRequest("ReadInfoCode", command, [&] { return command.ReadInfoCode(sector); });
  sector[7] = 0x77;
  ExpectOneRequest("WriteInfoCode", command, [&] { return command.WriteInfoCode(sector); });
  ExpectOneRequest("JumpToBoot", command, [&] { return command.JumpToBoot(); });
  EXPECT_EQ(Drive(1).Code(), sim::RunningCode::Boot);
  ExpectOneRequest("ForceToBoot", command, [&] { return command.ForceToBoot(); });
}

TEST_F(DeviceRoundTripTest, FlashWorkTablesAndRecords) {
  sim::DriveProfile profile;
  profile.startOnBurner = true;
  InstallDrive(profile);
  CDeviceCommand command(1);
  Buffer sector(512);
  ExpectOneRequest("ScanFlash", command, [&] { return command.ScanFlash(0, true, false); });
  ExpectOneRequest("EraseByType", command, [&] { return command.EraseByType(9, false); });
  ExpectOneRequest("WindowScan", command, [&] { return command.WindowScan(sector); });
  ExpectOneRequest("SetCeMap", command, [&] { return command.SetCeMap(0x0005); });
  EXPECT_EQ(Drive(1).CeMapInUse(), 0x0005);
  ExpectOneRequest("Preformat", command, [&] { return command.Preformat(sector, 1, 0x000F, 1, false); });
  ExpectOneRequest("ResetSmart", command, [&] { return command.ResetSmart(); });

  Buffer block(512, 0);
  std::memcpy(block.data(), "Tervid", 6);
  ExpectOneRequest("DirectWriteInfoBlock", command, [&] { return command.DirectWriteInfoBlock(block, 0); });
  ExpectOneRequest("DirectReadInfoBlock", command, [&] { return command.DirectReadInfoBlock(sector, 0); });
  EXPECT_EQ(sector, block);

  ExpectOneRequest("ReadBbtParameter", command, [&] { return command.ReadBbtParameter(sector); });
  EXPECT_EQ(std::string(reinterpret_cast<char*>(sector.data()), 4), "DBTP");
  const std::uint32_t tableSectors = sector[46] | (sector[47] << 8);
  Buffer table(tableSectors * 512);
  ExpectOneRequest("ReadBadBlockTable", command, [&] { return command.ReadBadBlockTable(table, 0, tableSectors); });
  table[100] = kBlockRdtBad | kBlockEraseFail;
  ExpectOneRequest("WriteBadBlockTable", command, [&] { return command.WriteBadBlockTable(table, 0, tableSectors); });
  Buffer tableBack(table.size());
  ExpectOneRequest("ReadBadBlockTable", command, [&] { return command.ReadBadBlockTable(tableBack, 0, tableSectors); });
  EXPECT_EQ(tableBack, table);

  const std::uint32_t sliceSectors = static_cast<std::uint32_t>(ThirdPartySliceSectors(1024));
  Buffer slice(sliceSectors * 512);
  ExpectOneRequest("Read3rdBbt", command, [&] { return command.Read3rdBbt(slice, sliceSectors, 1); });
  EXPECT_EQ(slice[510] | (slice[511] << 8), ThirdPartySectorSum(std::span(slice).first(512)));
  ExpectOneRequest("Write3rdBbt", command, [&] { return command.Write3rdBbt(slice, sliceSectors, 1); });
  slice[3] ^= 0xFF;  // the first sector's sum no longer matches: the drive refuses it
  EXPECT_EQ(command.Write3rdBbt(slice, sliceSectors, 1), 0);

  Buffer record(512, 0);
  std::memcpy(record.data(), "TVRT", 4);
  record[0x13] = 0x03;
  ExpectOneRequest("WriteRdtInfo", command, [&] { return command.WriteRdtInfo(record); });
  ExpectOneRequest("ReadRdtInfo", command, [&] { return command.ReadRdtInfo(sector); });
  EXPECT_EQ(std::vector<std::uint8_t>(sector.begin(), sector.begin() + 64),
            std::vector<std::uint8_t>(record.begin(), record.begin() + 64));
  Buffer debug(1024);
  ExpectOneRequest("ReadDebugData", command, [&] { return command.ReadDebugData(debug, 1, 0, 2); });
  EXPECT_EQ(std::string(reinterpret_cast<char*>(debug.data()), 6), "Tervid");

  ExpectOneRequest("CutEFuse", command, [&] { return command.CutEFuse(true, false, false); });
  ExpectOneRequest("ReadEFuse", command, [&] { return command.ReadEFuse(sector); });
  EXPECT_EQ(sector[1], 0x01);
  Buffer dram(2048, 0x3C);
  ExpectOneRequest("WriteDram", command, [&] { return command.WriteDram(dram, 8, 4); });
  Buffer dramBack(2048);
  ExpectOneRequest("ReadDram", command, [&] { return command.ReadDram(dramBack, 8, 4); });
  EXPECT_EQ(dramBack, dram);
}

TEST_F(DeviceRoundTripTest, RdtLogsInPiecesOfAtMost128Sectors) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Rdt;
  profile.rdt.state = sim::RdtState::Done;
  profile.badBlocks.earlyBadPerCe = 600;  // enough entries for a log of more than 128 sectors
  profile.rdt.specialEntries.resize(3);
  InstallDrive(profile);
  CDeviceCommand command(1);
  Buffer info(512);
  ASSERT_EQ(command.GetSystemInfo(info, 1), 1);
  const std::uint32_t badBlockSectors = (info[0x13C] | (info[0x13D] << 8)) * 32;
  ASSERT_GT(badBlockSectors, 128u);
  Buffer piece(128 * 512);
  ExpectOneRequest("Get_RDT_BadBlock_Log", command, [&] { return command.Get_RDT_BadBlock_Log(piece, 0, 0, 128); });
  EXPECT_EQ(piece[0], kBadBlockFactory);
  Buffer rest((badBlockSectors - 128) * 512);
  ExpectOneRequest("Get_RDT_BadBlock_Log (rest)", command, [&] {
    return command.Get_RDT_BadBlock_Log(rest, 0, 128, static_cast<std::uint16_t>(badBlockSectors - 128));
  });
  Buffer sector(512);
  ExpectOneRequest("Get_RDT_Temperature_Time_Log", command,
                   [&] { return command.Get_RDT_Temperature_Time_Log(sector, 0, 0, 1); });
  ExpectOneRequest("Get_RDT_SDR_Log", command, [&] { return command.Get_RDT_SDR_Log(sector, 1, 0); });
  ExpectOneRequest("Get_RDT_BadBlock_SpecialLog", command,
                   [&] { return command.Get_RDT_BadBlock_SpecialLog(sector, 1, 0); });
  EXPECT_EQ(command.Get_RDT_SDR_Log(sector, 1, 500), 0);  // past the end of the log
  EXPECT_EQ(command.LastError(), device::CommandError::AtaError);
}

TEST_F(DeviceRoundTripTest, AtaUserDataSecurityAndFirmwareDownload) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  InstallDrive(profile);
  CDeviceCommand command(1);
  Buffer data(4096, 0xA5);
  ExpectOneRequest("WriteDma", command, [&] { return command.WriteDma(data, 2048, 8); });
  Buffer back(4096);
  ExpectOneRequest("ReadDma", command, [&] { return command.ReadDma(back, 2048, 8); });
  EXPECT_EQ(back, data);
  ExpectOneRequest("WritePio", command, [&] { return command.WritePio(data, 10, 8); });
  ExpectOneRequest("ReadPio", command, [&] { return command.ReadPio(back, 10, 8); });
  EXPECT_EQ(back, data);
  Buffer sector(512);
  ExpectOneRequest("SmartReadData", command, [&] { return command.SmartReadData(sector); });
  bool exceeded = true;
  ExpectOneRequest("SmartReturnStatus", command, [&] { return command.SmartReturnStatus(exceeded); });
  EXPECT_FALSE(exceeded);
  ExpectOneRequest("SecuritySetPassword", command, [&] { return command.SecuritySetPassword(sector); });
  ExpectOneRequest("SecurityErasePrepare", command, [&] { return command.SecurityErasePrepare(); });
  ExpectOneRequest("SecurityEraseUnit", command, [&] { return command.SecurityEraseUnit(sector); });
  EXPECT_EQ(Drive(1).Media().WrittenSectors(), 0u);
  Buffer image(1024, 0);
  std::memcpy(image.data() + 0x20, "SBF30C03", 8);
  ExpectOneRequest("DownloadMicrocode", command, [&] { return command.DownloadMicrocode(image, 0x07, 0, 2); });
  ExpectOneRequest("StandbyImmediate", command, [&] { return command.StandbyImmediate(); });
  EXPECT_TRUE(Drive(1).InStandby());
  std::uint64_t lastLba = 0;
  std::uint32_t blockLength = 0;
  ExpectOneRequest("ReadCapacity16", command, [&] { return command.ReadCapacity16(lastLba, blockLength); });
  EXPECT_EQ(lastLba + 1, Drive(1).UserSectors());
  EXPECT_EQ(blockLength, 512u);
  DiskGeometryEx geometry{};
  ASSERT_NE(GetDiskGeometryEx("\\\\.\\PhysicalDrive1", &geometry), 0);
  EXPECT_EQ(static_cast<std::uint64_t>(geometry.diskSize), Drive(1).UserSectors() * 512);
}

TEST_F(DeviceRoundTripTest, TesterCommands) {
  CDeviceCommand command(30);
  std::uint8_t state = 0;
  ExpectOneRequest("TesterCardDetect", command, [&] { return command.TesterCardDetect(state); });
  EXPECT_EQ(state, device::kCardPresent);
  double milliamps = 0;
  ExpectOneRequest("TesterReadCurrent", command, [&] { return command.TesterReadCurrent(device::kCurrentMaximum, milliamps); });
  EXPECT_DOUBLE_EQ(milliamps, sim::kPeakCurrentMa);
  Buffer page(528);
  ExpectOneRequest("TesterReadUsbPage", command, [&] { return command.TesterReadUsbPage(page); });
  EXPECT_EQ(page[3], 30);
  ExpectOneRequest("TesterSetDevSleep", command, [&] { return command.TesterSetDevSleep(true); });
  EXPECT_TRUE(station->SlotOfDrive(30)->DevSleep());
  ExpectOneRequest("TesterSetPower off", command, [&] { return command.TesterSetPower(0, 0, 0, 0); });
  ASSERT_EQ(command.TesterCardDetect(state), 1);
  EXPECT_EQ(state, device::kCardNoPower);
  ExpectOneRequest("TesterSetPower on", command, [&] { return command.TesterSetPower(1, 0, 0, 0); });
  Buffer inquiry(96);
  ExpectOneRequest("Inquiry", command, [&] { return command.Inquiry(inquiry); });
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.data()) + 8, 6), "TERVID");
}

TEST_F(DeviceRoundTripTest, ListingAndTesterDetectionOverTwoBoards) {
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  ASSERT_EQ(g_RootDevice.deviceCount, 32u);
  const auto disks = transport->ListDisks();
  for (int drive = 1; drive <= 32; ++drive) {
    EXPECT_EQ(std::string(g_DevicePathTable[drive - 1].devicePath), disks[drive - 1].devicePath);
    EXPECT_EQ(DevicePathOfListedDrive(drive), transport->DevicePathOfDrive(drive));
    EXPECT_EQ(std::string(g_RootDevice.devices[drive - 1].nodeText), disks[drive - 1].nodeText);
  }
  CScsiPassThrough passThrough;
  ASSERT_EQ(passThrough.DetectTesterBoards(0, ""), 1) << passThrough.LastErrorMessage();
  EXPECT_EQ(passThrough.TesterCount(), 32);
  for (int tester = 1; tester <= 32; ++tester) EXPECT_EQ(passThrough.m_TesterDrive[tester], static_cast<unsigned>(tester));
  for (int tester = 33; tester <= 48; ++tester) EXPECT_EQ(passThrough.m_TesterDrive[tester], 0u);
}

TEST_F(DeviceRoundTripTest, BridgeModeReachesTheDriveThroughTheListedPath) {
  g_U2AMode = 1;
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  CDeviceCommand command(7);
  Buffer sector(512);
  ExpectOneRequest("ReadFirmwareName (bridge)", command, [&] { return command.ReadFirmwareName(sector); });
  EXPECT_EQ(std::string(reinterpret_cast<char*>(sector.data())), "SBR1.0.0");
  ExpectOneRequest("GetSystemInfo (bridge)", command, [&] { return command.GetSystemInfo(sector, 1); });
  EXPECT_EQ(sector[0x148], 0x0F);
}

TEST_F(DeviceRoundTripTest, BadAnswersComeBackAsFailedCommands) {
  CDeviceCommand command(3);
  Buffer sector(512);
  // A drive pulled in the middle of a command: a transport error, then an empty slot.
  sim::FaultRule pull;
  pull.command = "GetSystemInfo";
  pull.action = sim::FaultAction::Pull;
  station->SlotOfDrive(3)->Faults().Add(pull);
  EXPECT_EQ(command.GetSystemInfo(sector, 1), 0);
  EXPECT_EQ(command.LastSystemError(), ENODEV);
  EXPECT_EQ(command.Identify(sector), 0);
  EXPECT_EQ(command.LastError(), device::CommandError::CheckCondition);
  // A drive number beyond the listing: no device.
  CDeviceCommand nowhere(40);
  EXPECT_EQ(nowhere.Identify(sector), 0);
  EXPECT_EQ(nowhere.LastError(), device::CommandError::NoDevice);
  // Short transfer.
  CDeviceCommand shortOne(4);
  sim::FaultRule shortRule;
  shortRule.command = "Identify";
  shortRule.action = sim::FaultAction::Short;
  shortRule.shortBytes = 200;
  shortRule.times = 0;
  station->SlotOfDrive(4)->Faults().Add(shortRule);
  EXPECT_EQ(shortOne.Identify(sector), 0);
  EXPECT_EQ(shortOne.LastError(), device::CommandError::ShortTransfer);
  EXPECT_EQ(shortOne.LastTransferred(), 200u);
  // Sense data with an error.
  CDeviceCommand sensed(5);
  sim::FaultRule sense;
  sense.command = "Set CE Map";
  sense.action = sim::FaultAction::Sense;
  sense.senseKey = 0x04;
  sense.asc = 0x44;
  station->SlotOfDrive(5)->Faults().Add(sense);
  EXPECT_EQ(sensed.SetCeMap(1), 0);
  EXPECT_EQ(sensed.LastError(), device::CommandError::CheckCondition);
  EXPECT_EQ(sensed.LastSenseInfo().senseKey, 0x04);
  EXPECT_EQ(sensed.LastSenseInfo().asc, 0x44);
  // Time-outs are sent again as the table allows, and counted.
  CDeviceCommand slow(6);
  sim::FaultRule timeout;
  timeout.command = "Identify";
  timeout.action = sim::FaultAction::Timeout;
  timeout.times = 0;
  station->SlotOfDrive(6)->Faults().Add(timeout);
  EXPECT_EQ(slow.Identify(sector), 0);
  EXPECT_EQ(slow.LastError(), device::CommandError::TimedOut);
  EXPECT_EQ(slow.LastAttempts(), 1u + device::Spec(device::CommandId::IdentifyDevice).retries);
  EXPECT_EQ(slow.TimeOuts(), slow.LastAttempts());
  // A command the drive refuses: an ATA error with the ABRT bit.
  CDeviceCommand refused(8);
  EXPECT_EQ(refused.EraseByType(9, false), 0);
  EXPECT_EQ(refused.LastError(), device::CommandError::AtaError);
  EXPECT_TRUE(refused.HasAtaRegisters());
  EXPECT_EQ(refused.LastAtaRegisters().error, 0x04);
}

}  // namespace
