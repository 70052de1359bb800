// The slot report byte for byte: the "START" banner, plain and success lines, the fail record,
// "END"; its temporary twin; the fail-log copies; and 24 writers at once.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

class SlotReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    station.WriteFile("PC_MAC_Address.txt", "[PC Info]\r\nMAC_Address=00:11:22:33:44:55\r\n");
    station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nTestStation=MP\r\n");
    platform::SetFixedLocalTime(platform::LocalTime{2024, 5, 6, 7, 8, 9, 0, 1});
  }
  void TearDown() override { platform::SetFixedLocalTime(std::nullopt); }

  ScratchStation station{ScratchStation::Template::Empty};
};

constexpr char kBanner[] =
    "============================================================\r\n"
    "START\r\n"
    "Date Time  : 2024/05/06 07:08:09\r\n"
    "Slot       : 3\r\n"
    "Drive      : 7\r\n"
    "Station    : MP\r\n"
    "Host       : 00:11:22:33:44:55\r\n"
    "============================================================\r\n";

constexpr char kEnd[] =
    "============================================================\r\n"
    "END        : 2024/05/06 07:08:09\r\n"
    "Result     : PASS\r\n"
    "============================================================\r\n";

constexpr char kFailRecord[] =
    "------------------------- FAIL -------------------------\r\n"
    "Error Tag  : I_x06\r\n"
    "Error Code : 0x406\r\n"
    "Message    : Issue Identify Command Fail.\r\n"
    "Serial     : SN0001\r\n"
    "Slot       : 3\r\n"
    "Date Time  : 2024/05/06 07:08:09\r\n"
    "--------------------------------------------------------\r\n";

constexpr char kReport[] = "WO1_PC/D_Reports/00:11:22:33:44:55_3_Report.txt";

TEST_F(SlotReportTest, StartPlainSuccessFailAndEndLinesByteForByte) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  device.WriteReportLine("START", 0);
  EXPECT_EQ(device.m_ReportFile, ".\\WO1_PC\\D_Reports\\00:11:22:33:44:55_3_Report.txt");
  EXPECT_EQ(station.ReadFile(kReport), kBanner);

  device.WriteReportLine("Boot mode", 1);
  device.WriteReportLine("MP PreTest Process Total take(sec): 1.250 sec.", 0);
  device.m_ErrorTag = "I_x06";
  device.m_ErrorMessage = "Issue Identify Command Fail.";
  device.m_SerialNumber = "SN0001";
  device.WriteFailReport();
  device.WriteReportLine("END", 0);

  const std::string expected = std::string(kBanner) + "   Boot mode \r\n" +
                               "[ Success ] MP PreTest Process Total take(sec): 1.250 sec. \r\n" + kFailRecord + kEnd;
  EXPECT_EQ(station.ReadFile(kReport), expected);
}

TEST_F(SlotReportTest, StartEmptiesAnEarlierReportAndTextsAreNotFormats) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  device.WriteReportLine("START", 0);
  device.WriteReportLine("old run", 1);
  device.WriteReportLine("START", 0);
  device.WriteReportLine("100% done %s %d", 1);
  EXPECT_EQ(station.ReadFile(kReport), std::string(kBanner) + "   100% done %s %d \r\n");
}

// A page's worker that shares a station's log folder keeps the reports it would replace: the
// earlier report is moved aside under the time it was moved, whole, and the page's report
// takes its place. When it cannot be moved, it stays whole where it is and the run's lines
// stay out of it (a lost record).
TEST_F(SlotReportTest, AReportThatAPageWouldReplaceIsMovedAsideWhole) {
  const std::string earlier = std::string(kBanner) + "   a QC pass \r\n" + kEnd;
  station.WriteFile(kReport, earlier);
  CMPDevice page(7, 10, 3, ".\\WO1_PC", nullptr, nullptr);
  page.KeepEarlierReports();
  page.WriteReportLine("START", 0);
  page.WriteReportLine("Show Result", 1);
  EXPECT_EQ(station.ReadFile("WO1_PC/D_Reports/Earlier/00:11:22:33:44:55_3_Report_20240506_070809_000.txt"),
            earlier);
  EXPECT_EQ(station.ReadFile(kReport), std::string(kBanner) + "   Show Result \r\n");
  EXPECT_FALSE(page.RecordsFailed());

  // An engine of a pass replaces its own slot's report, as every pass does.
  CMPDevice pass(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  pass.WriteReportLine("START", 0);
  EXPECT_EQ(station.ReadFile(kReport), kBanner);

  // A report that cannot be moved aside (a file where the folder of the kept reports goes).
  std::filesystem::remove_all(station.Folder() / "WO1_PC/D_Reports/Earlier");
  station.WriteFile("WO1_PC/D_Reports/Earlier", "not a folder");
  station.WriteFile(kReport, earlier);
  CMPDevice blocked(7, 10, 3, ".\\WO1_PC", nullptr, nullptr);
  blocked.KeepEarlierReports();
  blocked.WriteReportLine("START", 0);
  blocked.WriteReportLine("Show Result", 1);
  EXPECT_EQ(station.ReadFile(kReport), earlier);
  EXPECT_TRUE(blocked.RecordsFailed());
  EXPECT_NE(blocked.RecordFailureText().find("Earlier/00:11:22:33:44:55_3_Report_20240506_070809_000.txt: "),
            std::string::npos)
      << blocked.RecordFailureText();
}

TEST_F(SlotReportTest, LineBeforeStartCreatesTheReportInsteadOfLosingIt) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  device.WriteReportLine("early line", 1);
  EXPECT_EQ(station.ReadFile(kReport), "   early line \r\n");
}

TEST_F(SlotReportTest, FailRecordIsCopiedToFailLogAndEnteredInTheErrorLog) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  device.SetLogFileNames(3);
  EXPECT_EQ(device.m_StationIndex, 3);
  EXPECT_EQ(device.m_TotalLogPath, ".\\WO1_PC\\Total_Init.log");
  EXPECT_EQ(device.m_ErrorLogPath, ".\\WO1_PC\\Error_Init.log");
  device.WriteReportLine("START", 0);
  device.m_ErrorTag = "I_x06";
  device.m_ErrorMessage = "Issue Identify Command Fail.";
  device.m_SerialNumber = "SN0001";
  device.WriteFailReport();

  EXPECT_EQ(station.ReadFile("WO1_PC/Fail_Log/00:11:22:33:44:55_3_Report.txt"), std::string(kBanner) + kFailRecord);
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\Error_Init.log", "Error List",
                                        "[2024-05-06 07:08:09]   SlotNo:03   SN:SN0001", ""),
            "--I_x06:Issue Identify Command Fail.");
}

TEST_F(SlotReportTest, LogNamesFollowTheEngineKind) {
  CMPDevice resultPage(7, 10, 3, ".\\WO1_PC", nullptr, nullptr);
  resultPage.SetLogFileNames(2);
  EXPECT_EQ(resultPage.m_TotalLogPath, ".\\WO1_PC\\Total_Debug.log");
  EXPECT_EQ(resultPage.m_ErrorLogPath, ".\\WO1_PC\\Error_Debug.log");
  CMPDevice qc(7, 4, 3, ".\\WO1_PC", nullptr, nullptr);
  qc.SetLogFileNames(5);
  EXPECT_EQ(qc.m_TotalLogPath, ".\\WO1_PC\\Total_Init.log");
}

TEST_F(SlotReportTest, ComputerNameWhenNoMacAddressIsKept) {
  station.WriteFile("PC_MAC_Address.txt", "[PC Info]\r\nMAC_Address=\r\n");
  platform::FlushProfileCache();
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  EXPECT_FALSE(device.m_ReportName.empty());
  EXPECT_EQ(device.m_ReportName, platform::ComputerName());
}

TEST_F(SlotReportTest, TemporaryTwinAndAGivenFile) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  device.WriteTempReportLine("START", 0, "");
  device.WriteTempReportLine("[total]CE0,CH0:AllB=3", 1, "");
  EXPECT_EQ(station.ReadFile("WO1_PC/D_Reports/00:11:22:33:44:55_3_Report_Temp.txt"),
            std::string(kBanner) + "   [total]CE0,CH0:AllB=3 \r\n");

  // The light form writes only to the file it is given.
  CMPDevice reader(1, 11, "x_Temp.txt", 0, 0);
  reader.WriteTempReportLine("START", 0, ".\\x_Temp.txt");
  reader.WriteTempReportLine("line", 1, ".\\x_Temp.txt");
  reader.WriteTempReportLine("dropped", 1, "");
  reader.WriteReportLine("dropped too", 1);
  const std::string written = station.ReadFile("x_Temp.txt");
  EXPECT_NE(written.find("START\r\n"), std::string::npos);
  EXPECT_NE(written.find("Slot       : 0\r\n"), std::string::npos);
  EXPECT_NE(written.find("Station    : unKnown\r\n"), std::string::npos);
  EXPECT_EQ(written.substr(written.size() - 10), "   line \r\n");
  EXPECT_EQ(reader.m_FileName, "x_Temp.txt");
}

TEST_F(SlotReportTest, SaveBufferToFileWritesTheBytesOrTagsTheFailure) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  const std::uint8_t bytes[4] = {0x00, 0xFF, 0x10, 0x0A};
  EXPECT_EQ(device.SaveBufferToFile(".\\STLLogdata.BIN", bytes, sizeof(bytes)), 1);
  EXPECT_EQ(station.ReadFile("STLLogdata.BIN"), std::string("\x00\xFF\x10\x0A", 4));

  EXPECT_EQ(device.SaveBufferToFile(".\\no such folder\\x.bin", bytes, sizeof(bytes)), 0);
  EXPECT_EQ(device.m_ErrorTag, "A_x08");
  EXPECT_EQ(device.m_ErrorMessage, "Open saving file-.\\no such folder\\x.bin Failed");
}

// 24 slots write their reports at once: every line of every slot arrives, none is torn.
TEST(SlotReportThreads, TwentyFourWritersLoseNoLine) {
  ScratchStation station{ScratchStation::Template::Empty};
  station.WriteFile("PC_MAC_Address.txt", "[PC Info]\r\nMAC_Address=HOST\r\n");
  constexpr int kSlots = 24;
  constexpr int kLines = 200;
  std::vector<std::unique_ptr<CMPDevice>> devices;
  for (int slot = 1; slot <= kSlots; ++slot) {
    devices.push_back(std::make_unique<CMPDevice>(slot, 1, slot, ".\\LOG", nullptr, nullptr));
    devices.back()->WriteReportLine("START", 0);
  }
  std::vector<std::thread> threads;
  for (int slot = 1; slot <= kSlots; ++slot) {
    threads.emplace_back([&, slot] {
      for (int line = 0; line < kLines; ++line) {
        devices[slot - 1]->WriteReportLine("slot " + std::to_string(slot) + " line " + std::to_string(line), 1);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int slot = 1; slot <= kSlots; ++slot) {
    const std::string text = station.ReadFile("LOG/D_Reports/HOST_" + std::to_string(slot) + "_Report.txt");
    std::size_t at = text.find("============================================================\r\n", 1);
    ASSERT_NE(at, std::string::npos);
    at += 62;
    for (int line = 0; line < kLines; ++line) {
      const std::string expected = "   slot " + std::to_string(slot) + " line " + std::to_string(line) + " \r\n";
      ASSERT_EQ(text.compare(at, expected.size(), expected), 0) << "slot " << slot << " line " << line;
      at += expected.size();
    }
    EXPECT_EQ(at, text.size());
  }
}

}  // namespace

namespace {

// The report stays open for its engine object: a report removed or replaced behind its back
// still takes the next line where the path leads, as a report opened for every line would.
TEST_F(SlotReportTest, AHeldReportFollowsItsPath) {
  CMPDevice device(7, 1, 3, ".\\WO1_PC", nullptr, nullptr);
  device.WriteReportLine("START", 0);
  device.WriteReportLine("first", 1);
  std::filesystem::remove(station.Folder() / kReport);
  device.WriteReportLine("after removal", 1);
  EXPECT_EQ(station.ReadFile(kReport), "   after removal \r\n");
  station.WriteFile(kReport, "put there by another writer\r\n");
  device.WriteReportLine("after replacement", 1);
  EXPECT_EQ(station.ReadFile(kReport), "put there by another writer\r\n   after replacement \r\n");
  EXPECT_FALSE(device.RecordsFailed());
}

// 24 slots start their reports at the same moment in a log folder that does not exist yet:
// each makes the folder or finds it made, and every banner is written.
TEST(SlotReportThreads, TwentyFourBannersAtOnceMakeTheirFolderOnce) {
  ScratchStation station{ScratchStation::Template::Empty};
  station.WriteFile("PC_MAC_Address.txt", "[PC Info]\r\nMAC_Address=HOST\r\n");
  constexpr int kSlots = 24;
  for (int round = 0; round < 10; ++round) {
    const std::string folder = ".\\LOG" + std::to_string(round);
    std::vector<std::unique_ptr<CMPDevice>> devices;
    for (int slot = 1; slot <= kSlots; ++slot) {
      devices.push_back(std::make_unique<CMPDevice>(slot, 1, slot, folder, nullptr, nullptr));
    }
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int slot = 1; slot <= kSlots; ++slot) {
      threads.emplace_back([&, slot] {
        ready.fetch_add(1);
        while (ready.load() < kSlots) std::this_thread::yield();
        devices[slot - 1]->WriteReportLine("START", 0);
        devices[slot - 1]->WriteReportLine("line", 1);
      });
    }
    for (auto& thread : threads) thread.join();
    for (int slot = 1; slot <= kSlots; ++slot) {
      SCOPED_TRACE(slot);
      EXPECT_FALSE(devices[slot - 1]->RecordsFailed()) << devices[slot - 1]->RecordFailureText();
      const std::string report = station.ReadFile("LOG" + std::to_string(round) + "/D_Reports/HOST_" +
                                                  std::to_string(slot) + "_Report.txt");
      EXPECT_NE(report.find("START\r\n"), std::string::npos);
      EXPECT_TRUE(report.ends_with("   line \r\n"));
    }
  }
}

}  // namespace
