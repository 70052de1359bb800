#include "platform/StationSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <tuple>

#include "platform/Text.h"
#include "support/ScratchStation.h"

namespace {
using testsupport::ScratchStation;

std::string Lowered(const char* text) { return platform::ToLower(text); }

TEST(StationSettingsRegistry, ListsNoKeyTwice) {
  std::size_t count = 0;
  const settings::Key* const* keys = settings::AllKeys(count);
  ASSERT_GT(count, 0u);
  std::set<std::tuple<std::string, std::string, std::string>> seen;
  for (std::size_t i = 0; i < count; ++i) {
    ASSERT_NE(keys[i], nullptr);
    const auto id = std::make_tuple(Lowered(keys[i]->file), Lowered(keys[i]->section), Lowered(keys[i]->name));
    EXPECT_TRUE(seen.insert(id).second) << "listed twice: " << keys[i]->file << " [" << keys[i]->section
                                         << "] " << keys[i]->name;
  }
}

TEST(StationSettingsRegistry, EveryKeyIsNamedAndInAllKeys) {
  std::size_t count = 0;
  const settings::Key* const* keys = settings::AllKeys(count);
  std::set<const settings::Key*> listed(keys, keys + count);
  for (const settings::Key* key : {&settings::keys::TestStation, &settings::keys::TvU2A,
                                   &settings::keys::SetUIPage, &settings::keys::DebugEraseType}) {
    EXPECT_EQ(listed.count(key), 1u) << key->name;
  }
  for (std::size_t i = 0; i < count; ++i) {
    EXPECT_NE(std::string(keys[i]->file), "");
    EXPECT_NE(std::string(keys[i]->section), "");
    EXPECT_NE(std::string(keys[i]->name), "");
  }
}

// Keys come only from the one list: the header declares no Key constant of its own, and
// the list has as many entries as AllKeys.
TEST(StationSettingsRegistry, HeaderDeclaresKeysOnlyThroughTheList) {
  std::ifstream header(std::string(STATION_SOURCE_DIR) + "/src/platform/StationSettings.h");
  ASSERT_TRUE(header.is_open());
  std::size_t listEntries = 0;
  std::size_t keyDeclarations = 0;
  for (std::string line; std::getline(header, line);) {
    const std::string trimmed = platform::Trim(line);
    if (trimmed.rfind("X(", 0) == 0 && !trimmed.empty() && trimmed.back() == '\\') ++listEntries;
    if (trimmed.find("constexpr Key ") != std::string::npos) ++keyDeclarations;
  }
  std::size_t count = 0;
  settings::AllKeys(count);
  EXPECT_EQ(listEntries, count);
  EXPECT_EQ(keyDeclarations, 1u) << "declare keys only as X(...) lines of STATION_SETTINGS_KEYS";
}

TEST(StationSettingsAccess, MissingSettingsGiveTheRegisteredDefaults) {
  ScratchStation station;
  EXPECT_EQ(settings::ReadText(settings::keys::TestStation), "");
  EXPECT_EQ(settings::ReadInt(settings::keys::TvU2A), 1);
  EXPECT_EQ(settings::ReadInt(settings::keys::Language), 0);
}

TEST(StationSettingsAccess, ReadsAndWritesTheKeyOfItsFile) {
  ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini",
                    "[General Info]\r\nTestStation=EraseAll\r\nTV_U2A=0\r\n");
  EXPECT_EQ(settings::ReadText(settings::keys::TestStation), "EraseAll");
  EXPECT_EQ(settings::ReadText(settings::keys::TestStation, 6), "Erase");
  EXPECT_EQ(settings::ReadInt(settings::keys::TvU2A), 0);
  ASSERT_TRUE(settings::WriteText(settings::keys::TestStation, "MP"));
  EXPECT_EQ(station.ReadFile("Configuration/System/MPToolSetting.ini"),
            "[General Info]\r\nTestStation=MP\r\nTV_U2A=0\r\n");
  ASSERT_TRUE(settings::WriteText(settings::keys::Pretest, "2"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[Options]\r\nPretest=2\r\n");
  EXPECT_EQ(settings::ReadInt(settings::keys::Pretest), 2);
}

// A number that sets a limit is a whole decimal number in its range, or empty (the key's
// default); nothing else is read as a number, and the refusal names the key, its section and
// its file.
TEST(StationSettingsAccess, StrictNumbersTakeWholeNumbersInTheirRangeOnly) {
  ScratchStation station;
  const settings::StrictKey& key = settings::strict::ScanMaxBadPercent;  // 0 to 100, no default: empty is 0
  const struct {
    const char* value;
    std::optional<int> number;
  } cases[] = {{"", 0},          {" 25 ", 25},     {"0", 0},          {"100", 100},      {"101", std::nullopt},
               {"-1", std::nullopt}, {"abc", std::nullopt}, {"5%", std::nullopt}, {"2.5", std::nullopt},
               {"0x10", std::nullopt}, {"99999999999", std::nullopt}};
  for (const auto& item : cases) {
    SCOPED_TRACE(item.value);
    ASSERT_TRUE(settings::WriteText(*key.key, item.value));
    const settings::StrictNumber number = settings::ReadStrictInt(key);
    EXPECT_EQ(number.value, item.number);
    EXPECT_EQ(number.problem.empty(), item.number.has_value()) << number.problem;
  }
  ASSERT_TRUE(settings::WriteText(*key.key, "abc"));
  EXPECT_EQ(settings::ReadStrictInt(key).problem,
            "Scan_MaxBadPercent of [Options] in .\\param.ini is \"abc\": expected a whole number from 0 to 100");
  // Text cut to its buffer (SetSSDSize: 20 characters) is judged as cut.
  ASSERT_TRUE(settings::WriteText(settings::keys::SetSSDSize, "0000000000000000012345"));
  EXPECT_EQ(settings::ReadStrictInt(settings::strict::SetSSDSize).value, 12);

  const settings::StrictKey& list = settings::strict::AutoCapacitySizeArray;  // 1 to 1048576
  ASSERT_TRUE(settings::WriteText(*list.key, " 32, 64\t128 "));
  EXPECT_EQ(settings::ReadStrictIntList(list).values, (std::vector<int>{32, 64, 128}));
  ASSERT_TRUE(settings::WriteText(*list.key, ""));
  EXPECT_EQ(settings::ReadStrictIntList(list).values, std::vector<int>{});
  ASSERT_TRUE(settings::WriteText(*list.key, "32,,64GB"));
  const settings::StrictNumberList refused = settings::ReadStrictIntList(list);
  EXPECT_FALSE(refused.values);
  EXPECT_EQ(refused.problem, "AutoCapacity_SizeArray of [Options] in .\\paramFDB.ini is \"32,,64GB\": item \"64GB\" is "
                             "not a whole number from 1 to 1048576");
}

}  // namespace
