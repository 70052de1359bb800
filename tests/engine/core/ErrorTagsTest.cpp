// Error tags and their codes, and the generated ErrorCodeList.txt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
// GCC 12 warns of a maybe-uninitialised member inside libstdc++'s regex compiler (a false
// positive in the library's own code).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <set>
#include <sstream>

#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"

namespace {

TEST(ErrorTagToCode, KnownTagFallbackUnknownAndOtherTexts) {
  EXPECT_EQ(CMPDevice::ErrorTagToCode("A_x08"), "0x101");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("I_x06"), "0x406");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("P_A01"), "0x601");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("T_x07"), "0x805");
  // Not in the table with "T", found with "x": the callee's failure reported as its own.
  EXPECT_EQ(CMPDevice::ErrorTagToCode("I_T24"), CMPDevice::ErrorTagToCode("I_x24"));
  EXPECT_EQ(CMPDevice::ErrorTagToCode("I_S08"), CMPDevice::ErrorTagToCode("I_x08"));
  // In the table with its own phase letter: its own code.
  EXPECT_NE(CMPDevice::ErrorTagToCode("I_T01"), CMPDevice::ErrorTagToCode("I_x01"));
  EXPECT_EQ(CMPDevice::ErrorTagToCode("Z_x99"), "0xFFF");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("I_Z99"), "0xFFF");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("0_00"), "0xFFF");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("I_"), "0xFFF");
  // Texts that are not tags come back as they are; none is read past its end.
  EXPECT_EQ(CMPDevice::ErrorTagToCode("Pass"), "Pass");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("Testing"), "Testing");
  EXPECT_EQ(CMPDevice::ErrorTagToCode(""), "");
  EXPECT_EQ(CMPDevice::ErrorTagToCode("I"), "I");
}

TEST(ErrorTagTable, EveryTagOfTheStationIsListedOnceWithItsOwnCode) {
  const char* named[] = {
      "A_T08", "A_x08", "D_T07", "F_D01", "F_E03", "F_E04", "F_T27", "F_T31", "F_T32", "F_T36", "F_T37",
      "F_T38", "F_T40", "F_x50", "I_B06", "I_B67", "I_D45", "I_Q10", "I_T01", "I_T02", "I_T06", "I_T08",
      "I_T45", "I_T51", "I_T52", "I_T53", "I_T54", "I_T55", "I_V01", "I_V02", "I_x01", "I_x02", "I_x05",
      "I_x06", "I_x08", "I_x24", "I_x33", "I_x87", "M_T18", "M_T23", "M_T24", "M_T29", "M_T35", "M_T49",
      "M_T50", "M_T54", "P_A01", "P_x01", "S_T13", "S_T15", "S_T20", "S_x30", "S_x31", "S_xMA", "T_A13",
      "T_x02", "T_x06", "T_x07", "T_x08", "T_x18"};
  for (const char* tag : named) EXPECT_TRUE(engine::ErrorCodeOf(tag).has_value()) << tag;

  std::set<std::string> tags;
  std::set<std::uint32_t> codes;
  for (const engine::ErrorTagEntry& entry : engine::ErrorTagTable()) {
    const std::string tag = entry.tag;
    EXPECT_EQ(tag.size(), 5u) << tag;
    EXPECT_EQ(tag[1], '_') << tag;
    EXPECT_FALSE(std::string(entry.description).empty()) << tag;
    EXPECT_TRUE(tags.insert(tag).second) << "listed twice: " << tag;
    const auto code = engine::ErrorCodeOf(tag);
    ASSERT_TRUE(code.has_value()) << tag;
    EXPECT_LT(*code, engine::kUnknownErrorCode);
    EXPECT_TRUE(codes.insert(*code).second) << "code used twice: " << tag;
  }
}

TEST(ErrorTagTable, CodesAreTheClassBasePlusThePlaceInTheClass) {
  for (const engine::ErrorClass& errorClass : engine::ErrorClasses()) {
    std::uint32_t place = 0;
    for (const engine::ErrorTagEntry& entry : engine::ErrorTagTable()) {
      if (entry.tag[0] != errorClass.letter) continue;
      EXPECT_EQ(engine::ErrorCodeOf(entry.tag), errorClass.base + ++place) << entry.tag;
    }
    EXPECT_GT(place, 0u) << errorClass.letter;
  }
}

TEST(ErrorCodeList, OneLinePerTagInTableOrder) {
  const std::string text = engine::ErrorCodeListText();
  std::istringstream lines(text);
  std::string line;
  std::size_t index = 0;
  const auto table = engine::ErrorTagTable();
  while (std::getline(lines, line)) {
    ASSERT_LT(index, table.size());
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    const std::string expected =
        CMPDevice::ErrorTagToCode(table[index].tag) + "\t" + table[index].tag + "\t" + table[index].description;
    EXPECT_EQ(line, expected);
    ++index;
  }
  EXPECT_EQ(index, table.size());
  EXPECT_EQ(text.substr(0, 16), "0x101\tA_x08\tA fi");
}

#ifdef STATION_BINARY_DIR
// The file the build made is the table's text, byte for byte.
TEST(ErrorCodeList, TheGeneratedFileMatchesTheTable) {
  std::ifstream file(std::string(STATION_BINARY_DIR) + "/station/ErrorCodeList.txt", std::ios::binary);
  ASSERT_TRUE(file.good()) << "the build makes <build>/station/ErrorCodeList.txt";
  std::ostringstream bytes;
  bytes << file.rdbuf();
  EXPECT_EQ(bytes.str(), engine::ErrorCodeListText());
}
#endif

}  // namespace

// Every tag that the station's code can set must have its own entry, or the operator sees
// 0xFFF for it. The sources are scanned for tag literals ("I_x06", "F_x4A", ...).
TEST(ErrorTagTable, EveryTagLiteralOfTheSourcesIsInTheTable) {
  namespace fs = std::filesystem;
  const std::regex tagLiteral("\"([A-Z]_[A-Za-z][0-9A-Z]{2})\"");
  std::set<std::string> missing;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(STATION_SOURCE_DIR) / "src")) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
    std::ifstream file(entry.path());
    std::stringstream text;
    text << file.rdbuf();
    const std::string source = text.str();
    for (std::sregex_iterator it(source.begin(), source.end(), tagLiteral), end; it != end; ++it) {
      const std::string tag = (*it)[1];
      if (!engine::ErrorCodeOf(tag)) missing.insert(tag + " (" + entry.path().filename().string() + ")");
    }
  }
  EXPECT_TRUE(missing.empty()) << [&] {
    std::string list;
    for (const auto& tag : missing) list += tag + " ";
    return list;
  }();
}
