// A production pass at each of the eleven stations (and the MP station's firmware upgrade) on
// the template's scenario of 24 simulated drives that the README names for the station: the
// production page gives each station's tasks their kind (1, 4 for QC, UpdateFW and RMADBG, 10
// for RDTResult), and the kind at the station chooses the flow, which the report's total-time
// line names. Every drive passes, and its results-list line names its serial number. Every
// strict limit setting that the Start of the station's pass does not check holds garbage: the
// flow reads none of them, or its drives would fail here.
#include "e2e/StationPassFixture.h"
#include <algorithm>
#include <set>
#include <vector>

#include "device/records/BadBlockTable.h"
#include "pages/PageTestStation.h"
#include "pages/production/RunFiles.h"
#include "pages/production/RunOptions.h"
#include "platform/StationSettings.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "support/CommandRewriter.h"

namespace {

using e2etest::TemplateScenario;

struct StationPass {
  const char* station;
  const char* scenarioFile;  // the template's scenario file the drives come from
  const char* timingLine;    // the flow's total-time line
  const char* eraseType = "";  // Debug.ini's erase type, when the station needs one
  const char* name = "";       // the test's name, when not the station's
  bool onlyDoIsp = false;      // the MP station upgrades the firmware only
};

std::string NameOf(const StationPass& pass) {
  if (*pass.name != '\0') return pass.name;
  return std::string(pass.station) + (pass.onlyDoIsp ? "Upgrade" : "");
}
std::ostream& operator<<(std::ostream& out, const StationPass& pass) { return out << NameOf(pass); }

// Field 7 of a results-list value: the drive's serial number.
std::string SerialField(const std::string& value) {
  const std::vector<std::string> fields = platform::Split(value, ',');
  return fields.size() > 5 ? fields[5] : std::string();
}

class EveryStationThreads : public e2etest::StationPassTest, public ::testing::WithParamInterface<StationPass> {
 protected:
  EveryStationThreads()
      : StationPassTest(GetParam().station, TemplateScenario(GetParam().scenarioFile)) {
    // The RDT result station's CSV logs of 24 drives only cost time here.
    test.SetKey(".\\param.ini", "Options", "save_RDT_log", "0");
    if (*GetParam().eraseType != '\0') {
      test.SetKey(".\\Configuration\\System\\Debug.ini", "DEBUG", "EraseType", GetParam().eraseType);
    }
    if (GetParam().onlyDoIsp) test.SetKey(".\\param.ini", "Options", "OnlyDoISP", "1");
    SpoilTheLimitSettingsStartLeavesUnchecked();
  }

  // Each strict key in turn holds garbage while the Start's check of the station's limit
  // settings looks; those it lets through hold garbage for the pass.
  void SpoilTheLimitSettingsStartLeavesUnchecked() {
    const RunOptions options = ReadRunOptions();
    const PassRecordsPlan plan{options.stationIndex, options.taskKind, GetParam().onlyDoIsp};
    std::size_t count = 0;
    const settings::StrictKey* const* keys = settings::AllStrictKeys(count);
    std::vector<const settings::Key*> unchecked;
    for (std::size_t i = 0; i < count; ++i) {
      const settings::Key& key = *keys[i]->key;
      const std::string kept = settings::ReadText(key);
      ASSERT_TRUE(settings::WriteText(key, "x"));
      if (CheckLimitSettings(plan).empty()) unchecked.push_back(&key);
      ASSERT_TRUE(settings::WriteText(key, kept));
    }
    for (const settings::Key* key : unchecked) ASSERT_TRUE(settings::WriteText(*key, "x"));
  }
};

TEST_P(EveryStationThreads, TwentyFourDrivesPassByTheFlowOfTheirKind) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) {
    SCOPED_TRACE("port " + std::to_string(port));
    const std::string report = Report(port);
    EXPECT_EQ(PortStateOf(port), kPortPass) << report;
    EXPECT_EQ(page->ResultTextOfPort(port), "0_00");
    EXPECT_EQ(page->PortCell(port).GetWindowText().substr(0, 4), "Pass");
    EXPECT_NE(report.find(std::string("Station    : ") + GetParam().station + "\r\n"), std::string::npos);
    EXPECT_NE(report.find(std::string("[ Success ] ") + GetParam().timingLine + " Total take(sec): "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("Result     : PASS"), std::string::npos);
  }
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
  EXPECT_EQ(summary.find("TotalErrorCount"), std::string::npos) << summary;
  // Every station but EraseAll lists its drives, each with its serial number.
  const auto list = platform::ReadProfileSection(g_WorkOrderFilePath.Get(), "Results List");
  EXPECT_EQ(list.size(), std::string(GetParam().station) == "EraseAll" ? 0u : 24u);
  std::set<std::string> serials;
  for (const auto& [key, value] : list) {
    const std::string serial = SerialField(value);
    EXPECT_FALSE(serial.empty()) << key << "=" << value;
    serials.insert(serial);
  }
  EXPECT_EQ(serials.size(), list.size());
}

INSTANTIATE_TEST_SUITE_P(
    Stations, EveryStationThreads,
    ::testing::Values(StationPass{"EraseAll", "Default.ini", "Erase Progress OK,"},  // kind 1: erase
                      StationPass{"RDT", "Default.ini", "RDT PreTest OK,"},  // kind 1: RDT pretest
                      StationPass{"RDTResult", "RdtResults.ini", "Read RDT Log,"},  // kind 10: RDT result
                      StationPass{"MP", "Default.ini", "MP PreTest Process"},  // kind 1: MP
                      StationPass{"EraseMP", "Default.ini", "MP PreTest Process"},  // kind 1: MP
                      StationPass{"QC", "ProgrammedAtMp.ini", "QC Process"},  // kind 4: QC
                      StationPass{"UpdateFW", "ProgrammedAtMp.ini", "Upgrade  Firmware"},  // kind 4: ISP rewrite
                      StationPass{"ReRDT", "Default.ini", "RDT PreTest OK,"},  // kind 1: RDT pretest
                      // Drives back from the RDT on its firmware and on the MP firmware (among
                      // boot and burner code): code from flash restarts into boot code only
                      // after an erase, which the station's own erase type (1) does not run.
                      StationPass{"ReRDT", "MixedCodes.ini", "RDT PreTest OK,", "9", "ReRDTOfDrivesOnFlashCode"},
                      StationPass{"SortMP", "Default.ini", "MP PreTest Process"},  // kind 1: MP
                      StationPass{"SortRDT", "Default.ini", "RDT PreTest OK,"},  // kind 1: RDT pretest
                      StationPass{"RMADBG", "ProgrammedAtMp.ini", "Read RMA DBG Info"},  // kind 4: RMA read
                      StationPass{"MP", "ProgrammedAtMp.ini", "Upgrade  Firmware", "", "", true}),  // kind 1: upgrade
    [](const ::testing::TestParamInfo<StationPass>& info) { return NameOf(info.param); });

// The parameter record's bytes after the table size are the controller's own: whatever it keeps
// there (a reserved field reads 0), every drive of an MP and of an RDT pass passes. What is
// checked is how the record is read, the same way in every build: the passes of these
// stations run under ThreadSanitizer above.
struct ParameterRecordTail {
  const char* station;
  std::uint8_t fill;
};

class ParameterRecordTailPasses : public e2etest::StationPassTest,
                                  public ::testing::WithParamInterface<ParameterRecordTail> {
 protected:
  ParameterRecordTailPasses() : StationPassTest(GetParam().station, pagestest::kTwentyFourDrives) {}
};

TEST_P(ParameterRecordTailPasses, TwentyFourDrivesPassWhateverTheControllerKeepsAfterTheTableSize) {
  const std::uint8_t fill = GetParam().fill;
  device::SetTransport(std::make_shared<testsupport::CommandRewriter>(
      device::GetTransport(), "Read BBT Parameter", testsupport::CommandRewriter::Data::Answered,
      [fill](std::span<std::uint8_t> data) {
        constexpr std::size_t kTail = offsetof(BbtParameterRecord, tableSectors) + 2;
        constexpr std::size_t kEnd = sizeof(BbtParameterRecord);
        if (data.size() >= kEnd) std::fill(data.begin() + kTail, data.begin() + kEnd, fill);
      }));
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) {
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(PortStateOf(port), kPortPass) << Report(port);
  }
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
}

INSTANTIATE_TEST_SUITE_P(Stations, ParameterRecordTailPasses,
                         ::testing::Values(ParameterRecordTail{"MP", 0x00}, ParameterRecordTail{"RDT", 0x5A}),
                         [](const ::testing::TestParamInfo<ParameterRecordTail>& info) {
                           return std::string(info.param.station) + "Fill" + std::to_string(info.param.fill);
                         });

}  // namespace
