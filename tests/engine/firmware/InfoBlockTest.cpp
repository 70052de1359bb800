// The info block: its bytes as the builder lays them out from the settings, the serial number,
// the run information and the drive's own block, and ModifyInfoBlock on the simulated drive.
#include <array>
#include <cstring>
#include <string>

#include "FirmwareFixture.h"
#include "device/records/InfoBlock.h"
#include "engine/firmware/InfoBlockBuilder.h"

namespace {

namespace fw = engine::firmware;
using firmwaretest::Bytes;
using firmwaretest::FirmwareTest;
using sim::FaultAction;
using testsupport::OnBurner;
using testsupport::SetKey;

using Block = std::array<std::uint8_t, 512>;

Bytes Range(const Block& block, std::size_t offset, std::size_t size) {
  return Bytes(block.begin() + static_cast<std::ptrdiff_t>(offset),
               block.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

// A text as the drive's word-swapped fields keep it, padded with blanks.
Bytes Swapped(std::string text, std::size_t size) {
  text.resize(size, ' ');
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; i += 2) {
    bytes[i] = static_cast<std::uint8_t>(text[i + 1]);
    bytes[i + 1] = static_cast<std::uint8_t>(text[i]);
  }
  return bytes;
}

std::array<std::uint8_t, 64> SignedRunInfo() {
  std::array<std::uint8_t, 64> record{};
  std::memcpy(record.data(), "TVRT", 4);
  for (std::size_t i = 4; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i);
  std::memcpy(record.data() + 0x32, "T0B1", 4);
  return record;
}

class InfoBlockBuilderTest : public FirmwareTest {
 protected:
  fw::InfoBlockSources Sources() {
    fw::InfoBlockSources sources;
    sources.serialNumber = "TV3160ABCDEF00000042";
    sources.ceCount = 4;
    sources.capacityGB = 256;
    sources.now = platform::LocalTime{2016, 5, 12, 10, 30, 0, 0, 4};
    return sources;
  }
};

TEST_F(InfoBlockBuilderTest, FieldsFromTheSettingsSerialAndGeometry) {
  SetKey(".\\param.ini", "Device Info", "FormFactor", "2");
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_Interface", "3");
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_Clock", "4");
  SetKey(".\\param.ini", "Options", "Put_Thermal_Sensor", "1");
  SetKey(".\\param.ini", "Options", "DEVSLP_Enable", "2");
  SetKey(".\\param.ini", "Other", "SATA_SSC_Enable", "1");
  SetKey(".\\param.ini", "Options", "Set Firmware Name", "SBF20A01");
  SetKey(".\\param.ini", "Device Info", "MP_BoardType", "5");
  SetKey(".\\param.ini", "Options", "Temperature_Fixed", "70");
  const fw::BuiltInfoBlock built = fw::BuildInfoBlock(Sources());
  ASSERT_TRUE(built.error.empty()) << built.error;
  EXPECT_FALSE(built.tookRunInfo);
  const Block& b = built.block;
  EXPECT_EQ(Range(b, 0x000, 6), (Bytes{'T', 'e', 'r', 'v', 'i', 'd'}));
  EXPECT_EQ(Range(b, 0x012, 20), Swapped("TV3160ABCDEF00000042", 20));
  EXPECT_EQ(Range(b, 0x026, 40), Swapped("TV3160 SATA SSD", 40));
  EXPECT_EQ(b[0x04E], 1);
  EXPECT_EQ(Range(b, 0x04F, 8), Swapped("SBF20A01", 8));
  EXPECT_EQ(b[0x059], 4);
  EXPECT_EQ(b[0x062], 2);
  EXPECT_EQ(Range(b, 0x064, 4), (Bytes{0xB0, 0x32, 0xCF, 0x1D}));  // 500118192 sectors: 256 GB
  EXPECT_EQ(Range(b, 0x06B, 10), (Bytes{3, 4, 1, 0, 1, 1, 1, 0x07, 0x02, 0x7F}));
  EXPECT_EQ(b[0x0CC], 1);
  // MpInfo: reset, with the run switches of the settings.
  EXPECT_EQ(Range(b, 0x191, 15), Bytes(15, 0));
  EXPECT_EQ(Range(b, 0x1A0, 4), (Bytes{0x50, 0, 0, 0}));
  EXPECT_EQ(b[0x1A9], 70);
  // AP area: version 1.0 of "V1.0.0", scan limit 5, work order, tool, "APV", date, no mark.
  EXPECT_EQ(Range(b, 0x1D1, 2), (Bytes{1, 0}));
  EXPECT_EQ(b[0x1DB], 5);
  EXPECT_EQ(Range(b, 0x1DC, 16), (Bytes{'W', 'O', '0', '0', '0', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Range(b, 0x1F4, 12), (Bytes{0x01, 'A', 'P', 'V', 1, 0, 0x56, 0x4C, 0x79, 0, 0, 0}));
}

TEST_F(InfoBlockBuilderTest, SignedRunInformationIsTakenOver) {
  const auto record = SignedRunInfo();
  fw::InfoBlockSources sources = Sources();
  sources.runInfo64 = record.data();
  sources.takeRunInfo = true;
  const fw::BuiltInfoBlock built = fw::BuildInfoBlock(sources);
  ASSERT_TRUE(built.tookRunInfo);
  EXPECT_EQ(Range(built.block, 0x191, 64), Bytes(record.begin(), record.end()));
  EXPECT_EQ(Range(built.block, 0x1EC, 8), (Bytes{'0', 'T', '1', 'B', ' ', ' ', ' ', ' '}));

  sources.takeRunInfo = false;  // asked not to take it
  EXPECT_FALSE(fw::BuildInfoBlock(sources).tookRunInfo);
  auto unsigned_ = record;
  unsigned_[0] = 'X';
  sources.runInfo64 = unsigned_.data();
  sources.takeRunInfo = true;  // a record without the signature is not taken
  const fw::BuiltInfoBlock reset = fw::BuildInfoBlock(sources);
  EXPECT_FALSE(reset.tookRunInfo);
  EXPECT_EQ(Range(reset.block, 0x191, 15), Bytes(15, 0));
}

TEST_F(InfoBlockBuilderTest, DrivesOwnBlockGivesIdentityAndStageMarks) {
  Block device{};
  std::memcpy(device.data(), "Tervid", 6);
  const Bytes serial = Swapped("DRIVE-SERIAL-1", 20);
  std::copy(serial.begin(), serial.end(), device.begin() + 0x12);
  device[0x05A] = 0x34;  // WWN word 0
  device[0x1FF] = 0x03;  // MP and QC marks
  fw::InfoBlockSources sources = Sources();
  sources.deviceBlock512 = device.data();
  fw::BuiltInfoBlock built = fw::BuildInfoBlock(sources);
  EXPECT_EQ(Range(built.block, 0x012, 20), Swapped("TV3160ABCDEF00000042", 20));  // a new serial
  EXPECT_EQ(built.block[0x05A], 0);
  EXPECT_EQ(built.block[0x1FF], 0x03);
  sources.keepDeviceInfo = true;
  built = fw::BuildInfoBlock(sources);
  EXPECT_EQ(Range(built.block, 0x012, 20), serial);
  EXPECT_EQ(built.block[0x05A], 0x34);
  EXPECT_EQ(Range(built.block, 0x026, 40), Bytes(40, 0));  // the drive's (empty) model is kept
  device[0] = 'X';
  EXPECT_EQ(fw::BuildInfoBlock(sources).error, "Keep device info: the drive's info block has no Tervid mark");
}

TEST_F(InfoBlockBuilderTest, CapacityByTheIdemaRuleMustFitThirtyTwoBits) {
  EXPECT_EQ(fw::IdemaSectors(0), 0u);
  EXPECT_EQ(fw::IdemaSectors(1), 1974672u);
  EXPECT_EQ(fw::IdemaSectors(50), 97696368u);
  EXPECT_EQ(fw::IdemaSectors(2198), 4293822960u);
  fw::InfoBlockSources sources = Sources();
  sources.capacityGB = 2198;
  EXPECT_TRUE(fw::BuildInfoBlock(sources).error.empty());
  sources.capacityGB = 2199;
  EXPECT_EQ(fw::BuildInfoBlock(sources).error, "Capacity 2199 GB does not fit the info block");
}

TEST(InfoBlockVersion, MajorAndMinorOfTheBuildVersion) {
  EXPECT_EQ(fw::VersionNumbers("V1.2.3"), (std::array<std::uint8_t, 2>{1, 2}));
  EXPECT_EQ(fw::VersionNumbers("10.07"), (std::array<std::uint8_t, 2>{10, 7}));
  EXPECT_EQ(fw::VersionNumbers("V3"), (std::array<std::uint8_t, 2>{3, 0}));
  EXPECT_EQ(fw::VersionNumbers(""), (std::array<std::uint8_t, 2>{0, 0}));
  EXPECT_EQ(fw::VersionNumbers("V999.1"), (std::array<std::uint8_t, 2>{255, 1}));
}

using ModifyInfoBlockTest = FirmwareTest;

TEST_F(ModifyInfoBlockTest, SerialOnlyHandsOutWithoutTouchingTheDrive) {
  const unsigned calls = DriveCalls();
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(DriveCalls(), calls);
  EXPECT_EQ(device->m_SerialNumber, "00000000");
  EXPECT_EQ(device->m_SerialCounterText, "00000000");
  EXPECT_TRUE(ReportHas("   Serial Number : 00000000 \r\n"));
  ASSERT_EQ(device->MakeSerialNumber(), 1);
  EXPECT_EQ(device->m_SerialNumber, "00000001");
}

TEST_F(ModifyInfoBlockTest, BlockWithTheRunInformationIsWrittenAndKept) {
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  const auto record = SignedRunInfo();
  ASSERT_EQ(device->ModifyInfoBlock(0, 0, record.data(), 1), 1) << device->m_ErrorMessage;
  const Block block = DriveInfoBlock();
  EXPECT_EQ(Bytes(block.begin(), block.end()), device->m_InfoBlockImage);
  EXPECT_EQ(Range(block, 0x012, 20), Swapped("00000000", 20));
  EXPECT_EQ(Range(block, 0x191, 64), Bytes(record.begin(), record.end()));
  EXPECT_TRUE(ReportHas("   InfoBlock Get Temperature log 64 bytes \r\n   Write InfoBlock OK, SN: 00000000 \r\n"));

  ASSERT_EQ(device->ModifyInfoBlock(0, 0, record.data(), 0), 1);
  EXPECT_TRUE(ReportHas("   InfoBlock Reset Temperature log 64 bytes \r\n"));
  EXPECT_EQ(Range(DriveInfoBlock(), 0x191, 4), Bytes(4, 0));
}

TEST_F(ModifyInfoBlockTest, RewriteOfAProgrammedDriveKeepsItsSerialAndMarks) {
  sim::DriveProfile profile;
  profile.serialNumber = "QCSERIAL000000000077";
  profile.infoBlockWritten = true;
  profile.goodMark = 0x01;
  Use(profile);
  ASSERT_EQ(device->ModifyInfoBlock(0, 0, nullptr, 1), 1) << device->m_ErrorMessage;
  const Block block = DriveInfoBlock();
  EXPECT_EQ(Range(block, 0x012, 20), Swapped("QCSERIAL000000000077", 20));
  EXPECT_EQ(block[0x1FF], 0x01);
  EXPECT_TRUE(ReportHas("Write InfoBlock OK, SN: QCSERIAL000000000077"));
}

TEST_F(ModifyInfoBlockTest, KeepDeviceInfoNeedsTheDrivesBlock) {
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  EXPECT_EQ(device->ModifyInfoBlock(0, 1, nullptr, 1), 0);
  ExpectFailure("I_x46", "Keep_Device_Info: Info Block of the drive has no Tervid mark.");
  EXPECT_TRUE(HasFailRecord("I_x46"));

  sim::DriveProfile profile;
  profile.serialNumber = "KEPTSERIAL";
  profile.infoBlockWritten = true;
  Use(profile);
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  ASSERT_EQ(device->ModifyInfoBlock(0, 1, nullptr, 1), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Range(DriveInfoBlock(), 0x012, 20), Swapped("KEPTSERIAL", 20));
}

TEST_F(ModifyInfoBlockTest, NoSerialForABlankDrive) {
  EXPECT_EQ(device->ModifyInfoBlock(0, 0, nullptr, 1), 0);
  ExpectFailure("S_x40", "No Serial Number for Info Block.");
  EXPECT_TRUE(HasFailRecord("S_x40"));
  EXPECT_EQ(DriveInfoBlock(), Block{});
}

TEST_F(ModifyInfoBlockTest, SerialHandOutFailureIsRecorded) {
  station.WriteFile("SATA_Setting.ini", "[Global_Setting]\r\nLast SN=BROKEN\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 0);
  ExpectFailure("S_x40", "Last SN of SATA_Setting.ini is not a serial number (BROKEN)");
  EXPECT_TRUE(HasFailRecord("S_x40"));
  EXPECT_TRUE(device->m_SerialNumber.empty());
}

TEST_F(ModifyInfoBlockTest, UnreadableOwnBlockIsNotNeededUnlessKept) {
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  device->m_ErrorTag.clear();
  Fault("Read Info Block", FaultAction::Sense);
  ASSERT_EQ(device->ModifyInfoBlock(0, 0, nullptr, 1), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(device->m_ErrorTag.empty());
  Fault("Read Info Block", FaultAction::Sense);
  EXPECT_EQ(device->ModifyInfoBlock(0, 1, nullptr, 1), 0);
  EXPECT_FALSE(device->m_ErrorTag.empty());
  EXPECT_TRUE(HasFailRecord(device->m_ErrorTag));
}

TEST_F(ModifyInfoBlockTest, WriteAndVerifyFailures) {
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  Fault("Write Info Block", FaultAction::Sense);
  EXPECT_EQ(device->ModifyInfoBlock(0, 0, nullptr, 1), 0);
  EXPECT_FALSE(device->m_ErrorTag.empty());
  EXPECT_TRUE(HasFailRecord(device->m_ErrorTag));
  Fault("Read Info Block", FaultAction::Garbage, 1);
  EXPECT_EQ(device->ModifyInfoBlock(0, 0, nullptr, 1), 0);
  ExpectFailure("I_x47", "Info Block verify Fail.");
  EXPECT_TRUE(HasFailRecord("I_x47"));
}

}  // namespace
