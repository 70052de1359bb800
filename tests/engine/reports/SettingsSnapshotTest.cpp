#include "engine/reports/SettingsSnapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Profile.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

const char kEmptyToolGroup[] =
    "[MPToolSetting]\r\n"
    "BuildVersion= \r\n"
    "MPVerProjectName= \r\n"
    "TestStation= \r\n"
    "Capacity= \r\n"
    "Short= \r\n"
    "RDTLimit= \r\n"
    "Class= \r\n"
    "SmartC4ReInit= \r\n"
    "IL2B= \r\n";

const char kEmptyParamGroup[] =
    "[Param]\r\n"
    "ISP_MPBINCode= \r\n"
    "ISP_RDTBINCode= \r\n"
    "ControllerType=TV3160 \r\n"
    "Pretest= \r\n"
    "MP_BoardType= \r\n"
    "ModelName= \r\n"
    "Set Firmware Name= \r\n"
    "SetSSDSize= \r\n"
    "AutoIncreseSerialNum= \r\n"
    "KeepModelFWSN= \r\n"
    "SkipMPScan= \r\n"
    "Put_Thermal_Sensor= \r\n"
    "SATA_SSC_Enable= \r\n"
    "DEVSLP_Enable= \r\n"
    "Scan_MaxBadPercent= \r\n"
    "MaxCapacity= \r\n"
    "MinCapacity= \r\n"
    "SkipRDTScan= \r\n"
    "AfterMpDoResetSMART= \r\n"
    "DisableSmart01= \r\n"
    "DisableSmartC2= \r\n"
    "DisableSmartC3= \r\n"
    "DisableSmartC4= \r\n"
    "DisableSmartC5= \r\n"
    "DisableSmartC7= \r\n"
    "Temperature_Fixed= \r\n"
    "Temperature_Max= \r\n"
    "CHCEMap= \r\n";

const char kEmptyParamFdbGroup[] =
    "[ParamFDB]\r\n"
    "Flh_Type= \r\n"
    "Flh_MakeCode= \r\n"
    "Flh_Capacity= \r\n"
    "Flh_Number= \r\n"
    "Flh_ID= \r\n"
    "Flh_MPBinType= \r\n"
    "Flh_RDTBinType= \r\n"
    "Flh_SingleCE_Capacity= \r\n"
    "Flash2ndBinCELimit= \r\n"
    "Flash2ndRDTBinType= \r\n"
    "Flash2ndMPBinType= \r\n"
    "FlhIDMask= \r\n"
    "AutoCapacity_Enable= \r\n"
    "AutoCapacity_SizeArray= \r\n"
    "AutoCapacity_MaxBadPercent_1CE= \r\n"
    "AutoCapacity_MaxBadPercent_2CE= \r\n"
    "AutoCapacity_MaxBadPercent_3CE= \r\n"
    "AutoCapacity_MaxBadPercent_4CE= \r\n"
    "AutoCapacity_MaxBadPercent_5CE= \r\n"
    "AutoCapacity_MaxBadPercent_6CE= \r\n"
    "AutoCapacity_MaxBadPercent_7CE= \r\n"
    "AutoCapacity_MaxBadPercent_8CE= \r\n"
    "AutoCapacity_MaxBadPercent_9CE= \r\n"
    "AutoCapacity_MaxBadPercent_10CE= \r\n"
    "AutoCapacity_MaxBadPercent_11CE= \r\n"
    "AutoCapacity_MaxBadPercent_12CE= \r\n"
    "AutoCapacity_MaxBadPercent_13CE= \r\n"
    "AutoCapacity_MaxBadPercent_14CE= \r\n"
    "AutoCapacity_MaxBadPercent_15CE= \r\n"
    "AutoCapacity_MaxBadPercent_16CE= \r\n"
    "MPPerformance1EN= \r\n"
    "MPPerformance2EN= \r\n"
    "only_do_Flash= \r\n"
    "RDT_DynamicCE_En= \r\n"
    "RDT_Plane_MaxBadBlkRatio_TV= \r\n"
    "RDT_En_AutoCap_MaxBadPercent= \r\n"
    "RDT_MaxEraseBadBlkRatio= \r\n"
    "RDT_MaxProgBadBlkRatio= \r\n"
    "RDT_MaxReadBadBlkRatio= \r\n"
    "RDT_MaxEraseBadBlkCount= \r\n"
    "RDT_MaxProgBadBlkCount= \r\n"
    "RDT_MaxReadBadBlkCount= \r\n"
    "Enable_Set_Cycle= \r\n"
    "Cycle= \r\n"
    "Enable_Set_Cycle_SLC= \r\n"
    "Cycle_SLC= \r\n"
    "ECC_threshold= \r\n"
    "SLC_ECC_threshold= \r\n";

const char kClosingLine[] = "************************************************************ \r\n";

TEST(SettingsSnapshot, WithEveryFileMissingEachKeyShowsAnEmptyValue) {
  ScratchStation station;
  const std::vector<std::string> appends = engine::FormatSettingsSnapshot();
  ASSERT_EQ(appends.size(), 4u);
  EXPECT_EQ(appends[0], kEmptyToolGroup);
  EXPECT_EQ(appends[1], kEmptyParamGroup);
  EXPECT_EQ(appends[2], kEmptyParamFdbGroup);
  EXPECT_EQ(appends[3], kClosingLine);
}

TEST(SettingsSnapshot, ValuesComeFromTheirFilesAsTheyStand) {
  ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini",
                    "[General Info]\r\nBuildVersion=V1.23 %s%d%%\r\nTestStation=MP\r\nIL2B=1\r\n");
  station.WriteFile("param.ini",
                    "[Device Info]\r\nISP_MPBINCode=FW\\MP\\mp.bin\r\n"
                    "[Options]\r\nSet Firmware Name=S1ST07\r\nPretest=3\r\nCHCEMap=1F\r\n"
                    "[Other]\r\nSATA_SSC_Enable=1\r\n"
                    // A key of the same name in another section is not the one shown.
                    "[General Info]\r\nModelName=SSD 128GB\r\nCHCEMap=FF\r\n");
  station.WriteFile("paramFDB.ini",
                    "[Flash Info]\r\nFlh_ID=98 3A 98 A3 76 51\r\n"
                    "[Options]\r\nAutoCapacity_MaxBadPercent_16CE=4,5\r\n"
                    "[RDT]\r\nSLC_ECC_threshold=30\r\n");
  const std::vector<std::string> appends = engine::FormatSettingsSnapshot();
  ASSERT_EQ(appends.size(), 4u);
  EXPECT_NE(appends[0].find("[MPToolSetting]\r\nBuildVersion=V1.23 %s%d%% \r\nMPVerProjectName= \r\nTestStation=MP \r\n"),
            std::string::npos);
  EXPECT_NE(appends[0].find("\r\nIL2B=1 \r\n"), std::string::npos);
  EXPECT_NE(appends[1].find("\r\nISP_MPBINCode=FW\\MP\\mp.bin \r\n"), std::string::npos);
  EXPECT_NE(appends[1].find("\r\nPretest=3 \r\n"), std::string::npos);
  EXPECT_NE(appends[1].find("\r\nModelName=SSD 128GB \r\n"), std::string::npos);
  EXPECT_NE(appends[1].find("\r\nSet Firmware Name=S1ST07 \r\n"), std::string::npos);
  EXPECT_NE(appends[1].find("\r\nSATA_SSC_Enable=1 \r\n"), std::string::npos);
  EXPECT_NE(appends[1].find("\r\nCHCEMap=1F \r\n"), std::string::npos);
  EXPECT_NE(appends[2].find("\r\nFlh_ID=98 3A 98 A3 76 51 \r\n"), std::string::npos);
  EXPECT_NE(appends[2].find("\r\nAutoCapacity_MaxBadPercent_15CE= \r\nAutoCapacity_MaxBadPercent_16CE=4,5 \r\n"),
            std::string::npos);
  EXPECT_NE(appends[2].find("\r\nSLC_ECC_threshold=30 \r\n"), std::string::npos);
}

TEST(SettingsSnapshot, ALongValueIsCutTo249Characters) {
  ScratchStation station;
  const std::string longValue(300, 'v');
  station.WriteFile("param.ini", "[Options]\r\nCHCEMap=" + longValue + "\r\n");
  const std::vector<std::string> appends = engine::FormatSettingsSnapshot();
  ASSERT_EQ(appends.size(), 4u);
  EXPECT_NE(appends[1].find("\r\nCHCEMap=" + std::string(249, 'v') + " \r\n"), std::string::npos);
  EXPECT_EQ(appends[1].find(std::string(250, 'v')), std::string::npos);
}

TEST(SettingsSnapshot, ReadsTheFilesAfreshOnEveryCall) {
  ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nShort=0\r\n");
  EXPECT_NE(engine::FormatSettingsSnapshot()[0].find("\r\nShort=0 \r\n"), std::string::npos);
  ASSERT_TRUE(platform::WriteProfileString(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "Short", "1"));
  EXPECT_NE(engine::FormatSettingsSnapshot()[0].find("\r\nShort=1 \r\n"), std::string::npos);
}

}  // namespace
