#include "engine/reports/SmartReport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using Page = std::array<std::uint8_t, 512>;

TEST(SmartSection, TwoAttributesThenTheZeroIdEndTheList) {
  Page page{};
  const std::uint8_t entries[] = {
      0x09, 0x10, 0x27, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 10,000 power-on hours
      0xC2, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // high 32 bits 1, low 5
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // end of the list
      0xAB, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // after the end: ignored
  };
  std::copy(std::begin(entries), std::end(entries), page.begin());
  const engine::SmartReportText text = engine::FormatSmartReport(page);
  EXPECT_EQ(text.lines,
            "   Smart ID - 09 : 0000000000002710\r\n"
            "   Smart ID - C2 : 0000000100000005\r\n");
  EXPECT_EQ(text.summary, "Smart ID*09 : (2710)*C2 : (05)*");
}

TEST(SmartSection, APageStartingWithIdZeroHasNoLines) {
  Page page{};
  page[1] = 0xFF;
  page[9] = 0x05;
  const engine::SmartReportText text = engine::FormatSmartReport(page);
  EXPECT_EQ(text.lines, "");
  EXPECT_EQ(text.summary, "Smart ID*");
}

TEST(SmartSection, AFullPageListsAll56AttributesAndSummarisesTheFirst32) {
  Page page{};
  for (std::size_t entry = 0; entry < 56; ++entry) {
    page[entry * 9] = static_cast<std::uint8_t>(entry + 1);
    page[entry * 9 + 8] = 0xFF;  // most significant byte of the value
  }
  page[504] = 0x77;  // the 8 bytes after the last whole entry are no entry
  const engine::SmartReportText text = engine::FormatSmartReport(page);
  std::size_t lines = 0;
  for (std::size_t at = text.lines.find("\r\n"); at != std::string::npos; at = text.lines.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 56u);
  EXPECT_NE(text.lines.find("   Smart ID - 38 : ff00000000000000\r\n"), std::string::npos);
  EXPECT_EQ(text.lines.find("Smart ID - 77"), std::string::npos);
  std::string summary = "Smart ID*";
  for (int id = 1; id <= 32; ++id) {
    char item[16];
    std::snprintf(item, sizeof(item), "%02X : (00)*", id);
    summary += item;
  }
  EXPECT_EQ(text.summary, summary);
}

}  // namespace
