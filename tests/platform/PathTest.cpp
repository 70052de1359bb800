#include "platform/Path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/ScratchStation.h"

namespace {
namespace fs = std::filesystem;
using platform::ToNativePath;
using testsupport::ScratchStation;

// ---------------------------------------------------------------------------------------
// Relative texts

TEST(PathRelative, ReachesAnExistingFileWhateverTheCase) {
  ScratchStation station;
  station.WriteFile("a/b.ini", "x");
  EXPECT_EQ(ToNativePath(".\\a\\B.ini"), station.Folder() / "a" / "b.ini");
  EXPECT_EQ(ToNativePath("A/B.INI"), station.Folder() / "a" / "b.ini");
}

TEST(PathRelative, ExactNameWinsAndAmongCaseMatchesTheFirstByName) {
  ScratchStation station;
  station.WriteFile("dir/Same.ini", "1");
  station.WriteFile("dir/same.ini", "2");
  station.WriteFile("dir/SAME.INI", "3");
  EXPECT_EQ(ToNativePath("dir\\same.ini"), station.Folder() / "dir" / "same.ini");
  EXPECT_EQ(ToNativePath("dir\\sAmE.ini"), station.Folder() / "dir" / "SAME.INI");
}

TEST(PathRelative, MissingPartsKeepTheirSpellingBelowTheLastMatch) {
  ScratchStation station;
  fs::create_directories(station.Folder() / "Configuration" / "System");
  EXPECT_EQ(ToNativePath(".\\configuration\\SYSTEM\\New\\MPToolSetting.ini"),
            station.Folder() / "Configuration" / "System" / "New" / "MPToolSetting.ini");
  EXPECT_EQ(ToNativePath("Configuration\\Temp\\"), station.Folder() / "Configuration" / "Temp");
}

TEST(PathRelative, DotsAreResolvedByText) {
  ScratchStation station;
  EXPECT_EQ(ToNativePath(".\\a\\.\\b\\..\\c.ini"), station.Folder() / "a" / "c.ini");
  EXPECT_EQ(ToNativePath("a\\..\\b"), station.Folder() / "b");
  EXPECT_EQ(ToNativePath("a\\\\b//c"), station.Folder() / "a" / "b" / "c");
  EXPECT_EQ(ToNativePath("..\\sibling\\x.ini"), station.Folder().parent_path() / "sibling" / "x.ini");
  EXPECT_EQ(ToNativePath(""), station.Folder());
  EXPECT_EQ(ToNativePath("."), station.Folder());
}

// ---------------------------------------------------------------------------------------
// Drive letters

TEST(PathDrive, LandsInTheDefaultDriveFolder) {
  ScratchStation station;
  EXPECT_EQ(ToNativePath("C:\\MP_SSD_NODE\\AutoMapping.ini"),
            station.Folder() / "drives" / "c" / "MP_SSD_NODE" / "AutoMapping.ini");
  EXPECT_EQ(ToNativePath("d:/x"), station.Folder() / "drives" / "d" / "x");
  EXPECT_EQ(ToNativePath("C:"), station.Folder() / "drives" / "c");
  EXPECT_EQ(ToNativePath("C:relative.txt"), station.Folder() / "drives" / "c" / "relative.txt");
}

TEST(PathDrive, MatchesExistingFoldersOfTheDriveWhateverTheCase) {
  ScratchStation station;
  station.WriteFile("drives/c/mp_ssd_node/automapping.ini", "x");
  EXPECT_EQ(ToNativePath("C:\\MP_SSD_NODE\\AutoMapping.ini"),
            station.Folder() / "drives" / "c" / "mp_ssd_node" / "automapping.ini");
}

TEST(PathDrive, UsesTheFolderConfiguredInPlatformSettings) {
  ScratchStation station;
  const fs::path outside = station.Folder() / "outside-drive";
  station.WriteFile("Platform.ini",
                    "[Drives]\r\nC=disks\\system\r\nE = " + outside.string() + "\r\nF=G:\\loop\r\n");
  EXPECT_EQ(platform::PlatformSettingsPath(), station.Folder() / "Platform.ini");
  EXPECT_EQ(ToNativePath("C:\\MP_SSD_NODE\\AutoMapping.ini"),
            station.Folder() / "disks" / "system" / "MP_SSD_NODE" / "AutoMapping.ini");
  EXPECT_EQ(ToNativePath("c:\\x"), station.Folder() / "disks" / "system" / "x");
  EXPECT_EQ(ToNativePath("E:\\y"), outside / "y");
  // A drive set to another drive falls back to its default folder.
  EXPECT_EQ(ToNativePath("F:\\z"), station.Folder() / "drives" / "f" / "z");
  // Drives that are not configured keep their default.
  EXPECT_EQ(ToNativePath("D:\\w"), station.Folder() / "drives" / "d" / "w");
}

TEST(PathDrive, DotDotStopsAtTheDriveRoot) {
  ScratchStation station;
  EXPECT_EQ(ToNativePath("C:\\..\\..\\x"), station.Folder() / "drives" / "c" / "x");
  EXPECT_EQ(ToNativePath("C:\\a\\..\\..\\..\\b\\..\\x"), station.Folder() / "drives" / "c" / "x");
  station.WriteFile("Platform.ini", "[Drives]\r\nC=disks/c\r\n");
  EXPECT_EQ(ToNativePath("C:\\..\\x"), station.Folder() / "disks" / "c" / "x");
}

TEST(PathDrive, TakesOneToFourLettersOnly) {
  ScratchStation station;
  EXPECT_EQ(ToNativePath("ABCD:\\x"), station.Folder() / "drives" / "abcd" / "x");
  EXPECT_EQ(ToNativePath("ABCDE:x"), station.Folder() / "ABCDE:x");
  EXPECT_EQ(ToNativePath("1:x"), station.Folder() / "1:x");
}

// ---------------------------------------------------------------------------------------
// Network and rooted paths

TEST(PathUnc, LandsUnderTheUncFolder) {
  ScratchStation station;
  EXPECT_EQ(ToNativePath("\\\\host\\share\\f"), station.Folder() / "drives" / "unc" / "host" / "share" / "f");
  EXPECT_EQ(ToNativePath("\\\\host\\..\\..\\f"), station.Folder() / "drives" / "unc" / "f");
}

TEST(PathRooted, AbsoluteLinuxPathIsKept) {
  ScratchStation station;
  EXPECT_EQ(ToNativePath("/tmp/x"), fs::path("/tmp/x"));
  EXPECT_EQ(ToNativePath("/NoSuchTopFolder/Some/File.ini"), fs::path("/NoSuchTopFolder/Some/File.ini"));
  EXPECT_EQ(ToNativePath("/../tmp/./y"), fs::path("/tmp/y"));
}

TEST(PathRooted, StationFolderTextMapsBackIntoTheFolder) {
  ScratchStation station;
  station.WriteFile("fw/mp/image.bin", "x");
  const std::string text = platform::StationFolderText();
  EXPECT_EQ(text, "S:");
  EXPECT_EQ(ToNativePath(text), station.Folder());
  EXPECT_EQ(ToNativePath(text + "\\FW\\MP\\Image.bin"), station.Folder() / "fw" / "mp" / "image.bin");
  EXPECT_EQ(ToNativePath(text + "\\D_Reports\\new.txt"), station.Folder() / "D_Reports" / "new.txt");
}

TEST(PathRooted, StationDriveIsConfigurable) {
  ScratchStation station;
  station.WriteFile("Platform.ini", "[Drives]\r\nStation=m\r\nS=drives/other\r\n");
  EXPECT_EQ(platform::StationFolderText(), "M:");
  EXPECT_EQ(ToNativePath("M:\\Log\\a.txt"), station.Folder() / "Log" / "a.txt");
  EXPECT_EQ(ToNativePath("m:\\..\\x"), station.Folder() / "x");
  EXPECT_EQ(ToNativePath("S:\\x"), station.Folder() / "drives" / "other" / "x");
  // A station drive name that is not one to four letters falls back to "S".
  station.WriteFile("Platform.ini", "[Drives]\r\nStation=1:\r\n");
  EXPECT_EQ(platform::StationFolderText(), "S:");
}

// ---------------------------------------------------------------------------------------
// The station folder

TEST(PathStation, FolderIsAbsoluteAndWithoutTrailingSeparator) {
  ScratchStation station;
  platform::SetStationFolder(station.Folder().string() + "/sub/../");
  EXPECT_EQ(platform::StationFolder(), station.Folder());
  EXPECT_EQ(ToNativePath("x"), station.Folder() / "x");
}

TEST(PathThreads, MapsTheSameTextAlikeFromManyThreads) {
  ScratchStation station;
  station.WriteFile("Platform.ini", "[Drives]\r\nC=disks/c\r\n");
  station.WriteFile("Configuration/System/mptoolsetting.ini", "x");
  const fs::path expectedDrive = station.Folder() / "disks" / "c" / "MP_SSD_NODE" / "AutoMapping.ini";
  const fs::path expectedFile = station.Folder() / "Configuration" / "System" / "mptoolsetting.ini";
  std::vector<std::thread> threads;
  std::vector<int> mismatches(24, 0);
  for (int thread = 0; thread < 24; ++thread) {
    threads.emplace_back([&, thread] {
      for (int i = 0; i < 50; ++i) {
        if (ToNativePath("C:\\MP_SSD_NODE\\AutoMapping.ini") != expectedDrive) ++mismatches[thread];
        if (ToNativePath(".\\Configuration\\System\\MPToolSetting.ini") != expectedFile) ++mismatches[thread];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(24, 0));
}

}  // namespace
