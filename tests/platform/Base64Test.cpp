// Base64: one, two and three bytes with their padding, byte-exact texts, decoding back, and
// texts that are cut short or carry characters outside the alphabet.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Base64.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Base64, OneTwoAndThreeBytesGiveFourCharactersWithTwoOneAndNoPadding) {
  EXPECT_EQ(platform::EncodeBase64(Bytes{0x01}), "AQ==");
  EXPECT_EQ(platform::EncodeBase64(Bytes{0x01, 0x02}), "AQI=");
  EXPECT_EQ(platform::EncodeBase64(Bytes{0x01, 0x02, 0x03}), "AQID");
  EXPECT_EQ(platform::DecodeBase64("AQ=="), (Bytes{0x01}));
  EXPECT_EQ(platform::DecodeBase64("AQI="), (Bytes{0x01, 0x02}));
  EXPECT_EQ(platform::DecodeBase64("AQID"), (Bytes{0x01, 0x02, 0x03}));
}

TEST(Base64, KnownTextsAndEveryByteValueRoundTrip) {
  EXPECT_EQ(platform::EncodeBase64(std::string_view("")), "");
  EXPECT_EQ(platform::EncodeBase64(std::string_view("foobar")), "Zm9vYmFy");
  EXPECT_EQ(platform::EncodeBase64(std::string_view("fooba")), "Zm9vYmE=");
  EXPECT_EQ(platform::EncodeBase64(Bytes{0xFB, 0xFF, 0xBF}), "+/+/");
  Bytes all(256);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(platform::DecodeBase64(platform::EncodeBase64(all)), all);
}

TEST(Base64, DecodingStopsAtTheFirstCharacterOutsideTheAlphabetAndGivesWhatItHolds) {
  EXPECT_EQ(platform::DecodeBase64("Zm9v\r\nYmFy"), (Bytes{'f', 'o', 'o'}));
  EXPECT_EQ(platform::DecodeBase64("Zm9vYg"), (Bytes{'f', 'o', 'o', 'b'}));
  EXPECT_EQ(platform::DecodeBase64("Z"), Bytes{});
  EXPECT_EQ(platform::DecodeBase64("===="), Bytes{});
  EXPECT_EQ(platform::DecodeBase64(""), Bytes{});
  EXPECT_EQ(platform::DecodeBase64("*AQID"), Bytes{});
}

}  // namespace
