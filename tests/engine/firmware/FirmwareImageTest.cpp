// The firmware image file: the header bytes where the summary page reads them, the sample
// images, and every check the loader makes before a byte goes to a drive.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/firmware/FirmwareImage.h"
#include "engine/firmware/SampleImages.h"
#include "support/ScratchStation.h"

namespace {

namespace fw = engine::firmware;
using Bytes = std::vector<std::uint8_t>;

fw::ImageContents SmallImage() {
  fw::ImageContents contents;
  contents.ramCodeName = "SBB2.0.1";
  contents.flashCodeName = "SBF20A01";
  contents.binType = "7312";
  contents.icVersionSuffix = "AB";
  contents.ramCode = Bytes(1000, 0x11);
  contents.flashCode = Bytes(700, 0x22);
  contents.buildTime = platform::LocalTime{2024, 12, 31, 23, 58, 7, 0, 2};
  return contents;
}

std::optional<fw::FirmwareImage> Parse(const Bytes& bytes, fw::ImageCheck& check) {
  return fw::ParseFirmwareImage(bytes, check);
}

fw::ImageError ErrorOf(const Bytes& bytes) {
  fw::ImageCheck check;
  const auto image = Parse(bytes, check);
  EXPECT_EQ(image.has_value(), check.error == fw::ImageError::None);
  EXPECT_EQ(check.message.empty(), check.error == fw::ImageError::None);
  return check.error;
}

void PutBigEndian32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

TEST(FirmwareImageFile, HeaderBytesSitWhereTheSummaryPageReadsThem) {
  const Bytes image = fw::BuildFirmwareImage(SmallImage());
  // RAM section: 512-byte head + 1000 bytes; flash section: 512 + 700.
  ASSERT_EQ(image.size(), 512u + 1512u + 1212u);
  const Bytes head(image.begin(), image.begin() + 23);
  const std::uint16_t ramSum = static_cast<std::uint16_t>(fw::SectionChecksum({image.data() + 512, 1512}));
  const std::uint16_t flashSum = static_cast<std::uint16_t>(fw::SectionChecksum({image.data() + 2024, 1212}));
  const Bytes expected = {'T', 'V', 0x31, 0x60, 0, 0, 0,
                          0x00, 0x00, 0x05, 0xE8,                     // RAM code size 1512
                          static_cast<std::uint8_t>(ramSum >> 8), static_cast<std::uint8_t>(ramSum), 0,
                          0x00, 0x00, 0x04, 0xBC,                     // flash code size 1212
                          static_cast<std::uint8_t>(flashSum >> 8), static_cast<std::uint8_t>(flashSum), 0,
                          'A', 'B'};
  EXPECT_EQ(head, expected);
  EXPECT_EQ(std::string(image.begin() + 0x20, image.begin() + 0x2C), "SBF20A017312");
  const Bytes tail(image.begin() + 503, image.begin() + 512);
  EXPECT_EQ(tail, (Bytes{0x20, 0x24, 0x12, 0x31, 0x23, 0x58, 0x07, 0x55, 0xAA}));
  // Each section starts with a head that names the code it holds.
  EXPECT_EQ(std::string(image.begin() + 512, image.begin() + 514), "TV");
  EXPECT_EQ(std::string(image.begin() + 512 + 0x20, image.begin() + 512 + 0x28), "SBB2.0.1");
  EXPECT_EQ(std::string(image.begin() + 2024 + 0x20, image.begin() + 2024 + 0x28), "SBF20A01");
}

TEST(FirmwareImageFile, BuiltImagesParseIntoTheirSections) {
  for (const bool rdt : {false, true}) {
    const fw::ImageContents contents = fw::SampleImageContents(rdt);
    fw::ImageCheck check;
    const auto image = Parse(fw::BuildFirmwareImage(contents), check);
    ASSERT_TRUE(image) << check.message;
    EXPECT_EQ(image->RamCodeName(), rdt ? "SBB2.0.2" : "SBB2.0.1");
    EXPECT_EQ(image->FlashCodeName(), rdt ? "RDT20A01" : "SBF20A01");
    EXPECT_EQ(image->BinType(), "1");
    EXPECT_EQ(image->ramSection.size(), 512 + contents.ramCode.size());
    EXPECT_EQ(image->flashSection.size(), 512 + contents.flashCode.size());
    EXPECT_TRUE(std::equal(contents.flashCode.begin(), contents.flashCode.end(), image->flashSection.begin() + 512));
    EXPECT_EQ(image->header.ramCodeChecksum.Get(), fw::SectionChecksum(image->ramSection));
  }
}

TEST(FirmwareImageFile, ChecksumIsTheSixteenBitSumOfTheBytes) {
  EXPECT_EQ(fw::SectionChecksum(Bytes{}), 0);
  EXPECT_EQ(fw::SectionChecksum(Bytes{0xFF, 0xFF, 0x02}), 0x0200);
  EXPECT_EQ(fw::SectionChecksum(Bytes(257, 0xFF)), static_cast<std::uint16_t>(257 * 0xFF));
}

TEST(FirmwareImageFile, EachBrokenPartIsRefusedWithItsReason) {
  const Bytes good = fw::BuildFirmwareImage(SmallImage());
  EXPECT_EQ(ErrorOf(good), fw::ImageError::None);
  EXPECT_EQ(ErrorOf(Bytes(good.begin(), good.begin() + 511)), fw::ImageError::TooShort);
  EXPECT_EQ(ErrorOf(Bytes(good.begin(), good.end() - 1)), fw::ImageError::SizeMismatch);
  Bytes longer = good;
  longer.push_back(0);
  EXPECT_EQ(ErrorOf(longer), fw::ImageError::SizeMismatch);

  Bytes mark = good;
  mark[1] = 'X';
  EXPECT_EQ(ErrorOf(mark), fw::ImageError::BadHeaderMark);
  Bytes closing = good;
  closing[511] = 0xAB;
  EXPECT_EQ(ErrorOf(closing), fw::ImageError::BadClosingMark);
  Bytes ic = good;
  ic[3] = 0x61;
  EXPECT_EQ(ErrorOf(ic), fw::ImageError::WrongIcVersion);
  Bytes ramByte = good;
  ramByte[512 + 600] ^= 0x01;
  EXPECT_EQ(ErrorOf(ramByte), fw::ImageError::RamChecksum);
  Bytes flashByte = good;
  flashByte[good.size() - 1] ^= 0x80;
  EXPECT_EQ(ErrorOf(flashByte), fw::ImageError::FlashChecksum);
}

TEST(FirmwareImageFile, SizesFromTheHeaderAreCheckedBeforeUse) {
  const Bytes good = fw::BuildFirmwareImage(SmallImage());
  Bytes huge = good;
  PutBigEndian32(huge, 7, 0xFFFFFFFF);
  EXPECT_EQ(ErrorOf(huge), fw::ImageError::BadSectionSize);
  Bytes wrap = good;  // sizes whose 32-bit sum would wrap round to the file's size
  PutBigEndian32(wrap, 7, 0x80000000u);
  PutBigEndian32(wrap, 14, 0x80000000u + 1212 + 1512);
  EXPECT_EQ(ErrorOf(wrap), fw::ImageError::BadSectionSize);
  Bytes headOnly = good;
  PutBigEndian32(headOnly, 7, 512);
  EXPECT_EQ(ErrorOf(headOnly), fw::ImageError::BadSectionSize);
  Bytes swapped = good;  // sizes that add up but split the file in the wrong place
  PutBigEndian32(swapped, 7, 1212);
  PutBigEndian32(swapped, 14, 1512);
  EXPECT_NE(ErrorOf(swapped), fw::ImageError::None);
}

TEST(FirmwareImageFile, SectionHeadsMustNameTheirCode) {
  fw::ImageContents contents = SmallImage();
  contents.flashCodeName = "";
  EXPECT_EQ(ErrorOf(fw::BuildFirmwareImage(contents)), fw::ImageError::BadSectionHead);
  contents.flashCodeName = "SBF\x01";
  EXPECT_EQ(ErrorOf(fw::BuildFirmwareImage(contents)), fw::ImageError::BadSectionHead);
}

TEST(FirmwareImageFile, LoadingReadsTheStationPath) {
  testsupport::ScratchStation station;
  const Bytes good = fw::BuildFirmwareImage(SmallImage());
  station.WriteFile("FW/MP/Good.bin", std::string(good.begin(), good.end()));
  fw::ImageCheck check;
  ASSERT_TRUE(fw::LoadFirmwareImage("FW\\MP\\Good.bin", check)) << check.message;
  EXPECT_FALSE(fw::LoadFirmwareImage("FW\\MP\\Missing.bin", check));
  EXPECT_EQ(check.error, fw::ImageError::CannotRead);
  EXPECT_EQ(check.message, "Open BIN file FW\\MP\\Missing.bin Failed");
  // A file larger than any image is refused without being read.
  station.WriteFile("FW/MP/Huge.bin", "");
  std::filesystem::resize_file(station.Folder() / "FW/MP/Huge.bin", fw::kMaxImageBytes + 1);
  EXPECT_FALSE(fw::LoadFirmwareImage("FW\\MP\\Huge.bin", check));
  EXPECT_EQ(check.error, fw::ImageError::TooLarge);
}

}  // namespace

namespace {

// Every drive of a pass shares one parse of an image while its file stays the same; a file
// written again (even at once, with the same size) is parsed again.
TEST(FirmwareImageFile, OneParseServesEveryLoadWhileTheFileStaysTheSame) {
  testsupport::ScratchStation station;
  const Bytes good = fw::BuildFirmwareImage(SmallImage());
  station.WriteFile("FW/MP/Good.bin", std::string(good.begin(), good.end()));
  fw::ImageCheck check;
  const auto first = fw::LoadFirmwareImageOnce("FW\\MP\\Good.bin", check);
  ASSERT_TRUE(first) << check.message;
  EXPECT_EQ(fw::LoadFirmwareImageOnce("FW\\MP\\Good.bin", check), first);
  EXPECT_EQ(first->ramSection, fw::LoadFirmwareImage("FW\\MP\\Good.bin", check)->ramSection);

  Bytes changed = good;
  changed[fw::kImageHeaderBytes + fw::kSectionHeadBytes] ^= 0x01;  // the RAM code's checksum no longer holds
  station.WriteFile("FW/MP/Good.bin", std::string(changed.begin(), changed.end()));
  EXPECT_FALSE(fw::LoadFirmwareImageOnce("FW\\MP\\Good.bin", check));
  EXPECT_EQ(check.error, fw::ImageError::RamChecksum);
  station.WriteFile("FW/MP/Good.bin", std::string(good.begin(), good.end()));
  const auto again = fw::LoadFirmwareImageOnce("FW\\MP\\Good.bin", check);
  ASSERT_TRUE(again);
  EXPECT_NE(again, first);
  EXPECT_EQ(again->flashSection, first->flashSection);
  // Missing files give the plain load's reason, every time.
  EXPECT_FALSE(fw::LoadFirmwareImageOnce("FW\\MP\\Missing.bin", check));
  EXPECT_EQ(check.message, "Open BIN file FW\\MP\\Missing.bin Failed");
}

}  // namespace
