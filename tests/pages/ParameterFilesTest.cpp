// The parameter-file list of the production page: the folder of the chosen file, the chosen
// file copied over paramFDB.ini, and a new choice written back.
#include <gtest/gtest.h>

#include "pages/production/ParameterFiles.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "support/ScratchStation.h"

namespace {

class ParameterFiles : public ::testing::Test {
 protected:
  void Choose(const std::string& iniFilePath) {
    station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nIniFilePath=" + iniFilePath + "\r\n");
    platform::FlushProfileCache();
  }
  testsupport::ScratchStation station;
};

TEST_F(ParameterFiles, WithoutAChoiceTheDefaultFolderIsListedAndNothingIsCopied) {
  station.WriteFile("Configuration/Param/B.ini", "[Flash Info]\r\n");
  station.WriteFile("Configuration/Param/a.ini", "[Flash Info]\r\n");
  station.WriteFile("Configuration/Param/notes.txt", "x");
  station.WriteFile("paramFDB.ini", "working copy");
  EXPECT_EQ(ParameterFolder(), ".\\Configuration\\Param\\");
  EXPECT_EQ(ListParameterFiles(), (std::vector<std::string>{"a.ini", "B.ini"}));
  EXPECT_EQ(ChosenParameterFile(), "");
  EXPECT_EQ(CopyChosenParameterFile(), "no parameter file is chosen");
  EXPECT_EQ(station.ReadFile("paramFDB.ini"), "working copy");
}

TEST_F(ParameterFiles, TheChosenFilesFolderIsListedAndTheFileCopiedOverTheWorkingCopy) {
  station.WriteFile("Recipes/R1.ini", "[Flash Info]\r\nFlh_Number=4\r\n");
  station.WriteFile("Recipes/R2.ini", "[Flash Info]\r\nFlh_Number=8\r\n");
  Choose(".\\Recipes\\R1.ini");
  EXPECT_EQ(ParameterFolder(), ".\\Recipes\\");
  EXPECT_EQ(ListParameterFiles(), (std::vector<std::string>{"R1.ini", "R2.ini"}));
  EXPECT_EQ(ChosenParameterFile(), "R1.ini");
  EXPECT_EQ(CopyChosenParameterFile(), "");
  EXPECT_EQ(station.ReadFile("paramFDB.ini"), "[Flash Info]\r\nFlh_Number=4\r\n");

  EXPECT_EQ(ChooseParameterFile("R2.ini"), "");
  EXPECT_EQ(settings::ReadText(settings::keys::IniFilePath), ".\\Recipes\\R2.ini");
  EXPECT_EQ(station.ReadFile("paramFDB.ini"), "[Flash Info]\r\nFlh_Number=8\r\n");
}

TEST_F(ParameterFiles, ABareFileNameLiesInTheDefaultFolder) {
  station.WriteFile("Configuration/Param/Only.ini", "recipe");
  Choose("Only.ini");
  EXPECT_EQ(ParameterFolder(), ".\\Configuration\\Param\\");
  EXPECT_EQ(CopyChosenParameterFile(), "");
  EXPECT_EQ(station.ReadFile("paramFDB.ini"), "recipe");
}

TEST_F(ParameterFiles, AMissingChosenFileLeavesTheWorkingCopyAlone) {
  station.WriteFile("paramFDB.ini", "working copy");
  Choose(".\\Configuration\\Param\\Gone.ini");
  EXPECT_EQ(CopyChosenParameterFile(),
            ".\\Configuration\\Param\\Gone.ini cannot be copied to .\\paramFDB.ini (No such file or directory)");
  EXPECT_EQ(station.ReadFile("paramFDB.ini"), "working copy");
}

}  // namespace
