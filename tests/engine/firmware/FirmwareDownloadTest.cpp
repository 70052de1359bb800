// Firmware into the simulated controller: program RAM, flash, DOWNLOAD MICROCODE, the ISP
// erase and the info code, with every tag and message of their failures.
#include <array>
#include <cstring>

#include "FirmwareFixture.h"
#include "device/records/InfoCode.h"

namespace {

using firmwaretest::Bytes;
using firmwaretest::FirmwareTest;
using firmwaretest::SampleSection;
using sim::FaultAction;
using testsupport::InfoBlockState;
using testsupport::OnBurner;
using testsupport::OnMpFirmware;
using testsupport::SetKey;

using LoadPramTest = FirmwareTest;

TEST_F(LoadPramTest, MpImageRunsAsBurnerCodeFromProgramRam) {
  ASSERT_EQ(device->LoadPRAMCode(0, ""), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Burner);
  EXPECT_EQ(Drive().FirmwareName(), "SBB2.0.1");
  const Bytes ram = SampleSection(false, true);
  EXPECT_EQ(ProgramRam(ram.size()), ram);
  EXPECT_TRUE(ReportHas("   Load PRAM Code SBB2.0.1 OK (FW\\MP\\TV3160_MP_Sample.bin) \r\n"));
}

TEST_F(LoadPramTest, RdtImageWhenAsked) {
  ASSERT_EQ(device->LoadPRAMCode(1, ""), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().FirmwareName(), "SBB2.0.2");
  const Bytes ram = SampleSection(true, true);
  EXPECT_EQ(ProgramRam(ram.size()), ram);
}

TEST_F(LoadPramTest, ImageFoundByItsNameInTheProgramFolder) {
  WriteImage("Elsewhere.bin", testsupport::SampleImage(false));
  SetKey(".\\param.ini", "Device Info", "ISP_MPBINCode", "D:\\Images\\Elsewhere.bin");
  ASSERT_EQ(device->LoadPRAMCode(0, ""), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("Load PRAM Code SBB2.0.1 OK (S:\\Elsewhere.bin)"));
}

TEST_F(LoadPramTest, ImageProblemsFailBeforeAnyByteIsSent) {
  SetKey(".\\param.ini", "Device Info", "ISP_MPBINCode", "");
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("A_x09", "ISP_MPBINCode of param.ini is empty");
  EXPECT_TRUE(HasFailRecord("A_x09"));

  SetKey(".\\param.ini", "Device Info", "ISP_MPBINCode", "FW\\MP\\Missing.bin");
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("A_x09", "MP BIN file fail!! Open BIN file S:\\Missing.bin Failed");

  Bytes broken = testsupport::SampleImage(true);
  broken[600] ^= 0xFF;
  WriteImage("FW/RDT/TV3160_RDT_Sample.bin", broken);
  const unsigned calls = DriveCalls();
  EXPECT_EQ(device->LoadPRAMCode(1, ""), 0);
  EXPECT_EQ(device->m_ErrorTag, "A_x09");
  EXPECT_EQ(device->m_ErrorMessage.rfind("RDT BIN file fail!! BIN PRAM code checksum ", 0), 0u);
  EXPECT_EQ(DriveCalls(), calls);
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);
}

TEST_F(LoadPramTest, BinTypeOfTheParameterFileWithItsSecondTypeAboveTheCeLimit) {
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_MPBinType", "7312");
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("S_x30", "Bin file fail!! BIN type 1 do not equal to ini(7312)");

  SetKey(".\\paramFDB.ini", "Flash Info", "Flash2ndBinCELimit", "2");
  SetKey(".\\paramFDB.ini", "Flash Info", "Flash2ndMPBinType", " 1 ");
  device->m_CECount = 2;
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);  // not above the limit: the first type applies
  device->m_CECount = 3;
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 1) << device->m_ErrorMessage;

  SetKey(".\\paramFDB.ini", "Flash Info", "Flash2ndBinCELimit", "17");
  Use(sim::DriveProfile{});
  device->m_CECount = 30;
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);  // a limit above 16 never applies
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_MPBinType", "");
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 1) << device->m_ErrorMessage;  // empty takes any image
}

TEST_F(LoadPramTest, DriveFailuresOfEachStage) {
  Use(OnBurner());  // program RAM is loaded only through boot code
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("I_x40", "Issue Write PRAM command Fail.(Sector 0)");
  EXPECT_TRUE(HasFailRecord("I_x40"));

  Use(sim::DriveProfile{});
  Fault("Read PRAM", FaultAction::Garbage);
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("I_x41", "PRAM code compare Fail.(Sector 0)");

  Use(sim::DriveProfile{});
  Fault("Read PRAM", FaultAction::Sense);
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("I_x41", "Issue Read PRAM command Fail.(Sector 0)");

  Use(sim::DriveProfile{});
  Fault("Start PRAM", FaultAction::Sense);
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("I_x42", "Issue Start PRAM command Fail.");
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);

  Use(sim::DriveProfile{});
  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->LoadPRAMCode(0, ""), 0);
  ExpectFailure("I_x87", "Issue Read Device Status command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x87"));
}

using ProgramFlashTest = FirmwareTest;

TEST_F(ProgramFlashTest, MpFirmwareIsProgrammedVerifiedAndStarted) {
  Use(OnBurner());
  ASSERT_EQ(device->ProgramFlashFirmware(0, 0), 1) << device->m_ErrorMessage;
  const Bytes flash = SampleSection(false, false);
  EXPECT_EQ(FlashCode(flash.size()), flash);
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Flash);
  EXPECT_EQ(Drive().FlashHolds(), sim::FlashFirmware::Mp);
  EXPECT_EQ(device->m_FirmwareName, "SBF20A01");
  EXPECT_EQ(device->m_RunOnFlashCode, 1);
  EXPECT_TRUE(ReportHas("   Program Flash Code SBF20A01 OK \r\n"));
  EXPECT_FALSE(ReportHas("Short, skip check running code!!"));
  // The firmware stays: after a power cycle the drive runs it again.
  Drive().PowerOff();
  Drive().PowerOn();
  EXPECT_EQ(Drive().FirmwareName(), "SBF20A01");
}

TEST_F(ProgramFlashTest, RdtFirmwareRunsAsTheRdtFirmware) {
  Use(OnBurner());
  ASSERT_EQ(device->ProgramFlashFirmware(1, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().FlashHolds(), sim::FlashFirmware::Rdt);
  EXPECT_EQ(device->m_RunRDTFirmware, 1);
  EXPECT_EQ(Drive().FirmwareName(), "RDT20A01");
}

TEST_F(ProgramFlashTest, ShortRunSkipsTheRunningCodeCheck) {
  Use(OnBurner());
  device->m_FirmwareName = "before";
  ASSERT_EQ(device->ProgramFlashFirmware(0, 1), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("   Short, skip check running code!! \r\n"));
  EXPECT_EQ(device->m_FirmwareName, "before");
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Flash);
}

TEST_F(ProgramFlashTest, FailuresOfEachStage) {
  EXPECT_EQ(device->ProgramFlashFirmware(0, 0), 0);  // boot code cannot program flash
  ExpectFailure("F_x92", "Issue Write Flash Code command Fail.(Sector 0)");
  EXPECT_TRUE(HasFailRecord("F_x92"));

  Use(OnBurner());
  Fault("Read Flash Code", FaultAction::Garbage, 2);
  EXPECT_EQ(device->ProgramFlashFirmware(0, 0), 0);
  ExpectFailure("F_x91", "Flash code verify Fail.(Sector 256)");
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Burner);  // not started

  Use(OnBurner());
  Fault("Read Flash Code", FaultAction::Sense);
  EXPECT_EQ(device->ProgramFlashFirmware(0, 0), 0);
  ExpectFailure("F_x90", "Issue Read Flash Code command Fail.(Sector 0)");

  Use(OnBurner());
  Fault("Start Flash Code", FaultAction::Sense);
  EXPECT_EQ(device->ProgramFlashFirmware(0, 0), 0);
  ExpectFailure("I_x43", "Issue Start Flash Code command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x43"));
}

TEST_F(ProgramFlashTest, StartedFirmwareIsKnownByTheNameOfItsImage) {
  // Flash code under a name of no known prefix still counts as the firmware just programmed.
  engine::firmware::ImageContents contents = engine::firmware::SampleImageContents(false);
  contents.flashCodeName = "XYZ99";
  WriteImage("FW/MP/TV3160_MP_Sample.bin", engine::firmware::BuildFirmwareImage(contents));
  Use(OnBurner());
  ASSERT_EQ(device->ProgramFlashFirmware(0, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->m_FirmwareName, "XYZ99");
  EXPECT_EQ(device->m_RunOnFlashCode, 1);
}

TEST_F(ProgramFlashTest, StartedFirmwareThatCannotBeIdentifiedFails) {
  Use(OnBurner());
  Fault("Read Firmware Name", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ProgramFlashFirmware(0, 0), 0);
  ExpectFailure("I_x64", "[ChkRC]Read Firmware Name Fail");
  EXPECT_TRUE(HasFailRecord("I_x64"));
}

using UpgradeTest = FirmwareTest;

TEST_F(UpgradeTest, DownloadMicrocodeReplacesTheRunningFirmware) {
  Use(OnMpFirmware(InfoBlockState::Blank));
  EXPECT_EQ(Drive().FirmwareName(), "SBF10A01");
  ASSERT_EQ(device->UpgradeFirmware(), 1) << device->m_ErrorMessage;
  const Bytes flash = SampleSection(false, false);
  EXPECT_EQ(FlashCode(flash.size()), flash);
  EXPECT_EQ(Drive().FirmwareName(), "SBF20A01");
  EXPECT_TRUE(ReportHas("   Download Microcode SBF20A01 OK \r\n"));
}

TEST_F(UpgradeTest, DriveWithoutTheMpFirmwareRefuses) {
  Use(OnBurner());
  EXPECT_EQ(device->UpgradeFirmware(), 0);
  ExpectFailure("F_x93", "Issue Download Microcode command Fail.(Sector 0)");
  EXPECT_TRUE(HasFailRecord("F_x93"));
}

using IspAreaTest = FirmwareTest;

TEST_F(IspAreaTest, EraseIspCodeLeavesNoFirmwareOnFlash) {
  Use(OnBurner());
  ASSERT_EQ(device->ProgramFlashFirmware(0, 1), 1);
  Drive().ForceToBoot();
  ASSERT_EQ(device->LoadPRAMCode(0, ""), 1);
  ASSERT_EQ(device->DoEraseISPCode(), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().FlashHolds(), sim::FlashFirmware::None);
  Drive().PowerOff();
  Drive().PowerOn();
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);
}

TEST_F(IspAreaTest, EraseIspCodeRefusedByBootCode) {
  EXPECT_EQ(device->DoEraseISPCode(), 0);
  ExpectFailure("F_x94", "Issue Erase ISP Code command Fail.");
  EXPECT_TRUE(HasFailRecord("F_x94"));
}

TEST_F(IspAreaTest, InfoCodeNamesTheMpFirmwareAndCountsItsUpdates) {
  std::array<std::uint8_t, 512> before{};
  before[0x100] = 0x5A;  // a byte the station does not name
  ASSERT_EQ(Drive().WriteInfoCode(before), sim::DriveStatus::Ok);
  ASSERT_EQ(device->UpdateInfoCode(), 1) << device->m_ErrorMessage;
  ASSERT_EQ(device->UpdateInfoCode(), 1) << device->m_ErrorMessage;
  std::array<std::uint8_t, 512> sector{};
  ASSERT_EQ(Drive().ReadInfoCode(sector), sim::DriveStatus::Ok);
  const Bytes flash = SampleSection(false, false);
  std::uint16_t sum = 0;
  for (std::uint8_t b : flash) sum = static_cast<std::uint16_t>(sum + b);
  const Bytes head(sector.begin(), sector.begin() + 0x18);
  const Bytes expected = {'T', 'V', 'I', 'C', 'S', 'B', 'F', '2', '0', 'A', '0', '1', '1', ' ', ' ', ' ',
                          static_cast<std::uint8_t>(flash.size()), static_cast<std::uint8_t>(flash.size() >> 8),
                          static_cast<std::uint8_t>(flash.size() >> 16), 0,
                          static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8), 2, 0};
  EXPECT_EQ(head, expected);
  EXPECT_EQ(sector[0x100], 0x5A);
  EXPECT_TRUE(ReportHas("   Update Info Code SBF20A01 OK \r\n"));
}

TEST_F(IspAreaTest, InfoCodeFailures) {
  Fault("Read Info Code", FaultAction::Sense);
  EXPECT_EQ(device->UpdateInfoCode(), 0);
  ExpectFailure("I_x48", "Issue Read Info Code command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x48"));
  Fault("Write Info Code", FaultAction::Sense);
  EXPECT_EQ(device->UpdateInfoCode(), 0);
  ExpectFailure("I_x49", "Issue Write Info Code command Fail.");
  Fault("Read Info Code", FaultAction::Garbage, 1);
  EXPECT_EQ(device->UpdateInfoCode(), 0);
  ExpectFailure("I_x49", "Info Code verify Fail.");
}

}  // namespace
