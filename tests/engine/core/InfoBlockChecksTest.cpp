// The info block as the core reads and checks it, the good-card mark, the device-information
// check and the firmware on flash against the MP image.
#include <array>
#include <cstring>

#include "EngineFixture.h"
#include "device/records/InfoBlock.h"
#include "engine/firmware/FirmwareImage.h"
#include "support/DriveProfiles.h"

namespace {

using enginetest::EngineTest;
using sim::FaultAction;

// A drive on the MP firmware whose info block an MP run wrote, with the good mark.
sim::DriveProfile ProgrammedDrive(std::uint8_t goodMark = 0) {
  return testsupport::OnMpFirmware(testsupport::InfoBlockState::Written, goodMark);
}

TEST_F(EngineTest, DirectAccessInfoBlockReadsAndWrites) {
  Install(ProgrammedDrive());
  std::array<std::uint8_t, 512> block{};
  ASSERT_EQ(device->DirectAccessInfoBlock(block.data(), 0, 0), 1);
  EXPECT_EQ(std::memcmp(block.data(), "Tervid", 6), 0);
  EXPECT_TRUE(Drive().ApKeyEnabled());
  block[300] = 0x42;
  ASSERT_EQ(device->DirectAccessInfoBlock(block.data(), 1, 0), 1);
  EXPECT_EQ(DriveInfoBlock()[300], 0x42);
  std::array<std::uint8_t, 512> again{};
  ASSERT_EQ(device->ReadInfoBlock(again.data()), 1);
  EXPECT_EQ(again, block);

  Fault("Read Info Block", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->DirectAccessInfoBlock(block.data(), 0, 0), 0);
  ExpectFailure("I_x45", "Issue Read Info Block command Fail.");
  Fault("Write Info Block", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->DirectAccessInfoBlock(block.data(), 1, 0), 0);
  ExpectFailure("I_x47", "Issue Write Info Block command Fail.");
}

TEST_F(EngineTest, ReadInfoPageFillsTheEngineImage) {
  Install(ProgrammedDrive(0x01));
  ASSERT_EQ(device->ReadInfoPage(), 1);
  const auto block = DriveInfoBlock();
  EXPECT_TRUE(std::equal(block.begin(), block.end(), device->m_InfoBlockImage.begin()));

  device->WriteReportLine("START", 0);
  Fault("Read Info Block", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ReadInfoPage(), 0);
  ExpectFailure("I_D45", "Issue ReadInfoPage Command Failed!!!");
  EXPECT_TRUE(HasFailRecord("I_D45"));
}

TEST_F(EngineTest, WriteGoodCardMarkSetsTheStageMarkInByte511) {
  Install(ProgrammedDrive());
  ASSERT_EQ(device->WriteGoodCardMark(1), 1);
  EXPECT_EQ(DriveInfoBlock()[511], 0x01);
  ASSERT_EQ(device->WriteGoodCardMark(2), 1);
  EXPECT_EQ(DriveInfoBlock()[511], 0x03);
  ASSERT_EQ(device->WriteGoodCardMark(3), 1);
  EXPECT_EQ(DriveInfoBlock()[511], 0x07);
  ASSERT_EQ(device->WriteGoodCardMark(4), 1);
  EXPECT_EQ(DriveInfoBlock()[511], 0x17);
  // The rest of the block is the drive's own.
  EXPECT_EQ(std::memcmp(DriveInfoBlock().data(), "Tervid", 6), 0);

  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->WriteGoodCardMark(7), 0);
  ExpectFailure("I_Q10", "Unknown Good Card Mark stage(7)");
  Fault("Write Info Block", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->WriteGoodCardMark(1), 0);
  ExpectFailure("I_Q10", "Write Good Card Mark Fail.");
  EXPECT_TRUE(HasFailRecord("I_Q10"));
}

TEST_F(EngineTest, CheckInfoBlockOfAProgrammedDrivePasses) {
  Install(ProgrammedDrive());
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckInfoBlock(0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->m_IdentifiedSectors, sim::FlashGeometry{}.CapacitySectors());
  EXPECT_EQ(device->m_DriveSerial, "SIMSERIAL1");
}

TEST_F(EngineTest, CheckInfoBlockFailures) {
  // A drive whose flash ID is not the parameter file's.
  sim::DriveProfile otherFlash = ProgrammedDrive();
  otherFlash.geometry.flashId = {0x2C, 0x84, 0x64, 0x54, 0xA9, 0x00, 0x00};
  Install(otherFlash);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckInfoBlock(0), 0);
  EXPECT_EQ(device->m_ErrorTag, "I_x10");
  EXPECT_TRUE(HasFailRecord("I_x10"));
  EXPECT_EQ(device->CheckInfoBlock(1), 1) << "mode 1 skips the flash-ID check";

  // No info block at all.
  sim::DriveProfile blank = ProgrammedDrive();
  blank.infoBlockWritten = false;
  Install(blank);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckInfoBlock(0), 0);
  ExpectFailure("I_x46", "Info Block mark error.");

  // A block with another serial and another model than the drive reports (boot code
  // reports the drive's own identity, not the block's).
  sim::DriveProfile boot;
  boot.infoBlockWritten = true;
  Install(boot);
  device->WriteReportLine("START", 0);
  auto block = DriveInfoBlock();
  InfoBlockRecord record;
  std::memcpy(&record, block.data(), sizeof(record));
  record.serialNumber.Set("OTHERSERIAL");
  std::memcpy(block.data(), &record, sizeof(record));
  ASSERT_EQ(Drive().WriteInfoBlock(0, block), sim::DriveStatus::Ok);
  EXPECT_EQ(device->CheckInfoBlock(0), 0);
  ExpectFailure("S_x32", "Info Block SN(OTHERSERIAL) not match Device SN(SIMSERIAL1)");
  record.serialNumber.Set("SIMSERIAL1");
  record.modelNumber.Set("OTHER MODEL");
  std::memcpy(block.data(), &record, sizeof(record));
  ASSERT_EQ(Drive().WriteInfoBlock(0, block), sim::DriveStatus::Ok);
  EXPECT_EQ(device->CheckInfoBlock(0), 0);
  ExpectFailure("S_x33", "Info Block Model(OTHER MODEL) not match Device Model(TV3160 SATA SSD)");
  EXPECT_TRUE(HasFailRecord("S_x33"));
}

TEST_F(EngineTest, CheckInfoBlockFindsAHostProtectedArea) {
  Install(ProgrammedDrive());
  device->WriteReportLine("START", 0);
  // The capacity the drive reports beyond IDENTIFY: noise in the capacity answer.
  Fault("Read Capacity (16)", FaultAction::Garbage, 0, 0);
  EXPECT_EQ(device->CheckInfoBlock(0), 0);
  EXPECT_EQ(device->m_ErrorTag, "M_x55");
  EXPECT_EQ(device->m_ErrorMessage.rfind("HPA found(Identify ", 0), 0u);

  Slot().Faults().Clear();
  Fault("Read Capacity (16)", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckInfoBlock(0), 1);
  EXPECT_TRUE(ReportHas("   Read Capacity not supported, HPA not checked \r\n"));
}

TEST_F(EngineTest, VerifyDeviceInfoChecksFlashRunInfoAndGoodMark) {
  Install(ProgrammedDrive(0x01));
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->VerifyDeviceInfo(1, 0, nullptr), 1);
  EXPECT_EQ(device->m_CECount, 4u);
  EXPECT_EQ(device->VerifyDeviceInfo(4, 1, nullptr), 1);

  MpInfo info;
  std::memset(&info, 0, sizeof(info));
  info.signature.Set(kRdtInfoSignature);
  info.ceBitMap.Set(0x0003);
  std::array<std::uint8_t, 64> runInfo{};
  std::memcpy(runInfo.data(), &info, sizeof(info));
  EXPECT_EQ(device->VerifyDeviceInfo(1, 0, runInfo.data()), 1);
  info.ceBitMap.Set(0x0013);
  std::memcpy(runInfo.data(), &info, sizeof(info));
  EXPECT_EQ(device->VerifyDeviceInfo(1, 0, runInfo.data()), 0);
  ExpectFailure("S_x34", "Run Info CE Map(13) not match Device CE Map(F)");
  EXPECT_TRUE(HasFailRecord("S_x34"));
  // Without the signature the record is not run information.
  info.signature.Set("XXXX");
  std::memcpy(runInfo.data(), &info, sizeof(info));
  EXPECT_EQ(device->VerifyDeviceInfo(1, 0, runInfo.data()), 1);

  Install(ProgrammedDrive(0x02));
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->VerifyDeviceInfo(4, 0, nullptr), 1);
  EXPECT_EQ(device->VerifyDeviceInfo(4, 1, nullptr), 0);
  ExpectFailure("I_Q11", "Good Card Mark not found(02)");
  EXPECT_EQ(device->VerifyDeviceInfo(1, 1, nullptr), 1);

  Fault("GetSystemInfo", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->VerifyDeviceInfo(1, 0, nullptr), 0);
  ExpectFailure("I_x08", "Issue GetSystemInfo Command Failed.");
  EXPECT_TRUE(HasFailRecord("I_x08"));
}

class FlashFirmwareTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::firmware::ImageContents contents;
    contents.ramCodeName = "SBB2.0.1";
    contents.flashCodeName = "SBF20A01";
    contents.binType = "1";
    contents.ramCode.assign(3000, 0x11);
    contents.flashCode.resize(70000);
    for (std::size_t i = 0; i < contents.flashCode.size(); ++i) contents.flashCode[i] = static_cast<std::uint8_t>(i * 7);
    const std::vector<std::uint8_t> file = engine::firmware::BuildFirmwareImage(contents);
    station.WriteFile("FW/MP/TV3160_MP_Sample.bin", std::string(file.begin(), file.end()));
    engine::firmware::ImageCheck check;
    image = *engine::firmware::ParseFirmwareImage(file, check);
    sim::DriveProfile burner;
    burner.startOnBurner = true;
    Install(burner);
    device->WriteReportLine("START", 0);
  }
  engine::firmware::FirmwareImage image;
};

TEST_F(FlashFirmwareTest, FlashCodeThatIsTheImagePasses) {
  ASSERT_EQ(Drive().ProgramFlash(0, image.flashSection), sim::DriveStatus::Ok);
  EXPECT_EQ(device->VerifyFlashFirmware(), 1) << device->m_ErrorMessage;
}

TEST_F(FlashFirmwareTest, ADifferentByteOrNoImageFails) {
  std::vector<std::uint8_t> changed = image.flashSection;
  changed[66000] ^= 0x01;
  ASSERT_EQ(Drive().ProgramFlash(0, changed), sim::DriveStatus::Ok);
  EXPECT_EQ(device->VerifyFlashFirmware(), 0);
  ExpectFailure("F_x91", "Flash Code not match MP Bin at 0x101D0");
  EXPECT_TRUE(HasFailRecord("F_x91"));

  Fault("Read Flash Code", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->VerifyFlashFirmware(), 0);
  ExpectFailure("F_x90", "Issue Read Flash Code command Fail.");

  station.WriteFile("FW/MP/TV3160_MP_Sample.bin", "short");
  EXPECT_EQ(device->VerifyFlashFirmware(), 0);
  EXPECT_EQ(device->m_ErrorTag, "A_x09");
  EXPECT_EQ(device->m_ErrorMessage.rfind("Load MP Bin file fail: FW\\MP\\TV3160_MP_Sample.bin (", 0), 0u);
}

}  // namespace
