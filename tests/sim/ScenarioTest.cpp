// Scenario files: every situation of the template's Configuration\Sim files is reachable from
// its file, bad files give clear errors, and the station's transport is installed from the
// platform settings.
#include <gtest/gtest.h>

#include <filesystem>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "ImageFiles.h"
#include "SimRequests.h"
#include "device/ReplyLayouts.h"
#include "device/SgTransport.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "sim/BadBlockMap.h"
#include "sim/IdentifyRecord.h"
#include "sim/ScenarioLoader.h"
#include "sim/ScsiReplies.h"
#include "sim/StationTransport.h"
#include "sim/SystemInfoRecord.h"
#include "support/ScratchStation.h"

namespace {

using device::CommandId;
using simtest::Ata;
using simtest::Send;
using simtest::Tester;
using simtest::Vendor;

class ScenarioTest : public ::testing::Test {
 protected:
  // Loads a scenario of the template station; false (and a test failure) on error.
  void Load(const std::string& file) {
    const auto result = sim::LoadScenario(file);
    ASSERT_TRUE(result.station) << result.error;
    station = result.station;
    transport = std::make_unique<sim::SimTransport>(station);
  }
  device::PassThroughResult SendTo(int drive, simtest::Request& request) {
    return Send(*transport, transport->DevicePathOfDrive(drive), request);
  }
  std::string FirmwareName(int drive) {
    auto request = Vendor(CommandId::ReadFirmwareName, 0, 1);
    EXPECT_TRUE(SendTo(drive, request).Succeeded());
    return std::string(reinterpret_cast<const char*>(request.buffer.data()));
  }
  std::uint8_t CardState(int drive) {
    auto request = Tester(CommandId::TesterCardDetect);
    EXPECT_TRUE(SendTo(drive, request).Succeeded());
    return request.buffer[0];
  }
  SystemInfoSector SystemInfo(int drive) {
    auto request = Vendor(CommandId::GetSystemInfo, 0, 1);
    EXPECT_TRUE(SendTo(drive, request).Succeeded());
    SystemInfoSector sector;
    std::memcpy(&sector, request.buffer.data(), sizeof(sector));
    return sector;
  }
  // A whole RDT log read in pieces of at most 128 sectors, as the station reads it.
  std::vector<std::uint8_t> ReadLog(int drive, CommandId id, std::uint32_t bytes) {
    std::vector<std::uint8_t> log;
    const std::uint32_t sectors = (bytes + 511) / 512;
    for (std::uint32_t first = 0; first < sectors; first += 128) {
      auto piece = Vendor(id, first, std::min<std::uint32_t>(128, sectors - first));
      EXPECT_TRUE(SendTo(drive, piece).Succeeded());
      log.insert(log.end(), piece.buffer.begin(), piece.buffer.end());
    }
    return log;
  }

  testsupport::ScratchStation scratch{testsupport::ScratchStation::Template::Copy};
  std::shared_ptr<sim::SimStation> station;
  std::unique_ptr<sim::SimTransport> transport;
};

TEST_F(ScenarioTest, DefaultIsOneBoardOfTwentyFourHealthyDrivesOnBootCode) {
  Load("Default.ini");
  ASSERT_EQ(transport->ListDisks().size(), 24u);
  for (int drive = 1; drive <= 24; ++drive) {
    EXPECT_EQ(CardState(drive), device::kCardPresent);
    EXPECT_EQ(FirmwareName(drive), "SBR1.0.0");
  }
  EXPECT_EQ(SystemInfo(1).ceMap.Get(), 0xFu);
  // The same file gives the same bad-block maps; neighbours differ.
  const auto first = station->SlotOfDrive(1)->Drive()->BadBlocks().All();
  const std::vector<std::uint8_t> firstMap(first.begin(), first.end());
  Load("Default.ini");
  const auto again = station->SlotOfDrive(1)->Drive()->BadBlocks().All();
  EXPECT_EQ(std::vector<std::uint8_t>(again.begin(), again.end()), firstMap);
  const auto neighbour = station->SlotOfDrive(2)->Drive()->BadBlocks().All();
  EXPECT_NE(std::vector<std::uint8_t>(neighbour.begin(), neighbour.end()), firstMap);
  EXPECT_EQ(station->SlotOfDrive(1)->Drive()->BadBlocks().CountEarly(0), 6u);
  EXPECT_EQ(station->SlotOfDrive(1)->Drive()->BadBlocks().CountLater(0), 1u);
}

TEST_F(ScenarioTest, TwoBoardsNumberTheirTestersOneToThirtyTwo) {
  Load("TwoBoards.ini");
  ASSERT_EQ(transport->ListDisks().size(), 32u);
  for (int drive = 1; drive <= 32; ++drive) {
    auto inquiry = simtest::Inquiry();
    ASSERT_TRUE(SendTo(drive, inquiry).Succeeded());
    device::InquiryData data;
    std::memcpy(&data, inquiry.buffer.data(), sizeof(data));
    EXPECT_EQ(data.testerNumber, drive);
    EXPECT_EQ(std::string(data.product, 12), drive <= 24 ? "SATA TESTER-" : "SATA3-TESTER");
  }
  auto page = Tester(CommandId::TesterReadUsbPage);
  ASSERT_TRUE(SendTo(30, page).Succeeded());
  EXPECT_EQ(page.buffer[0], 4);
  EXPECT_EQ(page.buffer[2], 0x09);
  EXPECT_EQ(page.buffer[256], 1);
}

// A scenario saved with a UTF-8 byte-order mark keeps its first section.
TEST_F(ScenarioTest, AByteOrderMarkHidesNoSection) {
  scratch.WriteFile("Configuration/Sim/Marked.ini", "\xEF\xBB\xBF[Station]\r\nBoards=2\r\n[Board1]\r\nSlots=4\r\n"
                                                    "[Board2]\r\nSlots=4\r\n");
  Load("Marked.ini");
  EXPECT_EQ(transport->ListDisks().size(), 8u);
}

TEST_F(ScenarioTest, EmptySlotsAnswerCardDetectWithNoCard) {
  Load("EmptySlot.ini");
  for (int drive : {3, 5, 10, 11, 12}) EXPECT_EQ(CardState(drive), device::kCardEmpty) << drive;
  for (int drive : {1, 4, 9, 13, 24}) EXPECT_EQ(CardState(drive), device::kCardPresent) << drive;
}

TEST_F(ScenarioTest, DrivesStartOnTheirNamedCode) {
  Load("BurnerCode.ini");
  EXPECT_EQ(FirmwareName(1), "SBB1.0.3");
  Load("FlashCode.ini");
  EXPECT_EQ(FirmwareName(1), "SBF10A01");
  auto block = Vendor(CommandId::ReadInfoBlock, 0, 1);
  ASSERT_TRUE(SendTo(1, block).Succeeded());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.buffer.data()), 6), "Tervid");
  EXPECT_EQ(block.buffer[511], 0x01);
  Load("RdtCode.ini");
  EXPECT_EQ(FirmwareName(1), "RDT10A01");
}

TEST_F(ScenarioTest, FinishedRdtLeavesMarksInformationRecordAndLogs) {
  Load("RdtCode.ini");
  auto identify = Ata(CommandId::IdentifyDevice);
  ASSERT_TRUE(SendTo(1, identify).Succeeded());
  EXPECT_EQ(identify.buffer[282], kRdtStartMarkBit | kRdtEndMarkBit);
  auto info = Vendor(CommandId::ReadRdtInfo, 0, 1);
  ASSERT_TRUE(SendTo(1, info).Succeeded());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.buffer.data()), 4), "TVRT");
  EXPECT_EQ(info.buffer[0x04], 0x00);              // result code: pass
  EXPECT_EQ(info.buffer[0x13], 0x0F);              // CE map
  EXPECT_EQ(info.buffer[0x39], 3);                 // TLC loops
  const auto sector = SystemInfo(1);
  const auto temperature = ReadLog(1, CommandId::GetRdtTemperatureTimeLog, sector.temperatureLogRecords.Get() * 8);
  // The information record follows the end mark inside the temperature log.
  const auto end = std::search(temperature.begin(), temperature.end(), std::begin(kLogEndMark),
                               std::end(kLogEndMark));
  ASSERT_NE(end, temperature.end());
  EXPECT_EQ(std::string(end + 8, end + 12), "TVRT");
  const auto badBlock = ReadLog(1, CommandId::GetRdtBadBlockLog, sector.badBlockLogUnits.Get() * 16384);
  ASSERT_EQ(badBlock.size() % 16384, 0u);
  // 5 early and 2 later bad blocks per CE, 4 CEs: 28 entries, then the end mark.
  EXPECT_TRUE(badBlock[0] >= kBadBlockFactory && badBlock[0] <= kBadBlockReadUncorrectable);
  EXPECT_EQ(std::vector<std::uint8_t>(badBlock.begin() + 28 * 32, badBlock.begin() + 28 * 32 + 8),
            std::vector<std::uint8_t>(std::begin(kLogEndMark), std::end(kLogEndMark)));
  const auto sdr = ReadLog(1, CommandId::GetRdtSdrLog, sector.sdrLogRecords.Get() * 8);
  EXPECT_EQ(sdr[0], 0);  // DRAM step passed
  EXPECT_EQ(sector.specialLogUnits.Get(), 0u);
  // Reading past the end of a log is refused.
  auto beyond = Vendor(CommandId::GetRdtSdrLog, 100, 1);
  EXPECT_FALSE(SendTo(1, beyond).Succeeded());
}

TEST_F(ScenarioTest, GivenLogEntriesAndResultCodesReachTheDrive) {
  Load("RdtLogEntries.ini");
  auto info = Vendor(CommandId::ReadRdtInfo, 0, 1);
  ASSERT_TRUE(SendTo(1, info).Succeeded());
  EXPECT_EQ(info.buffer[0x04], 0x12);
  EXPECT_EQ(info.buffer[0x09] | (info.buffer[0x0A] << 8) | (info.buffer[0x0B] << 16), 300);
  ASSERT_TRUE(SendTo(3, info).Succeeded());
  EXPECT_EQ(info.buffer[0x04], 0x13);

  const auto sector = SystemInfo(2);
  const auto badBlock = ReadLog(2, CommandId::GetRdtBadBlockLog, sector.badBlockLogUnits.Get() * 16384);
  const std::vector<std::uint8_t> third(badBlock.begin() + 64, badBlock.begin() + 96);
  EXPECT_EQ(third, (std::vector<std::uint8_t>{0x03, 9, 1, 8, 0x2D, 0x01, 4, 0, 2, 3, 0x12, 25, 0, 0xB8, 0x0B, 0,
                                              0,    0, 0, 0, 0,    0,    0, 0, 0, 0, 0,    0,  0, 0,    1,    1}));
  EXPECT_EQ(badBlock[4 * 32], 0xAA);  // end mark after the four entries
  // The ECC-bit section starts at the next flash page (32 sectors).
  EXPECT_EQ(std::vector<std::uint8_t>(badBlock.begin() + 16384, badBlock.begin() + 16396),
            (std::vector<std::uint8_t>{0xCC, 0x33, 0xCC, 0x33, 1, 33, 200, 0, 9, 45, 0x2D, 0x01}));
  const auto special = ReadLog(2, CommandId::GetRdtBadBlockSpecialLog, sector.specialLogUnits.Get() * 16384);
  EXPECT_EQ(special[0], 0x02);
  EXPECT_EQ(special[13], kSpecialKindTlc);
  EXPECT_EQ(special[32 + 11], 0xFF);  // raw bit errors 65535: not valid
  EXPECT_EQ(special[64], 0xEE);       // end marker
  const auto sdr = ReadLog(2, CommandId::GetRdtSdrLog, sector.sdrLogRecords.Get() * 8);
  EXPECT_EQ(sdr[8], 1);               // the second DRAM step failed
  EXPECT_EQ(sdr[16], 0xCC);
}

TEST_F(ScenarioTest, RunningRdtHasTheStartMarkOnlyAndLoopMarks) {
  Load("RdtRunning.ini");
  auto identify = Ata(CommandId::IdentifyDevice);
  ASSERT_TRUE(SendTo(1, identify).Succeeded());
  EXPECT_EQ(identify.buffer[282], kRdtStartMarkBit);
  auto info = Vendor(CommandId::ReadRdtInfo, 0, 1);
  ASSERT_TRUE(SendTo(1, info).Succeeded());
  EXPECT_EQ(info.buffer[0], 0);  // no information record yet
  const auto sector = SystemInfo(1);
  const auto badBlock = ReadLog(1, CommandId::GetRdtBadBlockLog, sector.badBlockLogUnits.Get() * 16384);
  EXPECT_EQ(badBlock[0], kBadBlockLoopMark);
  EXPECT_EQ(badBlock[3], 8);     // total loops 3 + 5
}

TEST_F(ScenarioTest, DramFailureFlipsBitsAndFailsTheRdtDramLog) {
  Load("DramFailure.ini");
  auto write = Vendor(CommandId::WriteDram, 0, 1);
  std::fill(write.buffer.begin(), write.buffer.end(), 0x55);
  ASSERT_TRUE(SendTo(1, write).Succeeded());
  auto read = Vendor(CommandId::ReadDram, 0, 1);
  ASSERT_TRUE(SendTo(1, read).Succeeded());
  EXPECT_EQ(read.buffer[0], 0x54);
  EXPECT_EQ(read.buffer[1], 0x55);
  const auto sector = SystemInfo(4);
  const auto sdr = ReadLog(4, CommandId::GetRdtSdrLog, sector.sdrLogRecords.Get() * 8);
  EXPECT_EQ(sdr[0], 0);   // step 1 passed
  EXPECT_EQ(sdr[8], 1);   // step 2 failed
  ASSERT_TRUE(SendTo(4, write).Succeeded());
  ASSERT_TRUE(SendTo(4, read).Succeeded());
  EXPECT_EQ(read.buffer, write.buffer);
}

TEST_F(ScenarioTest, BadEFuseReadsInconsistentAndRefusesACut) {
  Load("BadEFuse.ini");
  auto fuses = Vendor(CommandId::ReadEFuse, 0, 1);
  ASSERT_TRUE(SendTo(2, fuses).Succeeded());
  EXPECT_NE(fuses.buffer[2], static_cast<std::uint8_t>(fuses.buffer[0] + fuses.buffer[1]));
  auto cut = Vendor(CommandId::CutEFuse, device::kEFuseUart);
  EXPECT_FALSE(SendTo(2, cut).Succeeded());
}

TEST_F(ScenarioTest, CommandTimeOutsFireWhereTheFileSays) {
  Load("CommandTimeout.ini");
  auto info = Vendor(CommandId::GetSystemInfo, 0, 1);
  EXPECT_TRUE(SendTo(1, info).Succeeded());
  EXPECT_EQ(SendTo(1, info).hostStatus, device::kHostTimeOut);
  EXPECT_TRUE(SendTo(1, info).Succeeded());
  auto erase = Vendor(CommandId::EraseByType, 9);
  EXPECT_EQ(SendTo(2, erase).hostStatus, device::kHostTimeOut);
  EXPECT_EQ(SendTo(2, erase).hostStatus, device::kHostTimeOut);
  EXPECT_TRUE(SendTo(3, info).Succeeded());
}

TEST_F(ScenarioTest, DrivePulledDuringProgramRamLoad) {
  Load("DrivePulled.ini");
  auto load = Vendor(CommandId::WritePram, 0, 4);
  const auto result = SendTo(2, load);
  EXPECT_EQ(result.systemError, ENODEV);
  EXPECT_EQ(CardState(2), device::kCardEmpty);
  EXPECT_TRUE(SendTo(1, load).Succeeded());
}

TEST_F(ScenarioTest, CorruptLogBytesAreWhatTheDriveSends) {
  Load("CorruptLog.ini");
  const auto sector = SystemInfo(1);
  const auto temperature = ReadLog(1, CommandId::GetRdtTemperatureTimeLog, sector.temperatureLogRecords.Get() * 8);
  EXPECT_EQ(std::vector<std::uint8_t>(temperature.begin(), temperature.begin() + 8), std::vector<std::uint8_t>(8, 0xFF));
  const auto badBlock = ReadLog(1, CommandId::GetRdtBadBlockLog, sector.badBlockLogUnits.Get() * 16384);
  EXPECT_EQ(badBlock[0], 0xEE);
  const auto sdr = ReadLog(1, CommandId::GetRdtSdrLog, sector.sdrLogRecords.Get() * 8);
  EXPECT_EQ(sdr[0], 0xCC);
}

TEST_F(ScenarioTest, SmartThresholdAndPage) {
  Load("SmartThreshold.ini");
  auto status = Ata(CommandId::SmartReturnStatus);
  const auto result = SendTo(1, status);
  EXPECT_EQ(result.sense[8 + 9], device::kSmartThresholdExceededMid);
  auto page = Ata(CommandId::SmartReadData);
  ASSERT_TRUE(SendTo(1, page).Succeeded());
  EXPECT_EQ(std::vector<std::uint8_t>(page.buffer.begin(), page.buffer.begin() + 10),
            (std::vector<std::uint8_t>{0x05, 120, 0, 0, 0, 0, 0, 0, 0, 0x09}));
  auto debug = Vendor(CommandId::ReadDebugData, 0, 2);
  ASSERT_TRUE(SendTo(1, debug).Succeeded());
  EXPECT_EQ(std::vector<std::uint8_t>(debug.buffer.begin(), debug.buffer.begin() + 512),
            std::vector<std::uint8_t>(page.buffer.begin(), page.buffer.end()));
}

TEST_F(ScenarioTest, EveryTemplateScenarioLoads) {
  // The images the build makes for a station, which some scenarios put on a drive's flash.
  scratch.WriteFile("FW/MP/TV3160_MP_Sample.bin", simtest::MakeImageFile("SBF20A01").bytes);
  scratch.WriteFile("FW/RDT/TV3160_RDT_Sample.bin", simtest::MakeImageFile("RDT20A01").bytes);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(testsupport::StationTemplateFolder() / "Configuration" /
                                                               "Sim")) {
    if (entry.path().extension() != ".ini") continue;
    const std::string file = entry.path().filename().string();
    const auto result = sim::LoadScenario(file);
    EXPECT_TRUE(result.station) << file << ": " << result.error;
    ++files;
  }
  EXPECT_GE(files, 17u);
}

TEST_F(ScenarioTest, TheMpStationScenariosGiveTheirDrives) {
  Load("MixedCodes.ini");
  ASSERT_EQ(transport->ListDisks().size(), 24u);
  EXPECT_EQ(FirmwareName(1), "SBR1.0.0");
  EXPECT_EQ(FirmwareName(7), "SBB1.0.3");
  EXPECT_EQ(FirmwareName(13), "SBF10A01");
  EXPECT_EQ(FirmwareName(19), "RDT10A01");
  Load("MainFailures.ini");
  EXPECT_EQ(station->SlotOfDrive(2)->Drive()->IcVersion(), 0x3150);
  EXPECT_EQ(station->SlotOfDrive(12)->Drive()->UserSectors(), std::uint64_t{128} << 21);
  EXPECT_EQ(station->SlotOfDrive(1)->Drive()->UserSectors(), std::uint64_t{256} << 21);
  Load("OneCE.ini");
  EXPECT_EQ(station->SlotOfDrive(1)->Drive()->SystemInfo().ceMap.Get(), 1u);
  // Four dies per CE in groups of two: CE 1's third-party table answers under chip 5 alone.
  Load("DieGroups.ini");
  sim::SimDrive& grouped = *station->SlotOfDrive(1)->Drive();
  EXPECT_EQ(grouped.BbtParameters().unitsPerCe, 2);
  EXPECT_EQ(grouped.BbtParameters().shiftEnable, 1);
  std::vector<std::uint8_t> slice(3 * 512);
  EXPECT_EQ(grouped.ReadThirdPartyTable(5, slice), sim::DriveStatus::Ok);
  EXPECT_EQ(grouped.ReadThirdPartyTable(1, slice), sim::DriveStatus::Aborted);
}

TEST_F(ScenarioTest, TheQcAndRdtResultScenariosGiveTheirDrives) {
  const simtest::ImageFile mp = simtest::MakeImageFile("SBF20A01");
  const simtest::ImageFile rdt = simtest::MakeImageFile("RDT20A01", 512, 5000);
  scratch.WriteFile("FW/MP/TV3160_MP_Sample.bin", mp.bytes);
  scratch.WriteFile("FW/RDT/TV3160_RDT_Sample.bin", rdt.bytes);
  Load("ProgrammedAtMp.ini");
  ASSERT_EQ(transport->ListDisks().size(), 24u);
  EXPECT_EQ(FirmwareName(24), "SBF20A01");
  std::vector<std::uint8_t> flash(mp.flashSection.size());
  ASSERT_EQ(station->SlotOfDrive(24)->Drive()->ReadFlashCode(0, flash), sim::DriveStatus::Ok);
  EXPECT_EQ(flash, mp.flashSection);
  Load("QCFailures.ini");
  EXPECT_EQ(FirmwareName(1), "SBF20A01");
  EXPECT_EQ(FirmwareName(4), "RDT20A01");
  EXPECT_EQ(station->SlotOfDrive(2)->Drive()->IcVersion(), 0x3150);
  Load("RdtResultFailures.ini");
  EXPECT_EQ(FirmwareName(1), "RDT10A01");
  EXPECT_EQ(FirmwareName(16), "SBR1.0.0");
  EXPECT_EQ(FirmwareName(18), "SBF10A01");
  EXPECT_EQ(station->SlotOfDrive(4)->Drive()->RdtInfo()->resultWord.Get() & 0xFF, 0x12u);
  Load("RdtPretestFailures.ini");
  EXPECT_EQ(CardState(10), device::kCardEmpty);
}

TEST_F(ScenarioTest, AFlashImageMustBeAFirmwareImageOnAFlashWithFirmware) {
  scratch.WriteFile("FW/MP/Broken.bin", simtest::MakeImageFile("SBF20A01").bytes + "tail");
  const auto errorOf = [this](const std::string& text) {
    scratch.WriteFile("Configuration/Sim/Image.ini", text);
    const auto result = sim::LoadScenario("Image.ini");
    EXPECT_FALSE(result.station);
    return result.error;
  };
  EXPECT_EQ(errorOf("[Drive]\nCode=Flash\nFlashImage=FW\\MP\\Missing.bin\n"),
            ".\\Configuration\\Sim\\Image.ini line 3, [Drive] FlashImage: cannot read the firmware image "
            "FW\\MP\\Missing.bin");
  EXPECT_EQ(errorOf("[Drive]\nCode=Flash\nFlashImage=FW\\MP\\Broken.bin\n"),
            ".\\Configuration\\Sim\\Image.ini line 3, [Drive] FlashImage: FW\\MP\\Broken.bin is not a firmware "
            "image (its header's section sizes do not add up)");
  EXPECT_EQ(errorOf("[Drive]\nFlashImage=FW\\MP\\Broken.bin\n"),
            ".\\Configuration\\Sim\\Image.ini line 2, [Drive] FlashImage: flash holds firmware only with "
            "Code=Flash or Code=Rdt");
}

TEST_F(ScenarioTest, TheFirmwareStationScenariosGiveTheirDrives) {
  Load("ZeroMBFailures.ini");
  EXPECT_EQ(FirmwareName(3), "SBB1.0.3");
  EXPECT_EQ(FirmwareName(6), "SBF10A01");
  EXPECT_EQ(CardState(12), device::kCardEmpty);

  Load("UpgradeFailures.ini");
  EXPECT_EQ(FirmwareName(1), "SBF10A01");
  EXPECT_EQ(FirmwareName(3), "SBR1.0.0");
  EXPECT_EQ(FirmwareName(9), "RDT10A01");
  EXPECT_EQ(CardState(15), device::kCardEmpty);

  Load("ISPRewriteFailures.ini");
  EXPECT_EQ(FirmwareName(3), "RDT10A01");
  EXPECT_EQ(station->SlotOfDrive(6)->Drive()->IcVersion(), 0x3150);

  Load("RMADebugFailures.ini");
  ASSERT_EQ(transport->ListDisks().size(), 24u);
  EXPECT_EQ(station->SlotOfDrive(15)->Drive()->SmartPage()[0], 0x00);
  // The SMART page of a drive in use: four attributes of 9 bytes, then an ID of 0.
  const auto page = station->SlotOfDrive(1)->Drive()->SmartPage();
  EXPECT_EQ(page[0], 0x05);
  EXPECT_EQ(page[1], 2);
  EXPECT_EQ(page[9], 0x09);
  EXPECT_EQ(page[10] | page[11] << 8, 10000);
  EXPECT_EQ(page[27], 0xC2);
  EXPECT_EQ(page[36], 0x00);
}

// The scenario file of the error tests, as the messages name it.
const std::string kBadFile = ".\\Configuration\\Sim\\Bad.ini";

class ScenarioErrorTest : public ::testing::Test {
 protected:
  std::string ErrorOf(const std::string& text) {
    scratch.WriteFile("Configuration/Sim/Bad.ini", text);
    const auto result = sim::LoadScenario("Bad.ini");
    EXPECT_FALSE(result.station);
    return result.error;
  }
  testsupport::ScratchStation scratch;
};

TEST_F(ScenarioErrorTest, EveryMistakeNamesFileLineSectionAndKey) {
  EXPECT_EQ(sim::LoadScenario("Missing.ini").error, "Scenario file .\\Configuration\\Sim\\Missing.ini not found");
  EXPECT_EQ(ErrorOf("[Station]\nBoards=9\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Station] Boards: expected a number from 1 to 8");
  EXPECT_EQ(ErrorOf("[Board1]\nSlots=49\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Board1] Slots: expected a number from 1 to 48");
  EXPECT_EQ(ErrorOf("[Board1]\nSlots=24\n[Board2]\nSlots=25\n[Station]\nBoards=2\n"),
            ".\\Configuration\\Sim\\Bad.ini line 3, [Board2] FirstTester: slot tester numbers must stay within 1..48");
  EXPECT_EQ(ErrorOf("[Board1]\nProduct=USB DISK\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Board1] Product: expected SATA TESTER-S or SATA3-TESTER");
  EXPECT_EQ(ErrorOf("[Board1]\nEmpty=3,30\n"), ".\\Configuration\\Sim\\Bad.ini line 2, [Board1] Empty: bad slot list");
  EXPECT_EQ(ErrorOf("[Board1]\nSlot2=Nowhere\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Board1] Slot2: no section [Nowhere]");
  EXPECT_EQ(ErrorOf("[Drive]\nCode=Turbo\n"), ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] Code: unknown value \"Turbo\"");
  EXPECT_EQ(ErrorOf("[Drive]\nPlanes=3\n"), ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] Planes: expected 1, 2 or 4");
  EXPECT_EQ(ErrorOf("[Drive]\nFlashId=98 3C\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] FlashId: expected 7 hexadecimal bytes");
  EXPECT_EQ(ErrorOf("[Drive]\nRdtBadBlock1=1,2,3\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] RdtBadBlock1: expected 14 numbers");
  EXPECT_EQ(ErrorOf("[Drive]\nFault1=Identify,0,Explode\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] Fault1: expected <command>,<skip>,<action>[,...]");
  EXPECT_EQ(ErrorOf("[Drive]\nCorrupt1=Nowhere,0,FF\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] Corrupt1: expected Temperature|Sdr|Special|BadBlock,<offset>,<hex bytes>");
  EXPECT_EQ(ErrorOf("[Drive]\nBadBlock1=0,70000\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Drive] BadBlock1: expected <ce>,<block>,Factory|Erase|Program|Read");
  EXPECT_EQ(ErrorOf("[Station]\nTimeScale=fast\n"),
            ".\\Configuration\\Sim\\Bad.ini line 2, [Station] TimeScale: expected a number from 0 to 10");
}

// One simulated station may not hold more than the machine can: a scale beyond Platform.ini's
// range, a drive of more blocks or bad blocks than a drive may have, more bad blocks than a CE
// has, and drives that together hold more blocks than a station may are refused with the
// file, the line and the key, before anything is built.
TEST_F(ScenarioErrorTest, WhatOneStationMayHoldIsBounded) {
  for (const char* scale : {"1e300", "11", "inf", "nan", "-0.5"}) {
    EXPECT_EQ(ErrorOf(std::string("[Station]\nTimeScale=") + scale + "\n"),
              kBadFile + " line 2, [Station] TimeScale: expected a number from 0 to 10")
        << scale;
  }
  EXPECT_EQ(ErrorOf("[Drive]\nCeMap=FFFFFFFFFFFFFFFF\nDies=8\nPlanes=4\nBlocksPerCe=65528\n"),
            kBadFile + " line 5, [Drive] BlocksPerCe: 64 CE slots of 65528 blocks are 4193792 blocks, more than a "
                       "simulated drive may hold (1048576)");
  EXPECT_EQ(ErrorOf("[Drive]\nBlocksPerCe=1024\nEarlyBadPerCe=65535\n"),
            kBadFile + " line 3, [Drive] EarlyBadPerCe: 65535 bad blocks per CE (early and later) are more than a CE "
                       "of 1024 blocks has beside its first 4");
  EXPECT_EQ(ErrorOf("[Drive]\nBlocksPerCe=1024\nLaterBadPerCe=1021\n"),
            kBadFile + " line 3, [Drive] LaterBadPerCe: 1021 bad blocks per CE (early and later) are more than a CE "
                       "of 1024 blocks has beside its first 4");
  EXPECT_EQ(ErrorOf("[Drive]\nCeMap=FFFF\nBlocksPerCe=65528\nEarlyBadPerCe=4097\n"),
            kBadFile + " line 4, [Drive] EarlyBadPerCe: 65552 bad blocks per drive are more than a simulated drive "
                       "may hold (65536)");
  // 24 drives of 16 CEs of 65528 blocks: the seventeenth is one too many.
  EXPECT_EQ(ErrorOf("[Board1]\nSlots=24\n[Drive]\nCeMap=FFFF\nBlocksPerCe=65528\n"),
            kBadFile + " line 2, [Board1] Slots: the drives up to slot 17 hold 17823616 blocks, more than one "
                       "simulated station may hold (16777216)");
  // At the bounds the station is built.
  scratch.WriteFile("Configuration/Sim/Largest.ini",
                    "[Station]\nTimeScale=10\n[Board1]\nSlots=16\n[Drive]\nCeMap=FFFF\nBlocksPerCe=65528\n"
                    "EarlyBadPerCe=2048\nLaterBadPerCe=2048\n");
  platform::FlushProfileCache();
  sim::StationPlan plan;
  std::string error;
  EXPECT_TRUE(sim::LoadStationPlan("Largest.ini", plan, error)) << error;
}

TEST_F(ScenarioErrorTest, EveryLineMustBeASectionAKeyOrAComment) {
  EXPECT_EQ(ErrorOf("[Station]\nBoards=1\nthis is no ini line\n"), kBadFile + " line 3: not a section, a key or a comment");
  EXPECT_EQ(ErrorOf("[Station]\nSeed=\x01\x02\n"), kBadFile + " line 2: not a line of text (byte 0x01)");
  EXPECT_EQ(ErrorOf("Boards=2\n[Station]\n"), kBadFile + " line 1, Boards: a key before the first section");
  EXPECT_EQ(ErrorOf("[Station] extra\nBoards=1\n"), kBadFile + " line 1: not a section header (expected [<name>])");
  EXPECT_EQ(ErrorOf("; only a comment\n\n"), kBadFile + ": no section: not a scenario file");
  EXPECT_EQ(ErrorOf(""), kBadFile + ": no section: not a scenario file");
  // Comments and blank lines are fine anywhere.
  EXPECT_EQ(ErrorOf("; a station\r\n\r\n[Station]\r\n  ; boards\r\nBoards=x\r\n"),
            kBadFile + " line 5, [Station] Boards: expected a number from 1 to 8");
}

TEST_F(ScenarioErrorTest, UnknownSectionsAndKeysAndRepeatsAreRefused) {
  EXPECT_EQ(ErrorOf("[Station]\nBoard=2\n"), kBadFile + " line 2, [Station] Board: unknown key");
  EXPECT_EQ(ErrorOf("[Board1]\nSlots=4\nSerial=X\n"), kBadFile + " line 3, [Board1] Serial: unknown key");
  EXPECT_EQ(ErrorOf("[Drive]\nCeMapp=F\n"), kBadFile + " line 2, [Drive] CeMapp: unknown key");
  EXPECT_EQ(ErrorOf("[Drive]\nBadBlock0=1,2,Factory\n"), kBadFile + " line 2, [Drive] BadBlock0: unknown key");
  EXPECT_EQ(ErrorOf("[Drive]\nSmart01=05,1\n"), kBadFile + " line 2, [Drive] Smart01: unknown key");
  EXPECT_EQ(ErrorOf("[Station]\nBoards=1\n[Board2]\nSlots=4\n"),
            kBadFile + " line 3, [Board2]: unknown section (the station has 1 board)");
  EXPECT_EQ(ErrorOf("[Board1]\nSlots=4\nSlot5=Drive\n"), kBadFile + " line 3, [Board1] Slot5: the board has 4 slots");
  EXPECT_EQ(ErrorOf("[Drive]\nCode=Boot\n[drive]\nCode=Flash\n"), kBadFile + " line 3: section [drive] is already on line 1");
  EXPECT_EQ(ErrorOf("[Drive]\nCode=Boot\ncode=Flash\n"), kBadFile + " line 3, [Drive] code: already set on line 2");
}

TEST_F(ScenarioErrorTest, NumbersAndTextsOutOfRangeAreRefused) {
  EXPECT_EQ(ErrorOf("[Drive]\nRdtTemperature1=1,2,3,300,5\n"),
            kBadFile + " line 2, [Drive] RdtTemperature1: field 4: expected a number from 0 to 255");
  EXPECT_EQ(ErrorOf("[Drive]\nRdtSdr1=0,1,16,4,5\n"),
            kBadFile + " line 2, [Drive] RdtSdr1: field 3: expected a number from 0 to 15");
  EXPECT_EQ(ErrorOf("[Drive]\nRdtEcc1=1,2,70000\n"),
            kBadFile + " line 2, [Drive] RdtEcc1: field 3: expected a number from 0 to 65535");
  EXPECT_EQ(ErrorOf("[Drive]\nRdtSpecial1=2,0,0,0,0,0,-200,0,0,0,1,0,0\n"),
            kBadFile + " line 2, [Drive] RdtSpecial1: field 7: expected a number from -128 to 127");
  EXPECT_EQ(ErrorOf("[Drive]\nBlocksPerCe=100\nBadBlock1=0,100,Factory\n"),
            kBadFile + " line 3, [Drive] BadBlock1: block 100 is beyond the 100 blocks of a CE");
  EXPECT_EQ(ErrorOf("[Drive]\nSerial=ABCDEFGHIJKLMNOPQRSTU\n"),
            kBadFile + " line 2, [Drive] Serial: expected at most 20 characters");
  EXPECT_EQ(ErrorOf("[Drive]\nCorrupt1=Sdr,99999999,FF\n"),
            kBadFile + " line 2, [Drive] Corrupt1: expected Temperature|Sdr|Special|BadBlock,<offset>,<hex bytes>");
  // A profile that takes a bad value from [Drive] is sent to the line in [Drive].
  EXPECT_EQ(ErrorOf("[Board1]\nSlots=2\nSlot2=Other\n[Drive]\nDies=9\n[Other]\nCode=Flash\n"),
            kBadFile + " line 5, [Drive] Dies: expected a number from 1 to 8");
  EXPECT_EQ(ErrorOf("[Drive]\nDies=4\nDiesPerChip=3\n"), kBadFile + " line 3, [Drive] DiesPerChip: must divide Dies evenly");
}

TEST_F(ScenarioErrorTest, RandomBytesAreNoScenario) {
  std::mt19937 random(3160);
  for (int round = 0; round < 50; ++round) {
    std::string bytes(1 + random() % 4096, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    scratch.WriteFile("Configuration/Sim/Bad.ini", bytes);
    const auto result = sim::LoadScenario("Bad.ini");
    EXPECT_FALSE(result.station) << "round " << round;
    EXPECT_EQ(result.error.rfind(".\\Configuration\\Sim\\Bad.ini", 0), 0u) << result.error;
  }
}

TEST_F(ScenarioErrorTest, ProfilesOverrideTheDriveSectionAndListedKeysKeepTheirOrder) {
  scratch.WriteFile("Configuration/Sim/Mix.ini",
                    "[Board1]\nSlots=2\nSlot2=Special\n[Drive]\nCode=Boot\nSmart2=09,5\nSmart1=05,7\n"
                    "[Special]\nCode=Flash\nSmart1=05,8\n");
  sim::StationPlan plan;
  std::string error;
  ASSERT_TRUE(sim::LoadStationPlan("Mix.ini", plan, error)) << error;
  ASSERT_EQ(plan.boards.size(), 1u);
  const auto& slots = plan.boards[0].slots;
  EXPECT_EQ(slots[0].drive.flashFirmware, sim::FlashFirmware::None);
  EXPECT_EQ(slots[1].drive.flashFirmware, sim::FlashFirmware::Mp);
  ASSERT_EQ(slots[0].drive.smart.size(), 2u);
  EXPECT_EQ(slots[0].drive.smart[0].id, 0x05);
  EXPECT_EQ(slots[0].drive.smart[0].value, 7u);
  EXPECT_EQ(slots[1].drive.smart[0].value, 8u);
  EXPECT_EQ(slots[0].drive.serialNumber, "SIM01010001");
  EXPECT_EQ(slots[1].drive.serialNumber, "SIM01020001");
  EXPECT_NE(slots[0].drive.badBlocks.seed, slots[1].drive.badBlocks.seed);
}

TEST_F(ScenarioErrorTest, SeedAndTimeScaleComeFromTheStationSection) {
  // Without the keys: seed 1 and the full time scale.
  scratch.WriteFile("Configuration/Sim/Plain.ini", "[Board1]\nSlots=1\n");
  sim::StationPlan plain;
  std::string error;
  ASSERT_TRUE(sim::LoadStationPlan("Plain.ini", plain, error)) << error;
  EXPECT_EQ(plain.seed, 1u);
  EXPECT_EQ(plain.timeScale, 1.0);
  EXPECT_EQ(plain.boards[0].slots[0].drive.badBlocks.seed, 1u);

  // Drive k of the station (empty slots count) takes Seed + k; the time scale reaches the station.
  const std::string seeded =
      "[Station]\nSeed=77\nTimeScale=0.25\n[Board1]\nSlots=3\nEmpty=2\n"
      "[Drive]\nEarlyBadPerCe=6\nLaterBadPerCe=6\n";
  scratch.WriteFile("Configuration/Sim/Seeded.ini", seeded);
  sim::StationPlan plan;
  ASSERT_TRUE(sim::LoadStationPlan("Seeded.ini", plan, error)) << error;
  EXPECT_EQ(plan.seed, 77u);
  EXPECT_EQ(plan.timeScale, 0.25);
  const auto& slots = plan.boards[0].slots;
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_EQ(slots[0].drive.badBlocks.seed, 77u);
  EXPECT_TRUE(slots[1].empty);
  EXPECT_EQ(slots[2].drive.badBlocks.seed, 79u);
  EXPECT_EQ(sim::BuildStation(plan)->DelayScale(), 0.25);

  // The seed decides the map: the same file gives the same map again, another seed another map.
  const auto mapOf = [](const sim::DriveProfile& drive) {
    const sim::BadBlockMap map(drive.geometry, drive.badBlocks);
    return std::vector<std::uint8_t>(map.All().begin(), map.All().end());
  };
  sim::StationPlan again;
  ASSERT_TRUE(sim::LoadStationPlan("Seeded.ini", again, error)) << error;
  EXPECT_EQ(mapOf(again.boards[0].slots[0].drive), mapOf(slots[0].drive));
  scratch.WriteFile("Configuration/Sim/Reseeded.ini", "[Station]\nSeed=78\n" + seeded.substr(seeded.find("TimeScale")));
  sim::StationPlan reseeded;
  ASSERT_TRUE(sim::LoadStationPlan("Reseeded.ini", reseeded, error)) << error;
  EXPECT_NE(mapOf(reseeded.boards[0].slots[0].drive), mapOf(slots[0].drive));
  EXPECT_EQ(mapOf(reseeded.boards[0].slots[0].drive).size(), mapOf(slots[0].drive).size());
}

class StationTransportTest : public ::testing::Test {
 protected:
  void TearDown() override {
    device::SetTransport(nullptr);
    platform::SetTimeScale(0);
  }
  // The refusal of a Platform.ini; nothing is installed and the time scale is left alone.
  std::string RefusalOf(const std::string& platformIni) {
    scratch.WriteFile("Platform.ini", platformIni);
    platform::FlushProfileCache();
    platform::SetTimeScale(0.5);
    std::string error;
    EXPECT_FALSE(sim::InstallStationTransport(&error));
    EXPECT_FALSE(device::GetTransport());
    EXPECT_EQ(platform::TimeScale(), 0.5);
    return error;
  }
  testsupport::ScratchStation scratch{testsupport::ScratchStation::Template::Copy};
};

TEST_F(StationTransportTest, PlatformSettingsChooseTheScenario) {
  scratch.WriteFile("Platform.ini", "[Device]\nTransport=sim\nScenario=TwoBoards.ini\n");
  std::string error;
  ASSERT_TRUE(sim::InstallStationTransport(&error)) << error;
  ASSERT_TRUE(device::GetTransport());
  EXPECT_EQ(device::GetTransport()->ListDisks().size(), 32u);
}

TEST_F(StationTransportTest, WithoutKeysTheDefaultScenarioRuns) {
  scratch.WriteFile("Platform.ini", "[Time]\nScale=1\n");
  ASSERT_TRUE(sim::InstallStationTransport());
  EXPECT_EQ(device::GetTransport()->ListDisks().size(), 24u);
}

TEST_F(StationTransportTest, BrokenScenarioInstallsNothingAndSaysWhy) {
  scratch.WriteFile("Platform.ini", "[Device]\nScenario=Missing.ini\n");
  std::string error;
  EXPECT_FALSE(sim::InstallStationTransport(&error));
  EXPECT_EQ(error,
            ".\\Platform.ini line 2, [Device] Scenario: the scenario file .\\Configuration\\Sim\\Missing.ini does "
            "not exist.");
  EXPECT_FALSE(device::GetTransport());
}

TEST_F(StationTransportTest, SgChoosesTheScsiGenericDriver) {
  scratch.WriteFile("Platform.ini", "[Device]\nTransport=SG\n");
  ASSERT_TRUE(sim::InstallStationTransport());
  EXPECT_TRUE(std::dynamic_pointer_cast<device::SgTransport>(device::GetTransport()));
}

TEST_F(StationTransportTest, AnUnknownTransportOrABadTimeScaleStopsStartUpNamingFileLineAndKey) {
  EXPECT_EQ(RefusalOf("[Drives]\r\nStation=S\r\n[Device]\r\nTransport=usb\r\n"),
            ".\\Platform.ini line 4, [Device] Transport: \"usb\" is not a transport of this station (sim: the "
            "simulated station, sg: the SCSI generic driver for real drives).");
  EXPECT_EQ(RefusalOf("[Device]\r\nTransport=\r\n"),
            ".\\Platform.ini line 2, [Device] Transport: \"\" is not a transport of this station (sim: the "
            "simulated station, sg: the SCSI generic driver for real drives).");
  for (const char* scale : {"1e300", "-1", "11", "abc", "nan", "inf", "", "2x"}) {
    SCOPED_TRACE(scale);
    EXPECT_EQ(RefusalOf(std::string("[Time]\r\nScale=") + scale + "\r\n"),
              std::string(".\\Platform.ini line 2, [Time] Scale: \"") + scale +
                  "\" is refused: the time scale is a number from 0 to 10.");
  }
  // Real drives too: a bad scale is a bad setting whatever the transport.
  EXPECT_NE(RefusalOf("[Device]\r\nTransport=sg\r\n[Time]\r\nScale=100\r\n").find("[Time] Scale"),
            std::string::npos);
}

TEST_F(StationTransportTest, AScenarioThatCannotBeParsedStopsStartUp) {
  scratch.WriteFile("Configuration/Sim/Garbage.ini", std::string("\x7F" "ELF\x02\x01\x01\0\0\0garbage", 16));
  EXPECT_EQ(RefusalOf("[Device]\r\nScenario=Garbage.ini\r\n"),
            ".\\Configuration\\Sim\\Garbage.ini line 1: not a line of text (byte 0x7F)");
}

TEST_F(StationTransportTest, TheTimeScaleIsTheSimulatorsAloneAndTheSimulatorSaysItIsOne) {
  scratch.WriteFile("Platform.ini", "[Device]\r\nTransport=sim\r\n[Time]\r\nScale=0.25\r\n");
  ASSERT_TRUE(sim::InstallStationTransport());
  EXPECT_EQ(platform::TimeScale(), 0.25);
  EXPECT_EQ(device::GetTransport()->OperatorLabel(), "Simulated station");

  scratch.WriteFile("Platform.ini", "[Device]\r\nTransport=sg\r\n[Time]\r\nScale=0\r\n");
  platform::FlushProfileCache();
  ASSERT_TRUE(sim::InstallStationTransport());
  EXPECT_EQ(platform::TimeScale(), 1.0);
  EXPECT_EQ(device::GetTransport()->OperatorLabel(), "");
}

TEST_F(StationTransportTest, WithoutPlatformIniTheSimulatorIsTheDocumentedDefault) {
  std::filesystem::remove(scratch.Folder() / "Platform.ini");
  platform::FlushProfileCache();
  ASSERT_TRUE(sim::InstallStationTransport());
  EXPECT_EQ(device::GetTransport()->OperatorLabel(), "Simulated station");
  EXPECT_EQ(device::GetTransport()->ListDisks().size(), 24u);
  EXPECT_EQ(platform::TimeScale(), 1.0);
}

}  // namespace
