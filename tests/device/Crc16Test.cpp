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
