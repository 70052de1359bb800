#include "device/Crc16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kCheckText = "123456789";

TEST(Crc16, TextVariantMatchesModbusCheckValue) {
  std::uint16_t value = 0;
  CCrc16::Init(value);
  EXPECT_EQ(value, 0xFFFF);
  CCrc16::UpdateString(value, kCheckText);
  EXPECT_EQ(value, 0x4B37);
}

TEST(Crc16, TextVariantRunsAcrossPieces) {
  std::uint16_t whole = 0;
  CCrc16::Init(whole);
  CCrc16::UpdateString(whole, "line one\r\nline two\r\n");
  std::uint16_t pieces = 0;
  CCrc16::Init(pieces);
  CCrc16::UpdateString(pieces, "line one\r\n");
  CCrc16::UpdateString(pieces, "line two\r\n");
  EXPECT_EQ(whole, pieces);
  // High bytes of code page 950 text are taken as unsigned.
  std::uint16_t high = 0;
  CCrc16::Init(high);
  CCrc16::UpdateString(high, "\xA2\x58");
  std::uint16_t expected = 0xFFFF;
  const std::uint8_t bytes[] = {0xA2, 0x58};
  CCrc16::UpdateBytes(expected, bytes, sizeof bytes);
  EXPECT_EQ(high, expected);
}

TEST(Crc16, TableVariantMatchesCcittFalseCheckValue) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(kCheckText.data());
  EXPECT_EQ(CCrc16::Ccitt(data, kCheckText.size()), 0x29B1);
  // Continuing from a partial value gives the same result as one pass.
  const std::uint16_t firstPart = CCrc16::Ccitt(data, 4);
  EXPECT_EQ(CCrc16::Ccitt(data + 4, kCheckText.size() - 4, firstPart), 0x29B1);
  EXPECT_EQ(CCrc16::Ccitt(data, 0), 0xFFFF);
}

}  // namespace

namespace {

// Eight bytes at a time give what byte after byte gives, at every length and start.
TEST(Crc16, LongTextsGiveTheValueOfOneByteAtATime) {
  std::string text;
  std::uint32_t state = 12345;
  for (int i = 0; i < 1000; ++i) {
    state = state * 1664525u + 1013904223u;
    text.push_back(static_cast<char>(state >> 24));
  }
  for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9},
                                   std::size_t{15}, std::size_t{16}, std::size_t{17}, std::size_t{999}}) {
    for (const std::uint16_t start : {std::uint16_t{0xFFFF}, std::uint16_t{0x1234}}) {
      std::uint16_t whole = start;
      CCrc16::UpdateString(whole, std::string_view(text).substr(0, length));
      std::uint16_t byByte = start;
      for (std::size_t i = 0; i < length; ++i) CCrc16::UpdateString(byByte, std::string_view(text).substr(i, 1));
      EXPECT_EQ(whole, byByte) << length;
    }
  }
  std::uint16_t check = 0xFFFF;
  CCrc16::UpdateString(check, "123456789");
  EXPECT_EQ(check, 0x4B37);
}

}  // namespace
