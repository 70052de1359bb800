// What the MP flow needs of the simulated drive beyond the erase flow: its DRAM kept in blocks
// and lost with the power, the bad-block scan on the MP firmware from flash, and the jump to
// boot code that restarts a drive running code from flash.
#include <gtest/gtest.h>

#include <cstring>

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

namespace {

// The address pattern a DRAM test writes: each word its byte address mixed with a key.
std::vector<std::uint8_t> AddressPattern(std::uint64_t firstSector, std::size_t sectors, std::uint32_t key) {
  std::vector<std::uint8_t> bytes(sectors * 512);
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const std::uint32_t word = static_cast<std::uint32_t>(firstSector * 512 + i) ^ key;
    std::memcpy(bytes.data() + i, &word, 4);
  }
  return bytes;
}

TEST(DramStore, PatternFillAndOtherSectorsAllReadBackAsWritten) {
  sim::DramStore dram(32768);  // 16 MB
  // 16 MB in the address pattern keep next to nothing of their bytes.
  for (std::uint64_t sector = 0; sector < 32768; sector += 128) {
    ASSERT_TRUE(dram.Write(sector, 128, AddressPattern(sector, 128, 0x5AA55AA5u)));
  }
  EXPECT_EQ(dram.KeptRawBytes(), 0u);
  EXPECT_EQ(dram.StoredBytes(), 16u * sim::DramStore::kBlockBytes);
  std::vector<std::uint8_t> read(128 * 512);
  ASSERT_TRUE(dram.Read(4096, 128, read));
  EXPECT_EQ(read, AddressPattern(4096, 128, 0x5AA55AA5u));

  // A sector of another key, one of a single byte, one that breaks the pattern in its last
  // byte, and ordinary bytes: each reads back exactly.
  const auto otherKey = AddressPattern(10, 1, 0x12345678u);
  const std::vector<std::uint8_t> fill(512, 0xC3);
  std::vector<std::uint8_t> almost = AddressPattern(11, 1, 0x5AA55AA5u);
  almost.back() ^= 0x80;
  const std::vector<std::uint8_t> ordinary = Pattern(1, 4);
  ASSERT_TRUE(dram.Write(10, 1, otherKey));
  ASSERT_TRUE(dram.Write(11, 1, almost));
  ASSERT_TRUE(dram.Write(12, 1, fill));
  ASSERT_TRUE(dram.Write(13, 1, ordinary));
  EXPECT_EQ(dram.KeptRawBytes(), 2u * 512);
  std::vector<std::uint8_t> four(4 * 512);
  ASSERT_TRUE(dram.Read(10, 4, four));
  std::vector<std::uint8_t> expected = otherKey;
  expected.insert(expected.end(), almost.begin(), almost.end());
  expected.insert(expected.end(), fill.begin(), fill.end());
  expected.insert(expected.end(), ordinary.begin(), ordinary.end());
  EXPECT_EQ(four, expected);

  // A sector written again takes its new form; the place of its bytes is used again.
  ASSERT_TRUE(dram.Write(11, 1, AddressPattern(11, 1, 7)));
  ASSERT_TRUE(dram.Write(13, 1, Pattern(1, 5)));
  EXPECT_EQ(dram.KeptRawBytes(), 2u * 512);
  std::vector<std::uint8_t> one(512);
  ASSERT_TRUE(dram.Read(11, 1, one));
  EXPECT_EQ(one, AddressPattern(11, 1, 7));
  ASSERT_TRUE(dram.Read(13, 1, one));
  EXPECT_EQ(one, Pattern(1, 5));
}

TEST(SimDriveForMp, AFailingDramShowsTheSameFlippedBitsWhateverTheStoreKeeps) {
  sim::DriveProfile profile;
  profile.dramFail = true;
  sim::SimDrive drive(profile, "SN");
  const std::vector<std::uint8_t> pattern = AddressPattern(256, 2, 0x5AA55AA5u);
  ASSERT_EQ(drive.WriteDram(256, pattern), sim::DriveStatus::Ok);
  std::vector<std::uint8_t> read(pattern.size());
  ASSERT_EQ(drive.ReadDram(256, read), sim::DriveStatus::Ok);
  std::vector<std::uint8_t> expected = pattern;
  for (std::size_t i = 0; i < expected.size(); i += 64) expected[i] ^= 0x01;
  EXPECT_EQ(read, expected);
}

}  // namespace
