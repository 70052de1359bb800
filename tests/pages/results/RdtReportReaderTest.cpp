// The RDT-report reader in its three readings: fixture reports to exact rows, boxes and
// summary lines in both section styles, the fail records taken by their table layouts only,
// the name of the companion summary, and a report written by the RDT log reader's own walk
// and judgement read back to the counts that produced it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RecordingView.h"
#include "device/records/RdtLogs.h"
#include "engine/core/SlotReportText.h"
#include "engine/rdtlog/BadBlockJudgement.h"
#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/SpecialTestLog.h"
#include "pages/results/RdtReportReader.h"
#include "pages/results/RdtSummaryFile.h"
#include "platform/Debug.h"
#include "support/ScratchStation.h"

namespace {

using resultstest::RecordingView;
using Row = RecordingView::Row;

struct Reading {
  RecordingView view;
  std::vector<std::string> summary;
};

Reading Read(const std::vector<std::string>& lines, int style, RdtReading reading = RdtReading::LaterBadPage,
             bool shortcut = true) {
  Reading result;
  CRdtReportReader reader(result.view, reading, style, shortcut);
  reader.Begin();
  for (const std::string& line : lines) {
    const std::string framed = engine::report::PlainLineText(line);
    reader.Line(std::string_view(framed).substr(0, framed.find_last_not_of(" \r\n") + 1));
  }
  reader.End();
  result.summary = reader.SummaryLines();
  return result;
}

const std::vector<std::string> kStyle0 = {
    "Temperature_Time Log:",
    "RDT Info_RDT ECC (XLC/SLC) = 40/20",
    "RDT Info_RDT Loop = 3/5",
    "RDT Info_Erase Mode   = Enable",
    "RDT Info_Read Retry   = Disable",
    "RDT Info_CE Map    = 0203",
    "RDT_Temperature    = 45",
    "RDT_FWVersion      =R1A",
    "Bad Block Log:",
    "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,Step number,"
    "Stage number,Over threshold correctable bit,Time Stamp",
    "Factory bad block,1,0,0,0x10,0,3,1,2,NA,NA,NA,777",
    "Erase fail,1,0,1,0x21,5,3,1,2,0,Erase,0,800",
    "Program fail(SLC Mode),9,1,0,0x30,7,3,2,1,1,Program,0,801",
    "Read correctable bit over threshold,9,1,1,0x31,8,3,2,1,3,Post Read,25,802",
    "[All Bad Spec] 80",
    "[OB]   CE: 1, CH: 0, Plane0=1, Plane1=0",
    "[RB]   CE: 1, CH: 0, Plane0=0, Plane1=1",
    "[RB_SLC] CE: 1, CH: 0, Plane0=0, Plane1=0",
    "[total] CE_1, CH_0: All Bad = 2, OB = 1, RB = 1(SLCEB:0/SLCPB:0/SLCRB:0/E:1/P:0/R:0/un:0)",
    "[OB]   CE: 9, CH: 1, Plane0=0, Plane1=0",
    "[RB]   CE: 9, CH: 1, Plane0=0, Plane1=1",
    "[RB_SLC] CE: 9, CH: 1, Plane0=1, Plane1=0",
    "[total] CE_9, CH_1: All Bad = 2, OB = 0, RB = 2(SLCEB:0/SLCPB:1/SLCRB:0/E:0/P:0/R:1/un:0)",
    "[total] CE_7, CH_1: All Bad = 6, OB = 6, RB = 0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0/un:0)",
    "RDT Total testing time= 1:2:3.",
};

TEST(RdtReportReader, StyleZeroFixtureOnTheLaterBadPage) {
  const Reading r = Read(kStyle0, 0);
  const RecordingView& v = r.view;
  EXPECT_EQ(v.Rows(ResultList::PerPlane),
            (std::vector<Row>{{"OB", "0", "1", "1", "0", "", ""},
                              {"TLC Bad", "0", "1", "0", "1", "", ""},
                              {"SLC Bad", "0", "1", "0", "0", "", ""},
                              {"OB", "1", "9", "0", "0", "", ""},
                              {"TLC Bad", "1", "9", "0", "1", "", ""},
                              {"SLC Bad", "1", "9", "1", "0", "", ""}}));
  // The OB sum takes rows 0 and 3, the OB rows of this order.
  EXPECT_EQ(v.Box(ResultBox::ObOlbCount), "1");
  EXPECT_EQ(v.Cell(ResultList::CeChannel0, 0, 2), "2");
  EXPECT_EQ(v.Cell(ResultList::CeChannel0, 1, 2), "1");
  EXPECT_EQ(v.Cell(ResultList::CeChannel0, 2, 2), "1");
  EXPECT_EQ(v.Cell(ResultList::CeChannel1, 0, 2), "2");
  EXPECT_EQ(v.Cell(ResultList::CeChannel1, 2, 2), "2");
  // CE 7 on channel 1 is placed by the same rule as everywhere: nowhere, the row names stay.
  EXPECT_EQ(v.Cell(ResultList::CeChannel1, 0, 0), "All Bad");
  EXPECT_EQ(v.Cell(ResultList::CeChannel0, 0, 8), "0");
  EXPECT_EQ(v.Rows(ResultList::EarlyBad),
            (std::vector<Row>{{"0", "1", "0", "0x10", "0", "3", "1", "2", "777", "Factory bad block"}}));
  EXPECT_EQ(v.Rows(ResultList::LaterBad),
            (std::vector<Row>{{"0", "1", "1", "0x21", "5", "3", "1", "2", "0", "Erase fail"},
                              {"1", "9", "0", "0x30", "7", "3", "2", "1", "0", "Program fail(SLC Mode)"},
                              {"1", "9", "1", "0x31", "8", "3", "2", "1", "25", "Read correctable bit over threshold"}}));
  EXPECT_EQ(v.Box(ResultBox::EraseFail), "1");
  EXPECT_EQ(v.Box(ResultBox::ProgramFail), "1");
  EXPECT_EQ(v.Box(ResultBox::ReadFail), "1");
  EXPECT_EQ(v.Box(ResultBox::RdtBadCount), "3");
  EXPECT_EQ(v.Box(ResultBox::EccXs), "40/20");
  EXPECT_EQ(v.Box(ResultBox::RdtLoop), "3/5");
  EXPECT_EQ(v.Box(ResultBox::EraseMode), "Enable");
  EXPECT_EQ(v.Box(ResultBox::ReadRetry), "Disable");
  EXPECT_EQ(v.Box(ResultBox::CeMap), "0203");
  EXPECT_EQ(v.Box(ResultBox::RdtTemperature), " 45");
  EXPECT_EQ(v.Box(ResultBox::RdtVersion), "R1A");
  EXPECT_EQ(v.Box(ResultBox::RdtTotalTime), " 1:2:3");
  // Style 0 counts no fail per CE: E, P and R stay 0; the SLC counts come from the tails.
  EXPECT_EQ(r.summary, (std::vector<std::string>{
                           "[total]CE1,CH0:AllB=2,OB=1,RB=1(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0)",
                           "[total]CE7,CH0:AllB=6,OB=6,RB=0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0)",
                           "[total]CE9,CH1:AllB=2,OB=0,RB=2(SLCEB:0/SLCPB:1/SLCRB:0/E:0/P:0/R:0)"}));
  EXPECT_EQ(v.debug.size(), 6u);  // the stripped data lines
  EXPECT_EQ(v.debug[0], "1,0,1,0");
}

TEST(RdtReportReader, StyleOneNamesItsSectionsAndCountsFailsPerCe) {
  const Reading r = Read({"[Early Bad] CE: 3, CH: 0, Plane0=2",
                          "[Later Bad] CE: 3, CH: 0, Plane0=1",
                          "[A2Later Bad] CE: 3, CH: 0, Plane0=0",
                          "[OB]   CE: 3, CH: 0, Plane0=9",
                          "[total] CE_3, CH_0: All Bad = 3, ManufactureBad = 2, RDTBad = 1",
                          "Erase fail,3,0,0,0x5,0,1,1,1,0,Erase,0,1",
                          "Read uncorrectable fail,3,0,0,0x6,0,1,1,1,0,Pre read,0,1",
                          "Trigger command time out,12,1,0,0x7,0,1,1,1,0,Pre read,0,1"},
                         1);
  EXPECT_EQ(r.view.Rows(ResultList::PerPlane),
            (std::vector<Row>{{"OB", "0", "3", "2", "", "", ""},
                              {"TLC Bad", "0", "3", "1", "", "", ""},
                              {"SLC Bad", "0", "3", "0", "", "", ""}}));
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel0, 1, 4), "2");
  EXPECT_EQ(r.view.Box(ResultBox::ReadFail), "2");
  EXPECT_EQ(r.summary, (std::vector<std::string>{
                           "[total]CE3,CH0:AllB=3,OB=2,RB=1(SLCEB:0/SLCPB:0/SLCRB:0/E:1/P:0/R:1)"}));
}

TEST(RdtReportReader, FailRecordsAreTakenOnlyFromTheRowsOfTheirTables) {
  const Reading r = Read(
      {"RDT Info_Erase Mode   = Erase fail",  // a setting line that names a fail type
       "[Error] Program fail on CE 3",        // so does an error line
       "Hang fail,1,0,0,0x9,0,1,1,1,0,Erase,0,1",
       "TLC Special Test Log(STL):",
       "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,Max_tProgram(ms),Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
       "150,2,0,1,77,12,1.250,26,3,40,Program fail",
       "150,2,0,1,78,12,1.250,Invalid,3,40,Factory bad block",
       "150,2,0,1,79,12,Program fail",  // not of the table's layout
       "TLC Baking Test Log(BTL):",
       "CE_No,Channel_No,Plane_No,Block_No,Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
       "9,1,0,300,Invalid,2,85,Erase fail",
       "Bad Block Log:",
       "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,Step number,"
       "Stage number,Over threshold correctable bit,Time Stamp",
       "9,1,0,301,Invalid,2,85,Erase fail"},  // a baking row under the bad-block table
      1);
  EXPECT_EQ(r.view.Rows(ResultList::LaterBad),
            (std::vector<Row>{{"0", "2", "1", "77", "12", "", "", "", "26", "Program fail"},
                              {"1", "9", "0", "300", "", "", "", "", "Invalid", "Erase fail"}}));
  EXPECT_EQ(r.view.Rows(ResultList::EarlyBad),
            (std::vector<Row>{{"0", "2", "1", "78", "12", "", "", "", "", "Factory bad block"}}));
  EXPECT_EQ(r.view.Box(ResultBox::EraseFail), "1");
  EXPECT_EQ(r.view.Box(ResultBox::ProgramFail), "1");
  EXPECT_EQ(r.view.Box(ResultBox::EraseMode), "Erase");
}

TEST(RdtReportReader, TheRdtPagesReadings) {
  // Load Data: sections renamed, no setting keys, no sums, empty fail boxes, every line to the
  // debugger output.
  const Reading load = Read(kStyle0, 0, RdtReading::RdtPageLoadData);
  EXPECT_EQ(load.view.Cell(ResultList::PerPlane, 1, 0), "TLC Bad");
  EXPECT_EQ(load.view.Box(ResultBox::EccXs), "");
  EXPECT_EQ(load.view.Box(ResultBox::CeMap), "<unset>");
  EXPECT_EQ(load.view.Box(ResultBox::ObOlbCount), "<unset>");
  EXPECT_EQ(load.view.Box(ResultBox::RdtBadCount), "<unset>");
  EXPECT_EQ(load.view.debug.size(), kStyle0.size());
  EXPECT_EQ(load.summary.size(), 3u);
  // The worker's reading: the sections keep the report's names and no summary is kept; its
  // list preparation comes before the drive work.
  RecordingView worker;
  PrepareRdtPageLists(worker);
  EXPECT_EQ(worker.Box(ResultBox::EraseFail), "");
  EXPECT_EQ(worker.Rows(ResultList::CeChannel0).size(), 3u);
  CRdtReportReader reader(worker, RdtReading::RdtPageWorker, 1);
  reader.Begin();
  for (const char* line : {"   [RB_SLC] CE: 2, CH: 1, Plane0=3, Plane1=4", "   [total] CE_3, CH_0: All Bad = 5, OB = 4, RB = 1"})
    reader.Line(line);
  reader.End();
  EXPECT_EQ(worker.Rows(ResultList::PerPlane), (std::vector<Row>{{"RB_SLC", "1", "2", "3", "4", "", ""}}));
  EXPECT_EQ(worker.Cell(ResultList::CeChannel0, 0, 4), "5");
  EXPECT_EQ(worker.Cell(ResultList::CeChannel0, 2, 4), "1");
  EXPECT_TRUE(reader.SummaryLines().empty());
}

TEST(RdtReportReader, TheSummaryTwinReplacesOnlyTheFileNamesTxt) {
  EXPECT_EQ(RdtSummaryPath(".\\W_PC\\QC\\D_Reports\\HOST_3_Report.txt"), ".\\W_PC\\QC\\D_Reports\\HOST_3_Report_Temp.txt");
  EXPECT_EQ(RdtSummaryPath(".\\a.txt.d\\HOST_3_Report.TXT"), ".\\a.txt.d\\HOST_3_Report_Temp.txt");
  EXPECT_EQ(RdtSummaryPath("/tmp/report.log"), "/tmp/report.log_Temp.txt");
  EXPECT_EQ(RdtSummaryPath("x.txt\\"), "x.txt\\_Temp.txt");
  for (const char* path : {"r.txt", "r_Temp.txt", "R", ".txt"}) EXPECT_NE(RdtSummaryPath(path), path);
}

TEST(RdtReportReader, TheSummaryIsWrittenAfterABanner) {
  testsupport::ScratchStation station;
  station.WriteFile("D_Reports/HOST_2_Report.txt", "");
  WriteRdtSummary(".\\D_Reports\\HOST_2_Report.txt", {"[total]CE0,CH0:AllB=1,OB=1,RB=0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0)"});
  const std::string text = station.ReadFile("D_Reports/HOST_2_Report_Temp.txt");
  EXPECT_NE(text.find("[total]CE0,CH0:AllB=1"), std::string::npos) << text;
  EXPECT_LT(text.find("START"), text.find("[total]")) << text;
  EXPECT_EQ(station.ReadFile("D_Reports/HOST_2_Report.txt"), "");
}

// Collects what the RDT log reader's walk and judgement write.
class Lines final : public RdtOutput {
 public:
  void ReportLine(const std::string& text) override { report.push_back(text); }
  void TempReportLine(const std::string& text) override { temp.push_back(text); }
  void CsvLine(RdtCsv, const std::string&) override {}
  std::vector<std::string> report;
  std::vector<std::string> temp;
};

void AddEntry(std::vector<std::uint8_t>& log, std::uint8_t type, std::uint8_t ce, std::uint8_t channel,
              std::uint16_t block, std::uint8_t plane, std::uint8_t slc = 0) {
  RdtBadBlockLogEntry entry{};
  entry.failType = type;
  entry.ce = ce;
  entry.channel = channel;
  entry.totalLoop = 3;
  entry.block.Set(block);
  entry.page.Set(4);
  entry.runLoop = 1;
  entry.runCycle = 2;
  entry.stepAndStage = 0x12;
  entry.overThresholdBits.Set(block % 7 == 0 ? 30 : 0);
  entry.timeStamp.Set(1000 + block);
  entry.slcMode = slc;
  entry.plane = plane;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&entry);
  log.insert(log.end(), bytes, bytes + sizeof(entry));
}

TEST(RdtReportReader, AReportOfTheLogReadersOwnLinesReadsBackToItsCounts) {
  std::vector<std::uint8_t> log;
  struct Planned {
    std::uint8_t type, ce, channel;
    std::uint16_t block;
    std::uint8_t plane, slc;
  };
  const Planned planned[] = {{0x01, 0, 0, 10, 0, 0}, {0x01, 0, 0, 11, 1, 0}, {0x02, 0, 0, 20, 0, 0},
                             {0x03, 0, 0, 21, 1, 0}, {0x04, 0, 0, 22, 0, 0}, {0x06, 0, 0, 23, 1, 0},
                             {0x03, 0, 0, 24, 0, 1}, {0x01, 9, 1, 40, 1, 0}, {0x08, 9, 1, 41, 1, 0},
                             {0x05, 9, 1, 42, 0, 0}, {0x02, 9, 1, 43, 1, 1}};
  for (const Planned& p : planned) AddEntry(log, p.type, p.ce, p.channel, p.block, p.plane, p.slc);
  log.insert(log.end(), std::begin(kLogEndMark), std::end(kLogEndMark));
  log.resize(log.size() + 24, 0x20);

  Lines out;
  RdtBadBlockTallies tallies;
  BadBlockWalkResult walk;
  out.ReportLine("Temperature_Time Log:");
  out.ReportLine("Bad Block Log:");
  out.ReportLine(kBadBlockReportColumns);
  WalkBadBlockLog(log, BadBlockWalkSettings{false, 0, 2}, tallies, walk, out);
  BadBlockJudgementInputs inputs;
  inputs.tallies = &tallies;
  inputs.geometry.planes = 2;
  inputs.geometry.blocksPerCe = 1024;
  inputs.geometry.diesPerCe = 1;
  inputs.ceMap = 0;
  JudgeRdtBadBlocks(inputs, out);

  const Reading r = Read(out.report, 0);
  EXPECT_EQ(r.view.Rows(ResultList::EarlyBad).size(), 3u);
  EXPECT_EQ(r.view.Rows(ResultList::LaterBad).size(), 8u);
  EXPECT_EQ(r.view.Box(ResultBox::EraseFail), "2");
  EXPECT_EQ(r.view.Box(ResultBox::ProgramFail), "2");
  EXPECT_EQ(r.view.Box(ResultBox::ReadFail), "4");
  // CE 0 channel 0: OB 2, RB 5 (4 TLC + 1 SLC); CE 9 channel 1: OB 1, RB 3 (2 + 1).
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel0, 0, 1), "7");
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel0, 1, 1), "2");
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel0, 2, 1), "5");
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel1, 0, 2), "4");
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel1, 1, 2), "1");
  EXPECT_EQ(r.view.Cell(ResultList::CeChannel1, 2, 2), "3");
  // The summary repeats the judgement's own summary lines (without their "un" count).
  ASSERT_EQ(r.summary.size(), 2u);
  ASSERT_GE(out.temp.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string expected = out.temp[i].substr(0, out.temp[i].find("/E:"));
    EXPECT_EQ(r.summary[i].substr(0, r.summary[i].find("/E:")), expected);
  }
}

// The rows of the log reader's walk for every fail type, in TLC and SLC mode, with and without
// program fails reported as read fails.
std::vector<std::string> EngineRows(bool programToRead) {
  std::vector<std::uint8_t> log;
  std::uint16_t block = 3;
  for (std::uint8_t type : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0F, 0x0B, 0x03, 0x03}) {
    for (std::uint8_t slc : {0, 1}) {
      AddEntry(log, type, static_cast<std::uint8_t>(block % 16), static_cast<std::uint8_t>(block % 16 / 8), block,
               static_cast<std::uint8_t>(block % 2), slc);
      block = static_cast<std::uint16_t>(block * 7 + 1);
    }
  }
  log.insert(log.end(), std::begin(kLogEndMark), std::end(kLogEndMark));
  log.resize(log.size() + 24, 0x20);
  Lines out;
  RdtBadBlockTallies tallies;
  BadBlockWalkResult walk;
  WalkBadBlockLog(log, BadBlockWalkSettings{programToRead, 0, 2}, tallies, walk, out);
  return out.report;
}

TEST(RdtReportReader, TheOnePassReadingOfTheLogReadersRowsMatchesTheGeneralReading) {
  std::vector<std::string> lines = {"Temperature_Time Log:", "RDT Info_RDT ECC (XLC/SLC) = 40/20", "Bad Block Log:",
                                    kBadBlockReportColumns};
  int rows = 0;
  for (bool programToRead : {false, true}) {
    for (const std::string& row : EngineRows(programToRead)) {
      CRdtFailRecords records;
      RdtFailRecord fast;
      RdtFailRecord general;
      const bool failRecord = CRdtFailRecords().Line(row, general);
      // Every row that is a fail record is taken in one pass, with the same fields.
      EXPECT_EQ(records.EngineRow(row, fast), failRecord) << row;
      if (failRecord) {
        ++rows;
        EXPECT_EQ(fast.kind, general.kind) << row;
        EXPECT_EQ(fast.table, general.table) << row;
        for (auto field : {&RdtFailRecord::type, &RdtFailRecord::ce, &RdtFailRecord::channel, &RdtFailRecord::plane,
                           &RdtFailRecord::block, &RdtFailRecord::page, &RdtFailRecord::totalLoop,
                           &RdtFailRecord::runLoop, &RdtFailRecord::runCycle, &RdtFailRecord::ecc,
                           &RdtFailRecord::timeStamp}) {
          EXPECT_EQ(fast.*field, general.*field) << row;
        }
      }
      lines.push_back(row);
    }
  }
  EXPECT_GE(rows, 40);
  // Rows that only look like the log reader's take the general reading: a key after the
  // type, a thirteenth field, a remark of another kind, a tab before the type.
  const std::vector<std::string> lookalikes = {
      "Erase fail,1,0,1,0x21,5,3,1,2,0,Erase,0,800 RDT_Temperature = 51",
      "Erase fail,1,0,1,0x21,5,3,1,2,0,Erase,0,800 [total] CE_1, CH_0: All Bad = 2, OB = 1, RB = 1",
      "Program fail,1,0,1,0x22,5,3,1,2,0,RDT_FWVersion =R9,0,800",
      "Read uncorrectable fail,1,0,1,0x23,5,3,1,2,0,Post Read,0,800,9",
      "Erase fail(Odd),1,0,1,0x24,5,3,1,2,0,Erase,0,800",
      "\tErase fail,1,0,1,0x25,5,3,1,2,0,Erase,0,800",
      "Factory bad block,2,0,0,0x26,0,3,1,2,NA,NA,NA,777",
  };
  CRdtFailRecords records;
  RdtFailRecord record;
  for (std::size_t i = 0; i + 1 < lookalikes.size(); ++i) EXPECT_FALSE(records.EngineRow(lookalikes[i], record)) << i;
  EXPECT_TRUE(records.EngineRow(lookalikes.back(), record));
  lines.insert(lines.end(), lookalikes.begin(), lookalikes.end());
  lines.push_back("[OB]   CE: 1, CH: 0, Plane0=1, Plane1=0");
  lines.push_back("[total] CE_1, CH_0: All Bad = 2, OB = 1, RB = 1(SLCEB:0/SLCPB:0/SLCRB:0/E:1/P:0/R:0/un:0)");
  for (int style : {0, 1}) {
    for (RdtReading reading : {RdtReading::LaterBadPage, RdtReading::RdtPageLoadData, RdtReading::RdtPageWorker}) {
      const Reading fast = Read(lines, style, reading, true);
      const Reading general = Read(lines, style, reading, false);
      EXPECT_TRUE(fast.view == general.view) << style << " " << static_cast<int>(reading);
      EXPECT_EQ(fast.summary, general.summary);
      EXPECT_EQ(fast.view.Box(ResultBox::RdtTemperature), " 51");
    }
  }
}

}  // namespace
