// What the MP flow needs of the simulated drive beyond the erase flow: its DRAM kept in blocks
// and lost with the power, the bad-block scan on the MP firmware from flash, and the jump to
// boot code that restarts a drive running code from flash.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "sim/DramStore.h"
#include "sim/SimDrive.h"

namespace {

std::vector<std::uint8_t> Pattern(std::size_t sectors, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(sectors * 512);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

TEST(DramStore, KeepsWhatIsWrittenAcrossBlocksAndReadsZerosElsewhere) {
  sim::DramStore dram(8192);  // 4 MB: four blocks
  EXPECT_EQ(dram.StoredBytes(), 0u);
  // 128 sectors from sector 2000: the piece crosses from the first block into the second.
  const std::vector<std::uint8_t> piece = Pattern(128, 3);
  ASSERT_TRUE(dram.Write(2000, 128, piece));
  EXPECT_EQ(dram.StoredBytes(), 2 * sim::DramStore::kBlockBytes);
  std::vector<std::uint8_t> read(piece.size());
  ASSERT_TRUE(dram.Read(2000, 128, read));
  EXPECT_EQ(read, piece);
  // Sectors around it, in the same blocks, were never written.
  std::vector<std::uint8_t> around(2 * 512, 0xEE);
  ASSERT_TRUE(dram.Read(1999, 1, std::span<std::uint8_t>(around).first(512)));
  ASSERT_TRUE(dram.Read(2128, 1, std::span<std::uint8_t>(around).last(512)));
  EXPECT_EQ(around, std::vector<std::uint8_t>(2 * 512, 0));
  ASSERT_TRUE(dram.Read(8191, 1, std::span<std::uint8_t>(around).first(512)));
  EXPECT_EQ(around[0], 0);
}

TEST(DramStore, RefusesRangesPastItsEndAndBuffersOfAnotherSize) {
  sim::DramStore dram(8192);
  std::vector<std::uint8_t> bytes(1024);
  EXPECT_FALSE(dram.Write(8191, 2, bytes));
  EXPECT_FALSE(dram.Read(8192, 1, std::span<std::uint8_t>(bytes).first(512)));
  EXPECT_FALSE(dram.Write(0, 1, bytes));
  EXPECT_FALSE(dram.Read(~std::uint64_t{0}, 2, bytes));
  EXPECT_EQ(dram.StoredBytes(), 0u);
}

TEST(DramStore, ClearForgetsEverything) {
  sim::DramStore dram(8192);
  const std::vector<std::uint8_t> piece = Pattern(4, 9);
  ASSERT_TRUE(dram.Write(0, 4, piece));
  dram.Clear();
  EXPECT_EQ(dram.StoredBytes(), 0u);
  std::vector<std::uint8_t> read(piece.size(), 0xEE);
  ASSERT_TRUE(dram.Read(0, 4, read));
  EXPECT_EQ(read, std::vector<std::uint8_t>(piece.size(), 0));
}

TEST(SimDriveForMp, TheDramLosesItsContentsWhenThePowerGoesOff) {
  sim::SimDrive drive(sim::DriveProfile{}, "SN");
  const std::vector<std::uint8_t> piece = Pattern(2, 1);
  ASSERT_EQ(drive.WriteDram(10, piece), sim::DriveStatus::Ok);
  std::vector<std::uint8_t> read(piece.size());
  ASSERT_EQ(drive.ReadDram(10, read), sim::DriveStatus::Ok);
  EXPECT_EQ(read, piece);
  drive.PowerOff();
  drive.PowerOn();
  ASSERT_EQ(drive.ReadDram(10, read), sim::DriveStatus::Ok);
  EXPECT_EQ(read, std::vector<std::uint8_t>(piece.size(), 0));
}

TEST(SimDriveForMp, TheScanRunsOnTheBurnerCodeAndOnTheMpFirmwareOnly) {
  sim::DriveProfile onBoot;
  EXPECT_EQ(sim::SimDrive(onBoot, "SN").ScanFlash(false), sim::DriveStatus::Aborted);
  sim::DriveProfile onBurner;
  onBurner.startOnBurner = true;
  EXPECT_EQ(sim::SimDrive(onBurner, "SN").ScanFlash(true), sim::DriveStatus::Ok);
  sim::DriveProfile onMp;
  onMp.flashFirmware = sim::FlashFirmware::Mp;
  EXPECT_EQ(sim::SimDrive(onMp, "SN").ScanFlash(false), sim::DriveStatus::Ok);
  sim::DriveProfile onRdt;
  onRdt.flashFirmware = sim::FlashFirmware::Rdt;
  EXPECT_EQ(sim::SimDrive(onRdt, "SN").ScanFlash(false), sim::DriveStatus::Aborted);
}

TEST(SimDriveForMp, AJumpToBootFromCodeOnFlashRestartsTheFirmwareOnFlash) {
  sim::DriveProfile onMp;
  onMp.flashFirmware = sim::FlashFirmware::Mp;
  sim::SimDrive drive(onMp, "SN");
  ASSERT_EQ(drive.SetApKey(), sim::DriveStatus::Ok);
  ASSERT_EQ(drive.JumpToBoot(), sim::DriveStatus::Ok);
  EXPECT_EQ(drive.Code(), sim::RunningCode::Flash);
  EXPECT_FALSE(drive.ApKeyEnabled());  // a restart: vendor access must be enabled again
  // The force to boot code stays on boot code; a jump from there too.
  ASSERT_EQ(drive.ForceToBoot(), sim::DriveStatus::Ok);
  ASSERT_EQ(drive.JumpToBoot(), sim::DriveStatus::Ok);
  EXPECT_EQ(drive.Code(), sim::RunningCode::Boot);
}

}  // namespace
