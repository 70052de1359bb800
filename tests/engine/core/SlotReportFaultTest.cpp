// Records before verdicts in the engine's report writers: every write that does not reach
// its file is noted with the path and the reason, a report whose banner cannot be written
// takes no line of the run (it still holds the earlier run, byte for byte), a line that
// cannot be written leaves no part of itself behind, and a missing report still drops a
// report section without a note.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/FileFaults.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

constexpr char kReport[] = "WO1_PC/D_Reports/HOST_3_Report.txt";
constexpr char kReportText[] = ".\\WO1_PC\\D_Reports\\HOST_3_Report.txt";
constexpr char kEarlierRun[] = "an earlier run's report\r\n   its lines \r\n";

class SlotReportFault : public ::testing::Test {
 protected:
  void SetUp() override {
    station.WriteFile("PC_MAC_Address.txt", "[PC Info]\r\nMAC_Address=HOST\r\n");
    platform::SetFixedLocalTime(platform::LocalTime{2024, 5, 6, 7, 8, 9, 0, 1});
    device = std::make_unique<CMPDevice>(3, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  }
  void TearDown() override {
    platform::DisarmFileFaults();
    platform::SetFixedLocalTime(std::nullopt);
  }
  std::string Failure(const char* path, int error) {
    return "Log write failed: " + platform::ToNativePath(path).string() + ": " + platform::ErrnoText(error);
  }
  static void Fail(CMPDevice& engine) {
    engine.m_ErrorTag = "I_x06";
    engine.m_ErrorMessage = "Issue Identify Command Fail.";
    engine.WriteFailReport();
  }

  ScratchStation station{ScratchStation::Template::Empty};
  std::unique_ptr<CMPDevice> device;
};

TEST_F(SlotReportFault, ABannerThatCannotReplaceTheEarlierRunKeepsEveryLineOfTheRunOut) {
  for (const int error : {EROFS, ENOSPC, EIO}) {
    SCOPED_TRACE(platform::ErrnoText(error));
    station.WriteFile(kReport, kEarlierRun);
    CMPDevice run{3, 1, 3, ".\\WO1_PC", nullptr, nullptr};
    run.SetLogFileNames(0);
    {
      platform::ScopedFileFault fault({"*_Report.txt", platform::kWriteReplace, error});
      run.WriteReportLine("START", 1);
    }
    // Nothing of this run reaches the earlier run's file, even once the disk takes writes again.
    run.WriteReportLine("Boot mode", 1);
    Fail(run);
    run.WriteReportLine("END", 1);
    EXPECT_EQ(station.ReadFile(kReport), kEarlierRun);
    EXPECT_TRUE(run.RecordsFailed());
    EXPECT_EQ(run.RecordFailureText(), Failure(kReportText, error));
    // No fail-log copy of the earlier run's report passes for this run's.
    EXPECT_FALSE(std::filesystem::exists(station.Folder() / "WO1_PC" / "Fail_Log" / "HOST_3_Report.txt"));
  }
}

TEST_F(SlotReportFault, ALineThatCannotBeWrittenLeavesNoPartOfItself) {
  device->WriteReportLine("START", 1);
  const std::string started = station.ReadFile(kReport);
  {
    platform::ScopedFileFault fault({"*_Report.txt", platform::kWriteAppend, ENOSPC});
    device->WriteReportLine("a line half of which would fit", 1);
    EXPECT_EQ(platform::FileFaultStrikes(), 1u);
  }
  EXPECT_EQ(station.ReadFile(kReport), started);
  EXPECT_EQ(device->RecordFailureText(), Failure(kReportText, ENOSPC));
  // The first failure is the one named; later lines go on.
  device->WriteReportLine("next", 1);
  EXPECT_EQ(station.ReadFile(kReport), started + "   next \r\n");
  EXPECT_EQ(device->RecordFailureText(), Failure(kReportText, ENOSPC));
}

TEST_F(SlotReportFault, TheFailRecordItsCopyAndTheErrorLogEachReportTheirFailure) {
  device->SetLogFileNames(0);
  device->WriteReportLine("START", 1);
  {
    platform::ScopedFileFault fault({"*_Report.txt", platform::kWriteCopy, EIO});
    Fail(*device);
  }
  EXPECT_EQ(device->RecordFailureText(), Failure(".\\WO1_PC\\Fail_Log\\HOST_3_Report.txt", EIO));
  EXPECT_NE(station.ReadFile(kReport).find("Error Tag  : I_x06\r\n"), std::string::npos);

  CMPDevice second{3, 1, 3, ".\\WO1_PC", nullptr, nullptr};
  second.SetLogFileNames(0);
  second.m_SerialNumber = "SN2";  // an error-log entry of its own
  second.WriteReportLine("START", 1);
  {
    platform::ScopedFileFault fault({"Error_Init.log", platform::kWriteReplace, EROFS});
    Fail(second);
  }
  EXPECT_EQ(second.RecordFailureText(), Failure(".\\WO1_PC\\Error_Init.log", EROFS));

  CMPDevice third{3, 1, 3, ".\\WO1_PC", nullptr, nullptr};
  third.WriteReportLine("START", 1);
  const std::string started = station.ReadFile(kReport);
  {
    platform::ScopedFileFault fault({"*_Report.txt", platform::kWriteAppend, EIO});
    Fail(third);
  }
  EXPECT_EQ(station.ReadFile(kReport), started);
  EXPECT_EQ(third.RecordFailureText(), Failure(kReportText, EIO));
}

TEST_F(SlotReportFault, AMissingReportDropsASectionWithoutANoteAnExistingOneNotes) {
  const std::uint8_t block[512] = {};
  device->WriteInfoBlockReport(block);
  EXPECT_FALSE(device->RecordsFailed());
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / kReport));

  device->WriteReportLine("START", 1);
  const std::string started = station.ReadFile(kReport);
  {
    platform::ScopedFileFault fault({"*_Report.txt", platform::kWriteAppend, ENOSPC});
    device->WriteInfoBlockReport(block);
  }
  EXPECT_EQ(station.ReadFile(kReport), started);
  EXPECT_EQ(device->RecordFailureText(), Failure(kReportText, ENOSPC));
}

TEST_F(SlotReportFault, ATemporaryReportThatCannotBeStartedTakesNoLine) {
  station.WriteFile("WO1_PC/D_Reports/HOST_3_Report_Temp.txt", kEarlierRun);
  {
    platform::ScopedFileFault fault({"*_Temp.txt", platform::kWriteReplace, EROFS});
    device->WriteTempReportLine("START", 1, "");
  }
  device->WriteTempReportLine("line", 1, "");
  EXPECT_EQ(station.ReadFile("WO1_PC/D_Reports/HOST_3_Report_Temp.txt"), kEarlierRun);
  EXPECT_TRUE(device->RecordsFailed());
  // A new START that succeeds starts the file again.
  device->WriteTempReportLine("START", 1, "");
  device->WriteTempReportLine("line", 1, "");
  EXPECT_EQ(station.ReadFile("WO1_PC/D_Reports/HOST_3_Report_Temp.txt").substr(0, 3), "===");
}

}  // namespace
