// Sense data: both formats, the ATA status return, the ATA fields of fixed-format sense as
// Linux's libata has laid them out, and bytes that lie about their length.
#include <gtest/gtest.h>

#include <vector>

#include "device/Sense.h"

namespace {

using device::ParseSense;

TEST(SenseData, DescriptorFormatWithAnAtaReturnAfterAnotherDescriptor) {
  const std::vector<std::uint8_t> sense{0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 26,
                                        // information descriptor (code 0, 10 more bytes)
                                        0x00, 0x0A, 0x80, 0, 1, 2, 3, 4, 5, 6, 7, 8,
                                        // ATA status return, 48-bit
                                        0x09, 0x0C, 0x01, 0x00, 0x12, 0x34, 0xAA, 0x11, 0xBB, 0x22, 0xCC, 0x33,
                                        0xE0, 0x50};
  const auto info = ParseSense(sense);
  ASSERT_TRUE(info.valid);
  EXPECT_TRUE(info.descriptorFormat);
  EXPECT_TRUE(info.AtaInformationAvailable());
  EXPECT_FALSE(info.ReportsError());
  ASSERT_TRUE(info.hasAtaRegisters);
  EXPECT_EQ(info.ata.count, 0x1234);
  EXPECT_EQ(info.ata.lba, 0xCCBBAA332211ull);
  EXPECT_EQ(info.ata.device, 0xE0);
  EXPECT_EQ(info.ata.status, 0x50);
}

TEST(SenseData, DescriptorsThatRunPastTheBytesAreIgnored) {
  // The additional length claims more than came back, and the ATA descriptor is cut short.
  const std::vector<std::uint8_t> sense{0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 200, 0x09, 0x0C, 0x00, 0x04, 0, 0};
  const auto info = ParseSense(sense);
  ASSERT_TRUE(info.valid);
  EXPECT_EQ(info.senseKey, 0x0B);
  EXPECT_TRUE(info.ReportsError());
  EXPECT_FALSE(info.hasAtaRegisters);

  // A descriptor with a zero length field cannot stall the walk.
  const std::vector<std::uint8_t> zeros{0x72, 0x03, 0x11, 0x00, 0, 0, 0, 6, 0x05, 0x00, 0x05, 0x00, 0x05, 0x00};
  EXPECT_EQ(ParseSense(zeros).asc, 0x11);
}

TEST(SenseData, FixedFormat) {
  const std::vector<std::uint8_t> sense{0xF0, 0x00, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x04, 0, 0, 0, 0};
  const auto info = ParseSense(sense);
  ASSERT_TRUE(info.valid);
  EXPECT_FALSE(info.descriptorFormat);
  EXPECT_EQ(info.responseCode, 0x70);
  EXPECT_EQ(info.senseKey, device::kSenseMediumError);
  EXPECT_EQ(info.asc, 0x11);
  EXPECT_EQ(info.ascq, 0x04);
  EXPECT_FALSE(info.hasAtaRegisters);
  EXPECT_EQ(device::DescribeSense(info), "sense key 0x3, ASC 0x11, ASCQ 0x04");
}

// An ATA command the drive refuses (ABRT) comes back as libata answers it: fixed format
// before Linux 6.10 (the registers from byte 8 on) and since (from byte 3 on, as SAT has
// them), or descriptor format; ATA fields are read from fixed-format sense only where the
// command is an ATA PASS-THROUGH or the sense says it brings them.
TEST(SenseData, AtaRegistersOfFixedFormatSense) {
  using device::SenseOf;
  struct Case {
    const char* what;
    std::vector<std::uint8_t> sense;
    SenseOf command;
    bool registers;
    std::uint8_t error, status, device, count;
    std::uint64_t lba;
  };
  // The bytes a refused vendor command brought back from Linux 6.1's libata (AHCI).
  const std::vector<std::uint8_t> linux61{0x70, 0, 0x0B, 0, 0, 0, 0, 10, 0x04, 0x41, 0x40, 0, 0, 0, 0, 0, 0x80, 0};
  const Case cases[] = {
      {"Linux 6.1, refused", linux61, SenseOf::AtaPassThrough, true, 0x04, 0x41, 0x40, 0, 0},
      {"Linux 6.1, count and LBA", {0x70, 0, 0x0B, 0, 0, 0, 0, 10, 0x04, 0x51, 0xE0, 0x12, 0, 0, 0, 0, 0, 0x34},
       SenseOf::AtaPassThrough, true, 0x04, 0x51, 0xE0, 0x12, 0x34},
      {"Linux 6.10, refused", {0xF0, 0, 0x0B, 0x04, 0x41, 0x40, 0x12, 10, 0x80, 0x34, 0x56, 0x78, 0, 0, 0, 0, 0, 0},
       SenseOf::AtaPassThrough, true, 0x04, 0x41, 0x40, 0x12, 0x785634},
      {"Linux 6.10, CK_COND", {0xF0, 0, 0x01, 0, 0x50, 0x40, 0, 10, 0, 0, 0x4F, 0xC2, 0, 0x1D, 0, 0, 0, 0},
       SenseOf::AnyCommand, true, 0, 0x50, 0x40, 0, 0xC24F00},
      {"descriptor format, refused",
       {0x72, 0x0B, 0, 0, 0, 0, 0, 14, 0x09, 0x0C, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x41},
       SenseOf::AtaPassThrough, true, 0x04, 0x41, 0x40, 0, 0},
      {"another command's failing block", {0xF0, 0, 0x03, 0, 0, 0x12, 0x34, 10, 0, 0, 0, 0, 0x11, 0x04, 0, 0, 0, 0},
       SenseOf::AnyCommand, false, 0, 0, 0, 0, 0},
      {"Linux 6.1's bytes of another command", linux61, SenseOf::AnyCommand, false, 0, 0, 0, 0, 0},
      {"no ATA fields", {0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00, 0, 0, 0, 0}, SenseOf::AtaPassThrough,
       false, 0, 0, 0, 0, 0},
      {"registers cut by the additional length", {0x70, 0, 0x0B, 0, 0, 0, 0, 3, 0x04, 0x41, 0x40, 0x01},
       SenseOf::AtaPassThrough, false, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto info = ParseSense(c.sense, c.command);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.hasAtaRegisters, c.registers);
    if (!c.registers || !info.hasAtaRegisters) continue;
    EXPECT_EQ(info.ata.error, c.error);
    EXPECT_EQ(info.ata.status, c.status);
    EXPECT_EQ(info.ata.device, c.device);
    EXPECT_EQ(info.ata.count, c.count);
    EXPECT_EQ(info.ata.lba, c.lba);
  }
}

TEST(SenseData, ShortOrUnknownSense) {
  EXPECT_FALSE(ParseSense({}).valid);
  const std::vector<std::uint8_t> two{0x70, 0x00};
  EXPECT_FALSE(ParseSense(two).valid);
  const std::vector<std::uint8_t> unknown{0x7F, 0x00, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0};
  EXPECT_FALSE(ParseSense(unknown).valid);
  // Fixed format cut after the sense key: no ASC, no ATA fields.
  const std::vector<std::uint8_t> three{0x70, 0x00, 0x06};
  const auto info = ParseSense(three);
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(info.senseKey, device::kSenseUnitAttention);
  EXPECT_EQ(info.asc, 0);
}

}  // namespace
