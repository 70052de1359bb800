#include "device/StationHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/Debug.h"
#include "platform/Text.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

void SetStation(const ScratchStation& station, const std::string& name) {
  station.WriteFile("Configuration/System/MPToolSetting.ini",
                    "[General Info]\r\nTestStation=" + name + "\r\n");
}

TEST(StationHelpers, StationIndexOfEveryName) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"EraseAll", 0}, {"RDT", 1},     {"RDTResult", 2}, {"CSB", 2},     {"0MB", 2},
      {"MP", 3},       {"EraseMP", 4}, {"QC", 5},        {"FQC", 5},     {"UpdateFW", 6},
      {"ReRDT", 7},    {"SortMP", 8},  {"SortRDT", 9},   {"RMADBG", 10}, {"Unknown", 1},
      {"", 1},         {"mp", 3}};
  ScratchStation station;
  for (const auto& [name, index] : cases) {
    SetStation(station, name);
    EXPECT_EQ(GetTestStationIndex(), index) << name;
  }
}

TEST(StationHelpers, StationIndexWithoutSettingsFileIsRdt) {
  ScratchStation station;
  EXPECT_EQ(GetTestStationIndex(), 1);
}

TEST(StationHelpers, StationNames) {
  EXPECT_STREQ(GetTestStationName(0), "EraseAll");
  EXPECT_STREQ(GetTestStationName(2), "RDTResult");
  EXPECT_STREQ(GetTestStationName(10), "RMADBG");
  EXPECT_STREQ(GetTestStationName(11), "unKnown");
  EXPECT_STREQ(GetTestStationName(-1), "unKnown");
}

TEST(StationHelpers, PretestEraseTypeOverItsWholeTable) {
  ScratchStation station;
  // The debug setting wins whenever it is non-zero.
  station.WriteFile("Configuration/System/Debug.ini", "[DEBUG]\r\nEraseType=7\r\n");
  station.WriteFile("param.ini", "[Options]\r\nPretest=1\r\n");
  SetStation(station, "MP");
  EXPECT_EQ(GetPretestEraseType(), 7);

  // Then the pretest option.
  station.WriteFile("Configuration/System/Debug.ini", "[DEBUG]\r\nEraseType=0\r\n");
  const std::vector<std::pair<int, int>> byPretest = {{1, 5}, {2, 9}, {3, 1}, {4, 9}};
  for (const auto& [pretest, type] : byPretest) {
    station.WriteFile("param.ini", platform::Format("[Options]\r\nPretest=%d\r\n", pretest));
    EXPECT_EQ(GetPretestEraseType(), type) << "Pretest=" << pretest;
  }

  // Then the station.
  station.WriteFile("param.ini", "[Options]\r\nPretest=0\r\n");
  const std::vector<std::pair<std::string, int>> byStation = {
      {"EraseAll", 9}, {"RDT", 9},    {"RDTResult", 0}, {"CSB", 0},    {"0MB", 0},
      {"MP", 1},       {"EraseMP", 9}, {"QC", 0},       {"FQC", 0},    {"UpdateFW", 0},
      {"ReRDT", 1},    {"SortMP", 5}, {"SortRDT", 5},   {"RMADBG", 0}, {"NoSuchStation", 9}};
  for (const auto& [name, type] : byStation) {
    SetStation(station, name);
    EXPECT_EQ(GetPretestEraseType(), type) << name;
  }
  // A pretest value outside 1..4 falls through to the station.
  station.WriteFile("param.ini", "[Options]\r\nPretest=5\r\n");
  SetStation(station, "SortMP");
  EXPECT_EQ(GetPretestEraseType(), 5);
}

TEST(StationHelpers, PretestEraseTypeWithNoFilesAtAll) {
  ScratchStation station;
  EXPECT_EQ(GetPretestEraseType(), 9);  // unknown station counts as RDT
}

class FlashCETypeTest : public ::testing::Test {
 protected:
  void Configure(const std::string& typeFile, const std::string& ceType) {
    station.WriteFile("Configuration/System/MPToolSetting.ini",
                      "[General Info]\r\nFlashTypeFile=" + typeFile + "\r\nFlashCEType=" + ceType + "\r\n");
  }
  ScratchStation station;
};

TEST_F(FlashCETypeTest, FindsThePackageOfEveryCe) {
  station.WriteFile("Configuration/Flash Map Cfg/Map4.ini",
                    "[4PKG]\r\nF0=CE0,CE1,CE2,CE3;\r\nF1=CE4,CE5,CE6,CE7;\r\n"
                    "F2=CE8,CE9,CE10,CE11;\r\nF3=CE12,CE13,CE14,CE15;\r\n"
                    "[2PKG]\r\nF0=CE10,CE0,CE2;CE4,\r\nF1=CE1,CE3,\r\n");
  Configure("Map4.ini", "4PKG");
  for (std::uint16_t ce = 0; ce < 16; ++ce) {
    EXPECT_EQ(GetFlashCEType(ce, 0), platform::Format("F%d", ce / 4)) << ce;
    EXPECT_EQ(GetFlashCEType(ce, 1), platform::Format("%d", ce / 4)) << ce;
  }
  EXPECT_EQ(GetFlashCEType(16, 0), "");
  // "CE1" must not match "CE11" nor "CE10".
  Configure("Map4.ini", "2PKG");
  EXPECT_EQ(GetFlashCEType(0, 0), "F0");
  EXPECT_EQ(GetFlashCEType(10, 0), "F0");
  EXPECT_EQ(GetFlashCEType(2, 0), "F0");
  EXPECT_EQ(GetFlashCEType(4, 0), "");  // after the ";" that ends F0's list
  EXPECT_EQ(GetFlashCEType(1, 1), "1");
  EXPECT_EQ(GetFlashCEType(3, 0), "F1");
  EXPECT_EQ(GetFlashCEType(5, 0), "");
}

TEST_F(FlashCETypeTest, EmptyWithoutAMap) {
  station.WriteFile("Configuration/Flash Map Cfg/Map4.ini", "[4PKG]\r\nF0=CE0;\r\n");
  Configure("", "4PKG");
  EXPECT_EQ(GetFlashCEType(0, 0), "");
  Configure("Map4.ini", "");
  EXPECT_EQ(GetFlashCEType(0, 0), "");
  Configure("Missing.ini", "4PKG");
  EXPECT_EQ(GetFlashCEType(0, 0), "");
  Configure("Map4.ini", "NoSection");
  EXPECT_EQ(GetFlashCEType(0, 0), "");
}

TEST(StationHelpers, LanguageFileByKey) {
  ScratchStation station;
  const std::vector<std::pair<int, std::string>> cases = {
      {1, ".\\Configuration\\System\\ENG.ini"},
      {2, ".\\Configuration\\System\\CHS.ini"},
      {3, ".\\Configuration\\System\\CHT.ini"}};
  for (const auto& [language, path] : cases) {
    station.WriteFile("Configuration/System/MPToolSetting.ini",
                      platform::Format("[General Info]\r\nLanguage=%d\r\n", language));
    EXPECT_EQ(GetLanguageIniPath(), path);
  }
}

TEST(StationHelpers, MakeDirectoryPathAndFolderSize) {
  ScratchStation station;
  EXPECT_EQ(GetFolderSize(".\\Log"), 0u);
  EXPECT_NE(MakeDirectoryPath(".\\Log\\a\\b\\c"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(station.Folder() / "Log" / "a" / "b" / "c"));
  EXPECT_NE(MakeDirectoryPath(".\\Log\\a"), 0);  // existing levels count as made
  EXPECT_EQ(GetFolderSize(".\\Log"), 0u);
  station.WriteFile("Log/one.txt", "12345");
  station.WriteFile("Log/a/b/two.txt", "123");
  EXPECT_EQ(GetFolderSize(".\\Log"), 8u);
  // A file in the way of a level makes it fail.
  EXPECT_EQ(MakeDirectoryPath(".\\Log\\one.txt\\x"), 0);
  // More than ten new levels are refused.
  EXPECT_EQ(MakeDirectoryPath(".\\d1\\d2\\d3\\d4\\d5\\d6\\d7\\d8\\d9\\d10\\d11"), 0);
  EXPECT_NE(MakeDirectoryPath(".\\d1\\d2\\d3\\d4\\d5\\d6\\d7\\d8\\d9\\d10"), 0);
}

TEST(StationHelpers, ModuleFolderMapsBackToTheStation) {
  ScratchStation station;
  const std::string folder = GetModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_NE(MakeDirectoryPath(folder + "\\Configuration\\Temp"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(station.Folder() / "Configuration" / "Temp"));
}

TEST(StationHelpers, DebugPrintCutsLongLines) {
  std::string echoed;
  platform::SetDebugSink([&](std::string_view text) { echoed = std::string(text); });
  DebugPrint("%s %d", "value", 42);
  EXPECT_EQ(echoed, "value 42");
  DebugPrint("%s", std::string(1000, 'x').c_str());
  EXPECT_EQ(echoed.size(), 260u);
  platform::SetDebugSink({});
}

}  // namespace
