// The engine's report sections on a simulated station: they go to the slot report only when
// the report exists, after what the run wrote before; the block statistics read their
// records, the settings and, in the table case, the drive's bad-block table.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/core/EngineFixture.h"

namespace {

using enginetest::EngineTest;

constexpr char kReportFile[] = "WO1_PC/D_Reports/HOST_1_Report.txt";

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ReportSectionsTest : public EngineTest {
 protected:
  // An RDT information record with the temperature 45, firmware "T0B1" and no loops.
  std::array<std::uint8_t, 64> RdtInfo() const {
    std::array<std::uint8_t, 64> info{};
    info[0x31] = 45;
    info[0x32] = 'T';
    info[0x33] = '0';
    info[0x34] = 'B';
    info[0x35] = '1';
    return info;
  }
};

TEST_F(ReportSectionsTest, SettingsSnapshotFollowsTheBannerAndEndsWithTheAsteriskLine) {
  station.WriteFile("Configuration/System/MPToolSetting.ini",
                    "[General Info]\r\nBuildVersion=V2.5 100%\r\nTestStation=MP\r\n");
  platform::FlushProfileCache();
  device->WriteReportLine("START", 0);
  const std::string banner = Report();
  ASSERT_FALSE(banner.empty());
  device->WriteReportSettings();
  const std::string report = Report();
  ASSERT_EQ(report.compare(0, banner.size(), banner), 0);
  EXPECT_TRUE(StartsWith(report.substr(banner.size()), "[MPToolSetting]\r\nBuildVersion=V2.5 100% \r\nMPVer"));
  EXPECT_NE(report.find("\r\nTestStation=MP \r\nCapacity= \r\n"), std::string::npos);
  EXPECT_NE(report.find("[Param]\r\nISP_MPBINCode="), std::string::npos);
  EXPECT_NE(report.find(" \r\nControllerType=TV3160 \r\n"), std::string::npos);
  EXPECT_NE(report.find("[ParamFDB]\r\nFlh_Type="), std::string::npos);
  EXPECT_TRUE(EndsWith(report, " \r\n" + std::string(60, '*') + " \r\n"));
}

TEST_F(ReportSectionsTest, WithoutAReportTheSectionsAreDroppedAndNoFileIsMade) {
  std::array<std::uint8_t, 512> block{};
  std::array<std::uint8_t, 512> smart{};
  smart[0] = 0x09;
  smart[1] = 0x01;
  device->WriteReportSettings();
  device->WriteInfoBlockReport(block.data());
  EXPECT_EQ(device->WriteSmartReport(smart.data()), "Smart ID*09 : (01)*");
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / kReportFile));
  EXPECT_EQ(device->m_ErrorTag, "");
}

TEST_F(ReportSectionsTest, InfoBlockSectionIsAppendedFromTheCallersBuffer) {
  device->WriteReportLine("START", 0);
  std::array<std::uint8_t, 512> block{};
  const char mark[] = "Tervid";
  std::copy(mark, mark + 6, block.begin());
  block[0x013] = 'S';
  block[0x012] = 'N';
  block[0x1FF] = 0x01;
  const std::array<std::uint8_t, 512> original = block;
  const std::string before = Report();
  device->WriteInfoBlockReport(block.data());
  EXPECT_EQ(block, original);
  const std::string section = Report().substr(before.size());
  EXPECT_TRUE(StartsWith(section, "   u8bTervidInfoMark : Tervid\r\n   ubReserved1 : 0\r\n   ubSetFlashDrive"));
  EXPECT_NE(section.find("   ubSerialNumber : SN\r\n"), std::string::npos);
  EXPECT_TRUE(EndsWith(section, "   ubAP_GoodMark : MP: OK   QC: none   BurnIn: none\r\n"));
  device->WriteInfoBlockReport(nullptr);
  EXPECT_EQ(Report().size(), before.size() + section.size());
}

TEST_F(ReportSectionsTest, SmartSectionIsOneAppendAndTheSummaryComesBack) {
  device->WriteReportLine("START", 0);
  const std::string before = Report();
  std::array<std::uint8_t, 512> page{};
  const std::uint8_t entries[] = {0x09, 0x10, 0x27, 0, 0, 0, 0, 0, 0, 0xC2, 0x2D, 0, 0, 0, 0, 0, 0, 0};
  std::copy(std::begin(entries), std::end(entries), page.begin());
  EXPECT_EQ(device->WriteSmartReport(page.data()), "Smart ID*09 : (2710)*C2 : (2D)*");
  EXPECT_EQ(Report().substr(before.size()),
            "   Smart ID - 09 : 0000000000002710\r\n"
            "   Smart ID - C2 : 000000000000002d\r\n");
  EXPECT_EQ(device->WriteSmartReport(nullptr), "Smart ID*");
}

TEST_F(ReportSectionsTest, StatisticsWithoutTheirRecordsAreEmpty) {
  const auto info = RdtInfo();
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  EXPECT_EQ(device->FormatBlockStatistics(0x0B, 1, nullptr, info.data()), "");
  EXPECT_EQ(device->FormatBlockStatistics(0x0B, 1, record.get(), nullptr), "");
  EXPECT_EQ(device->FormatBlockStatistics(0x0C, 0, nullptr, nullptr), "");
  EXPECT_EQ(device->FormatBlockStatistics(0x0C, 0, record.get(), nullptr), "");
  EXPECT_EQ(device->m_ErrorTag, "");
}

TEST_F(ReportSectionsTest, ProgramToReadSettingShiftsProgramFailsOfTheRecord) {
  const auto info = RdtInfo();
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  record->later[0][0][0][kLaterProgram] = 4;
  record->later[0][0][1][kLaterRead] = 1;
  EXPECT_EQ(device->FormatBlockStatistics(0x04, 1, record.get(), info.data()),
            "OB/RB:0/0*P OLB/RB:0/4*E OLB/RB:0/0*R OLB/RB:0/1*T(\xA2\x58"
            "C):45*");
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nProgramtoRead=1\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(device->FormatBlockStatistics(0x05, 1, record.get(), info.data())->substr(0, 16), "00: 0/ 0 (P: 4)*");
  EXPECT_NE(device->FormatBlockStatistics(0x04, 1, record.get(), info.data())->find("*P OLB/RB:0/0*E OLB/RB:0/0*R OLB/RB:0/5*"),
            std::string::npos);
  record->later[3][0][2][kLaterProgram] = 21;
  EXPECT_NE(device->FormatBlockStatistics(0x04, 1, record.get(), info.data())->find("*P OLB/RB:0/15*E OLB/RB:0/0*R OLB/RB:0/11*"),
            std::string::npos);
}

// The drive's table: a factory-bad block on CE 0, and on CE 1 a program fail and on CE 3 an
// erase fail that the RDT marked; CE 2 holds a block with only an RDT mark's further bit.
TEST_F(ReportSectionsTest, TableStatisticsCountTheDrivesBadBlockMap) {
  sim::DriveProfile profile;
  profile.rdt.state = sim::RdtState::Done;
  profile.badBlocks.named = {{0, 5, 0x80}, {0, 9, 0x80}, {1, 7, 0x02}, {3, 100, 0x04}};
  Install(profile);
  device->m_CECount = 4;
  device->m_ErrorTag = "S_x30";
  device->m_ErrorMessage = "kept";
  const auto info = RdtInfo();
  EXPECT_EQ(device->FormatBlockStatistics(0x05, 0, nullptr, info.data()),
            "00: 2/ 0 (P: 0)*01: 0/ 1 (P: 0)*02: 0/ 0 (P: 0)*03: 0/ 1 (P: 0)*"
            "04: 0/ 0 (P: 0)*05: 0/ 0 (P: 0)*06: 0/ 0 (P: 0)*07: 0/ 0 (P: 0)*"
            "08: 0/ 0 (P: 0)*09: 0/ 0 (P: 0)*10: 0/ 0 (P: 0)*11: 0/ 0 (P: 0)*"
            "12: 0/ 0 (P: 0)*13: 0/ 0 (P: 0)*14: 0/ 0 (P: 0)*15: 0/ 0 (P: 0)*"
            "OB+OLB/RB:2+0/2*P OLB/RB:0/1*E OLB/RB:0/1*R OLB/RB:0/0*T(\xA2\x58"
            "C):45*");
  // The statistics report nothing: the flow's tag and message stay.
  EXPECT_EQ(device->m_ErrorTag, "S_x30");
  EXPECT_EQ(device->m_ErrorMessage, "kept");
  // Only the CEs the engine counts are walked.
  device->m_CECount = 1;
  EXPECT_NE(device->FormatBlockStatistics(0x04, 0, nullptr, info.data())->find("OB+OLB/RB:2+0/0*P OLB/RB:0/0*"),
            std::string::npos);
}

// Counts of a block map that was not read would be made up: a table that cannot be read gives
// no statistics and leaves the read's tag and message.
TEST_F(ReportSectionsTest, TableStatisticsOfATableThatWasNotReadAreNone) {
  sim::DriveProfile profile;
  const auto info = RdtInfo();
  for (const auto& [command, action] : {std::pair{"Read BBT Parameter", sim::FaultAction::Timeout},
                                        std::pair{"Read BBT", sim::FaultAction::Pull}}) {
    SCOPED_TRACE(command);
    Install(profile);
    device->m_ErrorTag = "S_x30";
    Fault(command, action, 0, 0);
    EXPECT_EQ(device->FormatBlockStatistics(0x04, 0, nullptr, info.data()), std::nullopt);
    EXPECT_EQ(device->m_ErrorTag, "F_D01");
  }
  // The record's statistics read nothing.
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  EXPECT_NE(device->FormatBlockStatistics(0x04, 1, record.get(), info.data()), std::nullopt);
}

}  // namespace
