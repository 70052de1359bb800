// The ".dll" and ".sot" images and the page's file names: literal records and slices, the
// chip-number rule with its refusals, and the lines the list box shows.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/bbt/BbtFileNames.h"
#include "pages/bbt/BbtImages.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A BBT parameter record: "DBTP", CE address bytes, then bytes 40..47 as given.
std::array<std::uint8_t, 64> Parameter(std::vector<std::uint8_t> addresses, std::uint8_t modulus, std::uint8_t shift,
                                       std::uint8_t divisor, std::uint8_t dividend, std::uint8_t unitsPerGroup,
                                       std::uint16_t tableSectors) {
  std::array<std::uint8_t, 64> record{};
  record[0] = 'D';
  record[1] = 'B';
  record[2] = 'T';
  record[3] = 'P';
  for (std::size_t ce = 0; ce < 16; ++ce) record[4 + ce] = ce < addresses.size() ? addresses[ce] : 0x3F;
  record[40] = modulus;
  record[41] = shift;
  record[42] = divisor;
  record[43] = dividend;
  record[44] = unitsPerGroup;
  record[45] = 1;
  record[46] = static_cast<std::uint8_t>(tableSectors);
  record[47] = static_cast<std::uint8_t>(tableSectors >> 8);
  return record;
}

// An image of 16 slices of n sectors whose slice k is filled with byte k + 1.
Bytes SotImage(std::size_t sliceSectors, std::size_t slices = 16) {
  Bytes image(slices * sliceSectors * 512);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i / (sliceSectors * 512) + 1);
  return image;
}

SotDriveGeometry Drive(std::uint32_t blocksPerCe = 1000) {
  SotDriveGeometry drive;
  drive.blocksPerCe = blocksPerCe;
  drive.unitsPerCe = 1;
  return drive;
}

TEST(DllImage, RecordsThenTheTableByteForByte) {
  const auto parameter = Parameter({0, 1}, 16, 0, 1, 2, 1, 1);
  std::array<std::uint8_t, 64> rdtInfo{'T', 'V', 'R', 'T'};
  rdtInfo[19] = 0x03;
  Bytes table(512 + 100, 0xAB);  // the engine's buffer may hold more than the table
  table[0] = 0x80;
  table[511] = 0x01;
  std::string problem;
  const auto image = BuildDllImage(parameter.data(), rdtInfo.data(), table, problem);
  ASSERT_TRUE(image) << problem;
  ASSERT_EQ(image->size(), 128u + 512u);
  EXPECT_EQ(Bytes(image->begin(), image->begin() + 4), (Bytes{'D', 'B', 'T', 'P'}));
  EXPECT_EQ((*image)[4], 0x00);
  EXPECT_EQ((*image)[5], 0x01);
  EXPECT_EQ((*image)[6], 0x3F);
  EXPECT_EQ((*image)[46], 0x01);
  EXPECT_EQ(Bytes(image->begin() + 64, image->begin() + 68), (Bytes{'T', 'V', 'R', 'T'}));
  EXPECT_EQ((*image)[64 + 19], 0x03);
  EXPECT_EQ((*image)[128], 0x80);
  EXPECT_EQ((*image)[129], 0xAB);
  EXPECT_EQ((*image)[128 + 511], 0x01);

  const auto back = ParseDllImage(*image, problem);
  ASSERT_TRUE(back) << problem;
  EXPECT_EQ(back->parameter, parameter);
  EXPECT_EQ(back->rdtInfo, rdtInfo);
  EXPECT_EQ(back->table, Bytes(table.begin(), table.begin() + 512));
}

TEST(DllImage, ATableOfNoSectorsIsJustTheTwoRecords) {
  const auto parameter = Parameter({0}, 16, 0, 1, 1, 1, 0);
  const std::array<std::uint8_t, 64> rdtInfo{};
  std::string problem;
  const auto image = BuildDllImage(parameter.data(), rdtInfo.data(), {}, problem);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), 128u);
}

TEST(DllImage, ATableBufferShorterThanTheTableOrAnImageOfAnotherSizeIsRefused) {
  const auto parameter = Parameter({0}, 16, 0, 1, 1, 1, 2);
  const std::array<std::uint8_t, 64> rdtInfo{};
  std::string problem;
  EXPECT_FALSE(BuildDllImage(parameter.data(), rdtInfo.data(), Bytes(1023), problem));
  EXPECT_NE(problem.find("1023"), std::string::npos);

  Bytes image(128 + 1024);
  std::copy(parameter.begin(), parameter.end(), image.begin());
  EXPECT_TRUE(ParseDllImage(image, problem));
  image.pop_back();
  EXPECT_FALSE(ParseDllImage(image, problem));
  image.resize(127);
  EXPECT_FALSE(ParseDllImage(image, problem));
  EXPECT_FALSE(ParseDllImage({}, problem));
}

TEST(SotWrite, EveryPresentCeGetsItsSliceWithTheFirstSectorSealed) {
  // 1000 blocks per CE: two sectors a slice; CEs 0, 1 and 3 present (CE 2 marked absent).
  const auto parameter = Parameter({0, 1, 0x3F, 3}, 16, 0, 1, 3, 1, 8);
  const Bytes image = SotImage(2);
  ASSERT_EQ(image.size(), 16u * 2 * 512);
  std::string problem;
  const auto plan = PlanSotWrite(image, parameter.data(), Drive(1000), problem);
  ASSERT_TRUE(plan) << problem;
  EXPECT_EQ(plan->sliceSectors, 2u);
  ASSERT_EQ(plan->writes.size(), 3u);
  EXPECT_EQ(plan->writes[0].ce, 0u);
  EXPECT_EQ(plan->writes[1].ce, 1u);
  EXPECT_EQ(plan->writes[2].ce, 3u);
  EXPECT_EQ(plan->writes[2].chip, 3);
  const Bytes& slice = plan->writes[2].slice;
  ASSERT_EQ(slice.size(), 1024u);
  // Slice 3 is all 0x04: the sum of bytes 0..509 is 510 x 4 = 0x07F8, little-endian at 510.
  EXPECT_EQ(slice[0], 0x04);
  EXPECT_EQ(slice[509], 0x04);
  EXPECT_EQ(slice[510], 0xF8);
  EXPECT_EQ(slice[511], 0x07);
  // The second sector goes out as it is in the file.
  EXPECT_EQ(slice[1022], 0x04);
  EXPECT_EQ(slice[1023], 0x04);
}

TEST(SotWrite, ChipNumbersFollowTheAddressingModeAndTheUnitShift) {
  // Addresses 0x09 and 0x12: mode 1 takes them as they are, mode 2 gives (a mod 8) x 2 + a / 8.
  const auto plain = Parameter({0x09, 0x12}, 64, 0, 1, 4, 2, 8);
  const Bytes image = SotImage(1);
  SotDriveGeometry drive = Drive(500);
  std::string problem;
  auto plan = PlanSotWrite(image, plain.data(), drive, problem);
  ASSERT_TRUE(plan) << problem;
  EXPECT_EQ(plan->writes[0].chip, 0x09);
  EXPECT_EQ(plan->writes[1].chip, 0x12);
  drive.addressingMode = 2;
  plan = PlanSotWrite(image, plain.data(), drive, problem);
  ASSERT_TRUE(plan) << problem;
  EXPECT_EQ(plan->writes[0].chip, 3);   // 1 x 2 + 1
  EXPECT_EQ(plan->writes[1].chip, 6);   // 2 x 2 + 2
  // With the shift on, 5 units per CE and 2 units a group: q = 4, (4 / 2) x (dividend 4 /
  // divisor 1) = 8 is added before the modulus 10.
  const auto shifted = Parameter({0x09, 0x12}, 10, 1, 1, 4, 2, 8);
  drive.addressingMode = 1;
  drive.unitsPerCe = 5;
  plan = PlanSotWrite(image, shifted.data(), drive, problem);
  ASSERT_TRUE(plan) << problem;
  EXPECT_EQ(plan->writes[0].chip, (0x09 + 8) % 10);
  EXPECT_EQ(plan->writes[1].chip, (0x12 + 8) % 10);
}

TEST(SotWrite, CesOutsideTheMapInUseOrWithoutUnitsOfTheirOwnAreSkipped) {
  const auto parameter = Parameter({0, 1, 2, 3}, 16, 0, 1, 4, 1, 8);
  const Bytes image = SotImage(1);
  SotDriveGeometry drive = Drive(400);
  drive.ceMapInUse = 0x0A;  // CEs 1 and 3
  std::string problem;
  auto plan = PlanSotWrite(image, parameter.data(), drive, problem);
  ASSERT_TRUE(plan);
  ASSERT_EQ(plan->writes.size(), 2u);
  EXPECT_EQ(plan->writes[0].ce, 1u);
  EXPECT_EQ(plan->writes[1].ce, 3u);
  drive.ceMapInUse = 0;
  drive.ceNumberedByMap = true;
  drive.systemCeMap = 0x5;  // CEs 0 and 2
  plan = PlanSotWrite(image, parameter.data(), drive, problem);
  ASSERT_TRUE(plan);
  ASSERT_EQ(plan->writes.size(), 2u);
  EXPECT_EQ(plan->writes[0].ce, 0u);
  EXPECT_EQ(plan->writes[1].ce, 2u);
}

TEST(SotWrite, AWriteBackIsRefusedWholeBeforeItsFirstWrite) {
  const auto parameter = Parameter({0, 1}, 16, 0, 1, 2, 1, 8);
  std::string problem;
  // Fifteen slices and a byte short of sixteen.
  Bytes image = SotImage(2, 15);
  EXPECT_FALSE(PlanSotWrite(image, parameter.data(), Drive(1000), problem));
  image = SotImage(2);
  image.pop_back();
  EXPECT_FALSE(PlanSotWrite(image, parameter.data(), Drive(1000), problem));
  EXPECT_EQ(SotImageShortfall(16 * 1024 - 1, 1000).value_or(""),
            "the image holds 16383 bytes, 16 slices of 1024 bytes need 16384");
  EXPECT_FALSE(SotImageShortfall(16 * 1024, 1000));
  EXPECT_TRUE(SotImageShortfall(1 << 20, 0));  // a drive without blocks has no slice size
  image = SotImage(2);
  // A record without "DBTP" (the zero record of a failed read).
  const std::array<std::uint8_t, 64> zero{};
  EXPECT_FALSE(PlanSotWrite(image, zero.data(), Drive(1000), problem));
  EXPECT_NE(problem.find("DBTP"), std::string::npos);
  // An addressing mode that is neither 1 nor 2.
  SotDriveGeometry drive = Drive(1000);
  drive.addressingMode = 3;
  EXPECT_FALSE(PlanSotWrite(image, parameter.data(), drive, problem));
  drive.addressingMode = 0;
  EXPECT_FALSE(PlanSotWrite(image, parameter.data(), drive, problem));
  // A divisor of 0 in use: the modulus, or the shift's divisor or group size with the shift on.
  EXPECT_FALSE(PlanSotWrite(image, Parameter({0, 1}, 0, 0, 1, 2, 1, 8).data(), Drive(1000), problem));
  EXPECT_FALSE(PlanSotWrite(image, Parameter({0, 1}, 16, 1, 0, 2, 1, 8).data(), Drive(1000), problem));
  EXPECT_FALSE(PlanSotWrite(image, Parameter({0, 1}, 16, 1, 1, 2, 0, 8).data(), Drive(1000), problem));
  EXPECT_NE(problem.find("divides by 0"), std::string::npos);
  // Unused, a zero divisor does no harm.
  EXPECT_TRUE(PlanSotWrite(image, Parameter({0, 1}, 16, 0, 0, 2, 0, 8).data(), Drive(1000), problem));
}

TEST(BbtFileNames, ImagesAndCompanionsAreNamedAfterTheLastFourCharacters) {
  EXPECT_EQ(NamedAfter("C:\\bbt\\table.txt", kDllExtension).value_or(""), "C:\\bbt\\table.dll");
  EXPECT_EQ(NamedAfter("table.sot", kTextExtension).value_or(""), "table.txt");
  EXPECT_EQ(NamedAfter("/tmp/abcd", kSotExtension).value_or(""), "/tmp/.sot");
  EXPECT_FALSE(NamedAfter("/tmp/dir.txt/abc", kSotExtension));
  EXPECT_FALSE(NamedAfter("", kTextExtension));
  EXPECT_EQ(ImageNameOf("table.txt", kSotExtension).value_or(""), "table.sot");
  // The image never takes the text file's own name.
  EXPECT_EQ(ImageNameOf("table.DLL", kDllExtension).value_or(""), "table.DLL.dll");
  EXPECT_EQ(ImageNameOf("table.sot", kSotExtension).value_or(""), "table.sot.sot");
  EXPECT_EQ(ImageNameOf("table.sot", kDllExtension).value_or(""), "table.dll");
  EXPECT_FALSE(ImageNameOf("a.t", kDllExtension));

  EXPECT_TRUE(HasSotExtension("x\\table.sot"));
  EXPECT_TRUE(HasSotExtension("TABLE.SOT"));
  EXPECT_FALSE(HasSotExtension("sot\\table.txt"));
  EXPECT_FALSE(HasSotExtension("table.sota"));
  EXPECT_FALSE(HasSotExtension("sot"));
}

TEST(BbtFileNames, ListedLinesAreCutAtTheirEndsAndAt511Characters) {
  EXPECT_EQ(ListedLines("[Bad Block File]\r\nCE Count=4  \t\r\n\r\nlast"),
            (std::vector<std::string>{"[Bad Block File]", "CE Count=4", "", "last"}));
  EXPECT_TRUE(ListedLines("").empty());
  const std::string longLine(600, 'x');
  const std::vector<std::string> lines = ListedLines(longLine + "\r\nnext\r\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(511, 'x'));
  EXPECT_EQ(lines[1], std::string(89, 'x'));
  EXPECT_EQ(lines[2], "next");
  // A line of exactly 511 characters leaves its line end for a line of its own, as a line
  // reader of 512 bytes does.
  EXPECT_EQ(ListedLines(std::string(511, 'y') + "\n").size(), 2u);
}

}  // namespace
