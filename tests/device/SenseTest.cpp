// Sense data: both formats, the ATA status return, and bytes that lie about their length.
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
