// What the RDT pretest, QC and RDT result stations need of the simulated drive: a flash that
// holds the firmware image an earlier run programmed (the QC station verifies it), and RDT
// firmware that the station programs running its test when it first starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ImageFiles.h"
#include "device/records/BadBlockTable.h"
#include "sim/FirmwareImageHeader.h"
#include "sim/SimDrive.h"

namespace {

std::span<const std::uint8_t> BytesOfText(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(FirmwareImageFile, TheFlashSectionFollowsTheHeaderAndTheProgramRamSection) {
  const simtest::ImageFile file = simtest::MakeImageFile("SBF77A01", 1024, 3000);
  const auto section = sim::FlashSectionOfImageFile(BytesOfText(file.bytes));
  ASSERT_TRUE(section.has_value());
  EXPECT_EQ(*section, file.flashSection);
  EXPECT_EQ(sim::FirmwareNameOfImage(*section), "SBF77A01");
  // Sizes that do not add up to the file's: no image.
  EXPECT_FALSE(sim::FlashSectionOfImageFile(BytesOfText(file.bytes + "x")).has_value());
  EXPECT_FALSE(sim::FlashSectionOfImageFile(BytesOfText(file.bytes.substr(0, file.bytes.size() - 1))).has_value());
  EXPECT_FALSE(sim::FlashSectionOfImageFile(BytesOfText(file.bytes.substr(0, 100))).has_value());
}

TEST(SimDriveForStations, AFlashThatHoldsAnImageRunsItUnderItsName) {
  sim::DriveProfile programmed;
  programmed.flashFirmware = sim::FlashFirmware::Mp;
  programmed.flashImage = simtest::MakeImageFile("SBF77A01").flashSection;
  programmed.infoBlockWritten = true;
  sim::SimDrive drive(programmed, "SN");
  EXPECT_EQ(drive.Code(), sim::RunningCode::Flash);
  EXPECT_EQ(drive.FirmwareName(), "SBF77A01");
  std::vector<std::uint8_t> read(programmed.flashImage.size() + 10);
  ASSERT_EQ(drive.ReadFlashCode(0, read), sim::DriveStatus::Ok);
  EXPECT_TRUE(std::equal(programmed.flashImage.begin(), programmed.flashImage.end(), read.begin()));
  EXPECT_EQ(read.back(), 0xFF);  // erased flash past the image

  // A drive without firmware on flash ignores an image.
  programmed.flashFirmware = sim::FlashFirmware::None;
  EXPECT_EQ(sim::SimDrive(programmed, "SN").Code(), sim::RunningCode::Boot);
}

// A drive on burner code whose flash the station programs with RDT firmware.
class ProgrammedRdt : public ::testing::Test {
 protected:
  ProgrammedRdt() {
    profile.startOnBurner = true;
    profile.badBlocks.laterBadPerCe = 2;
    profile.rdt.resultCode = 0x12;
  }
  void Program(sim::SimDrive& drive, const std::string& name) {
    const auto section = simtest::MakeImageFile(name).flashSection;
    ASSERT_EQ(drive.ProgramFlash(0, section), sim::DriveStatus::Ok);
  }
  sim::DriveProfile profile;
};

TEST_F(ProgrammedRdt, RunsItsTestWhenItFirstStartsWithTheResultsThePlanGives) {
  sim::SimDrive drive(profile, "SN");
  Program(drive, "RDT77A01");
  // Programmed, not started: the test has not run.
  EXPECT_FALSE(drive.RdtInfo().has_value());
  ASSERT_EQ(drive.StartFlashCode(), sim::DriveStatus::Ok);
  EXPECT_EQ(drive.FirmwareName(), "RDT77A01");
  const auto info = drive.RdtInfo();
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->resultWord.Get() & 0xFF, 0x12u);
  // The later failures it found are in the controller's table as RDT bad blocks.
  const BbtParameterRecord parameters = drive.BbtParameters();
  std::vector<std::uint8_t> table(parameters.tableSectors.Get() * 512u);
  ASSERT_EQ(drive.ReadBadBlockTable(0, parameters.tableSectors.Get(), table), sim::DriveStatus::Ok);
  EXPECT_GT(std::count_if(table.begin(), table.end(), [](std::uint8_t status) { return (status & kBlockRdtBad) != 0; }),
            0);
}

TEST_F(ProgrammedRdt, RunsOnlyOnceAndOnlyAsRdtFirmware) {
  sim::SimDrive drive(profile, "SN");
  Program(drive, "RDT77A01");
  drive.PowerOff();
  drive.PowerOn();  // started by the power-on as well
  ASSERT_TRUE(drive.RdtInfo().has_value());

  sim::SimDrive mp(profile, "SN");
  Program(mp, "SBF77A01");
  ASSERT_EQ(mp.StartFlashCode(), sim::DriveStatus::Ok);
  EXPECT_FALSE(mp.RdtInfo().has_value());
}

TEST_F(ProgrammedRdt, AnEraseBeforeTheStartTakesTheTestAway) {
  sim::SimDrive drive(profile, "SN");
  Program(drive, "RDT77A01");
  ASSERT_EQ(drive.EraseAll(9), sim::DriveStatus::Ok);
  EXPECT_EQ(drive.StartFlashCode(), sim::DriveStatus::Aborted);
  EXPECT_FALSE(drive.RdtInfo().has_value());
}

}  // namespace
