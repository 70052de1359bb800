// The block map, headless: the report it finds (the opener's path, else the file dialog), the
// reader the report's first marker picks, the grids' columns, rows, labels and shading, every
// kind of cell with its text and colours, the legends, the CE paging, and the cells and lines
// it leaves alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/records/BadBlockTable.h"
#include "device/records/RdtLogs.h"
#include "engine/rdtlog/BadBlockLog.h"
#include "engine/scan/ScanReportLines.h"
#include "pages/results/BlockMapDlg.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"
#include "ui/ScriptedHost.h"

namespace {

using ui::RGB;

constexpr ui::COLORREF kWhite = RGB(255, 255, 255);
constexpr ui::COLORREF kBlack = RGB(0, 0, 0);

class BlockMapTest : public ::testing::Test {
 protected:
  BlockMapTest() { ui::SetHost(&host); }
  ~BlockMapTest() override { ui::SetHost(nullptr); }

  // Opens the dialog on a report written from the lines (each framed as a plain report line).
  void Open(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "   " + line + " \r\n";
    station.WriteFile("W_PC/QC/D_Reports/HOST_3_Report.txt", text);
    dialog.SetReportLocation(".\\W_PC\\QC\\D_Reports\\HOST_3_Report.txt", ".\\W_PC\\QC\\D_Reports");
    ASSERT_TRUE(dialog.Create(nullptr));
  }
  ui::ListCell Cell(int grid, int row, int column) {
    const std::optional<ui::ListCell> cell = (grid == 0 ? dialog.m_listCh0 : dialog.m_listCh1).GetCell(row, column);
    return cell ? *cell : ui::ListCell{"<none>", 0, 0};
  }
  void ExpectCell(int grid, int row, int column, const char* text, ui::COLORREF background, ui::COLORREF color) {
    const ui::ListCell cell = Cell(grid, row, column);
    EXPECT_EQ(cell.text, text) << grid << "/" << row << "/" << column;
    EXPECT_EQ(cell.bkColor, background) << grid << "/" << row << "/" << column;
    EXPECT_EQ(cell.textColor, color) << grid << "/" << row << "/" << column;
  }

  testsupport::ScratchStation station;
  ui::ScriptedHost host;
  CBlockMapDlg dialog;
};

const std::vector<std::string> kScanGeometry = {"Die Per Flash= 2;", "Plane Number = 4;", "Max Block Per CE= 2048; ",
                                                "Get Max Bad block number Percent= 4 "};

TEST_F(BlockMapTest, AScanReportGivesTwoGridsOfItsBlockCountWithFourPlaneShading) {
  std::vector<std::string> lines = {"     CENo_0/Die_0-> Channel:0,EarlyBad:Plane0=1"};  // before the rows: nothing
  lines.insert(lines.end(), kScanGeometry.begin(), kScanGeometry.end());
  lines.push_back("     CENo_9/Die_1-> Channel:1,EarlyBad:Plane0=1");
  Open(lines);
  EXPECT_EQ(dialog.m_bRdtReport, 0);
  EXPECT_EQ(dialog.ReportRead(), ".\\W_PC\\QC\\D_Reports\\HOST_3_Report.txt");
  for (CReportListCtrl* grid : {&dialog.m_listCh0, &dialog.m_listCh1}) {
    ASSERT_EQ(grid->GetColumnCount(), 137);
    EXPECT_EQ(grid->GetItemCount(), 257);  // 2048 x 2 dies = 4096 blocks: rows 0..256
    const std::vector<ui::ListColumn> columns = grid->GetColumns();
    EXPECT_EQ(columns[0].width, 0);
    EXPECT_EQ(columns[1].width, 60);
    EXPECT_EQ(columns[2].heading, "0");
    EXPECT_EQ(columns[17].heading, "f");
    EXPECT_EQ(columns[17].width, 20);
    EXPECT_EQ(columns[18].width, 60);
    EXPECT_EQ(columns[40].format, ui::LVCFMT_CENTER);
    EXPECT_NE(grid->GetExtendedStyle() & ui::LVS_EX_GRIDLINES, 0u);
  }
  EXPECT_EQ(dialog.m_listCh0.GetColumns()[1].heading, "CE_0");
  EXPECT_EQ(dialog.m_listCh1.GetColumns()[120].heading, "CE_15");
  EXPECT_EQ(dialog.m_listCh0.GetItemText(26, 0), "01A0 h");
  EXPECT_EQ(dialog.m_listCh1.GetItemText(256, 120), "1000 h");
  EXPECT_EQ(BlockRowLabel(4200), "10680 h");
  // Four planes: white, 230, 220, 215 across each group's block columns; label columns white
  // but for CE 9's, which the presence line coloured in every row.
  for (int row : {0, 100, 256}) {
    ExpectCell(0, row, 1, BlockRowLabel(row).c_str(), kWhite, ui::kDefaultColor);
    ExpectCell(0, row, 2, "", kWhite, ui::kDefaultColor);
    ExpectCell(0, row, 3, "", RGB(230, 230, 230), ui::kDefaultColor);
    ExpectCell(0, row, 4, "", RGB(220, 220, 220), ui::kDefaultColor);
    ExpectCell(0, row, 5, "", RGB(215, 215, 215), ui::kDefaultColor);
    ExpectCell(0, row, 6, "", kWhite, ui::kDefaultColor);
    EXPECT_EQ(Cell(1, row, 18).bkColor, RGB(100, 255, 255));
    EXPECT_EQ(Cell(1, row, 35).bkColor, kWhite);
  }
  // The scan legend.
  ASSERT_EQ(dialog.m_listLegend.GetItemCount(), 4);
  EXPECT_EQ(dialog.m_listLegend.GetColumns().size(), 6u);
  EXPECT_EQ(dialog.m_listLegend.GetCell(2, 0)->bkColor, RGB(55, 0, 255));
  EXPECT_EQ(dialog.m_listLegend.GetItemText(2, 5), "4:Raid");
  EXPECT_EQ(dialog.m_listLegend.GetItemText(3, 1), "RUN");
}

TEST_F(BlockMapTest, EveryKindOfScanBlockHasItsCell) {
  std::vector<std::string> lines = kScanGeometry;
  lines[1] = "Plane Number = 2;";
  for (const char* line : {
           "     Channel:1,CE:9,Die:0,Plane:1;    Early Bad Block_35 (0x0023)",
           "     Channel:0,CE:3,Die:0,Plane:0;    Early Bad Block_20 (0x0014)Erase Bad-RDT",
           "     Channel:0,CE:3,Die:0,Plane:1;    Early Bad Block_21 (0x0015)Raid Read Bad-RDT",
           "     Channel:0,CE:3,Die:0,Plane:0;    Early Bad Block_22 (0x0016)Program-OLB",
           "     Channel:0,CE:3,Die:0,Plane:1;    Early Bad Block_23 (0x0017)Read Bad-RDT(P)",
           "     Channel:0,CE:4,Die:0,Plane:0;    Later Bad Block_0 (0x0000)",
           "     Channel:1,CE:12,Die:0,Plane:0;    Later Bad Block_1 (0x0001)",
           "     Channel:0,CE:4,Die:0,Plane:1;    Later Bad Block_2 (0x0002)Raid Read Bad-Run",
           "     Channel:2,CE:4,Die:0,Plane:1;    Later Bad Block_3 (0x0003)Erase Bad-Run",
           "     Channel:0,CE:4,Die:0,Plane:1;    Later Bad Block_99999 (0x1869f)Erase Bad-Run",
           "     Channel:0,CE:, Early Bad Block_",
       }) {
    lines.push_back(line);
  }
  Open(lines);
  EXPECT_EQ(dialog.m_listCh0.GetItemCount(), 257);
  ExpectCell(1, 2, 2 + 17 + 3, "0_Early Bad", kBlack, kWhite);
  ExpectCell(0, 1, 2 + 51 + 4, "1_Erase-RDT", RGB(55, 0, 255), kWhite);
  ExpectCell(0, 1, 2 + 51 + 5, "4_RaidRead-RDT", RGB(55, 0, 255), kWhite);
  ExpectCell(0, 1, 2 + 51 + 6, "2_Program-OLB", RGB(100, 100, 100), kWhite);
  ExpectCell(0, 1, 2 + 51 + 7, "0_Early Bad", kBlack, kWhite);  // "ReadBad-RDT(P)" is no kind of its own
  ExpectCell(0, 0, 2 + 68 + 0, "1_Later Bad", RGB(99, 55, 255), kBlack);
  ExpectCell(1, 0, 2 + 68 + 1, "1_Later Bad", RGB(99, 55, 255), kWhite);
  ExpectCell(0, 0, 2 + 68 + 2, "4_RaidRead-Run", RGB(204, 0, 0), kWhite);
  // Channel 2, a block beyond the grid and a line without its fields mark nothing.
  EXPECT_EQ(Cell(0, 0, 2 + 68 + 3).text, "");
  for (int row = 0; row < 257; row += 64) EXPECT_EQ(Cell(0, row, 2 + 68 + 15).bkColor, RGB(230, 230, 230)) << row;
  EXPECT_EQ(Cell(0, 0, 2 + 51 + 0).text, "");
}

TEST_F(BlockMapTest, AnRdtReportMarksItsFailRecordsByTheirTables) {
  Open({"Temperature_Time Log:", "Die Per Flash    = 1;", "Plane Number     = 2;", "Max Block Per CE = 1024; ",
        "Get Max Bad block number Percent   = 4 ", "TLC Special Test Log(STL):",
        "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,Max_tProgram(ms),Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
        "150,3,0,0,20,1,1.000,26,2,40,Program fail", "Bad Block Log:",
        "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,Step number,"
        "Stage number,Over threshold correctable bit,Time Stamp",
        "Factory bad block,9,1,0,0x10,0,3,1,2,NA,NA,NA,777", "Erase fail,3,0,1,0x21,5,3,1,2,0,Erase,0,800",
        "Read data compare fail(9),3,0,1,0x22,5,3,1,2,0,NA,0,800",
        "Trigger command time out,3,0,1,0x23,5,3,1,2,0,Erase,0,800", "Hang fail,3,0,1,0x24,5,3,1,2,0,Erase,0,800"});
  EXPECT_EQ(dialog.m_bRdtReport, 1);
  EXPECT_EQ(dialog.m_listCh0.GetItemCount(), 65);
  ExpectCell(0, 1, 2 + 51 + 4, "2_Program Fail", RGB(55, 0, 255), kBlack);
  ExpectCell(1, 1, 2 + 17 + 0, "0_Early Bad", kBlack, kWhite);
  ExpectCell(0, 2, 2 + 51 + 1, "1_Erase Fail", RGB(187, 187, 0), kBlack);
  ExpectCell(0, 2, 2 + 51 + 2, "3_Read Fail", RGB(204, 0, 0), kBlack);
  EXPECT_EQ(Cell(0, 2, 2 + 51 + 3).text, "");
  EXPECT_EQ(Cell(0, 2, 2 + 51 + 4).text, "");
  // Two planes: the label column is tinted and the block columns alternate.
  EXPECT_EQ(Cell(0, 0, 1).bkColor, RGB(100, 255, 255));
  EXPECT_EQ(Cell(0, 0, 5).bkColor, RGB(230, 230, 230));
  ASSERT_EQ(dialog.m_listLegend.GetItemCount(), 3);
  EXPECT_EQ(dialog.m_listLegend.GetItemText(1, 1), "1_Erase  Fail");
  EXPECT_EQ(dialog.m_listLegend.GetItemText(2, 1), "3_Read   Fail");
  EXPECT_EQ(dialog.m_listLegend.GetCell(1, 2)->bkColor, RGB(55, 0, 255));
}

TEST_F(BlockMapTest, ThePlaneCountAndTheBlockCountDecideTheRows) {
  for (const auto& [planes, blocks, rows] : std::vector<std::tuple<int, long long, int>>{
           {1, 4096, 0}, {3, 4096, 0}, {2, 0, 1}, {4, 15, 1}, {4, 16, 2}, {2, kMaxGridBlocks + 1, 0}, {2, -32, 0}}) {
    CBlockMapDlg grid;
    grid.SetUpGrids();
    EXPECT_EQ(grid.FillBlockGrid(planes, blocks), rows) << planes << " " << blocks;
    EXPECT_EQ(grid.m_listCh1.GetItemCount(), rows);
  }
  // A second block-count line adds its rows again, up to the largest grid.
  CBlockMapDlg grid;
  grid.SetUpGrids();
  EXPECT_EQ(grid.FillBlockGrid(2, 32), 3);
  EXPECT_EQ(grid.FillBlockGrid(2, 32), 6);
  EXPECT_EQ(grid.FillBlockGrid(2, kMaxGridBlocks), 6);
}

// A CE of two dies of 33,600 blocks (67,200) has every row of its count, up to block 0x10680;
// a count no flash has (eight dies of 40,000 blocks) leaves the map empty.
TEST_F(BlockMapTest, ALargeCeHasEveryRowOfItsBlockCount) {
  struct Case {
    const char* dies;
    const char* blocksPerCe;
    int rows;
  };
  for (const Case& each : {Case{"2", "33600", 4201}, Case{"8", "40000", 0}}) {
    CBlockMapDlg map;
    const std::string text = std::string("   Die Per Flash= ") + each.dies + "; \r\n   Plane Number = 2; \r\n" +
                             "   Max Block Per CE= " + each.blocksPerCe + "; \r\n" +
                             "   Get Max Bad block number Percent= 4 \r\n" +
                             "     Channel:1,CE:9,Die:1,Plane:1;    Later Bad Block_67199 (0x1067f)\r\n";
    station.WriteFile("W_PC/QC/D_Reports/HOST_5_Report.txt", text);
    map.SetReportLocation(".\\W_PC\\QC\\D_Reports\\HOST_5_Report.txt", ".\\W_PC\\QC\\D_Reports");
    ASSERT_TRUE(map.Create(nullptr));
    EXPECT_EQ(map.m_listCh0.GetItemCount(), each.rows) << each.dies << " x " << each.blocksPerCe;
    EXPECT_EQ(map.m_listCh1.GetItemCount(), each.rows) << each.dies << " x " << each.blocksPerCe;
    if (each.rows == 0) continue;
    EXPECT_EQ(map.m_listCh0.GetItemText(4200, 0), "10680 h");
    EXPECT_EQ(map.m_listCh1.GetItemText(4200, 1 + 17 * 7), "10680 h");
    EXPECT_EQ(map.m_listCh1.GetItemText(4199, 2 + 17 + 15), "1_Later Bad");
  }
}

TEST_F(BlockMapTest, WithoutTheReportTheFileDialogChoosesIt) {
  station.WriteFile("W_PC/QC/D_Reports/other.txt", "   Temperature_Time Log: \r\n");
  host.AnswerNextFileDialog(std::string(".\\W_PC\\QC\\D_Reports\\other.txt"));
  dialog.SetReportLocation(".\\W_PC\\QC\\D_Reports\\HOST_-1_Report.txt", ".\\W_PC\\QC\\D_Reports");
  ASSERT_TRUE(dialog.Create(nullptr));
  ASSERT_EQ(host.FileDialogs().size(), 1u);
  EXPECT_EQ(host.FileDialogs()[0].initialFolder, ".\\W_PC\\QC\\D_Reports");
  EXPECT_EQ(host.FileDialogs()[0].flags, ui::OFN_HIDEREADONLY | ui::OFN_FILEMUSTEXIST | ui::OFN_NOCHANGEDIR);
  EXPECT_EQ(dialog.m_bRdtReport, 1);
  EXPECT_EQ(dialog.m_listLegend.GetItemCount(), 3);
}

TEST_F(BlockMapTest, ACancelledChoiceShowsTheScanLegendAndEmptyGrids) {
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_EQ(dialog.ReportRead(), "");
  EXPECT_EQ(dialog.m_listCh0.GetColumnCount(), 137);
  EXPECT_EQ(dialog.m_listCh0.GetItemCount(), 0);
  EXPECT_EQ(dialog.m_listLegend.GetItemCount(), 4);
}

TEST_F(BlockMapTest, ThePagingButtonsMoveTheirGridByOneCeGroup) {
  Open(kScanGeometry);
  dialog.OnCommand(blockmap_ids::kCh0CeRight, ui::BN_CLICKED);
  dialog.OnCommand(blockmap_ids::kCh0CeRight, ui::BN_CLICKED);
  EXPECT_EQ(dialog.m_listCh0.GetScrollPosition(), (ui::CPoint{760, 0}));
  dialog.OnCommand(blockmap_ids::kCh0CeLeft, ui::BN_CLICKED);
  EXPECT_EQ(dialog.m_listCh0.GetScrollPosition(), (ui::CPoint{380, 0}));
  EXPECT_EQ(dialog.m_listCh1.GetScrollPosition(), (ui::CPoint{0, 0}));
  dialog.OnCommand(blockmap_ids::kCh1CeRight, ui::BN_CLICKED);
  EXPECT_EQ(dialog.m_listCh1.GetScrollPosition(), (ui::CPoint{380, 0}));
  dialog.OnCommand(blockmap_ids::kCh1CeLeft, ui::BN_CLICKED);
  dialog.OnCommand(blockmap_ids::kCh1CeLeft, ui::BN_CLICKED);
  EXPECT_EQ(dialog.m_listCh1.GetScrollPosition(), (ui::CPoint{0, 0}));
}

}  // namespace

namespace {

// Cells of a grid that a reader marked (a kind text "<digit>_...").
int MarkedCells(const CReportListCtrl& grid) {
  int marked = 0;
  for (int row = 0; row < grid.GetItemCount(); ++row) {
    for (int column = 2; column < kBlockGridColumns; ++column) {
      if ((column - 1) % kBlockGroupColumns == 0) continue;  // label columns
      const std::string text = grid.GetItemText(row, column);
      if (text.size() > 2 && text[1] == '_') ++marked;
    }
  }
  return marked;
}

// Collects the RDT log reader's report lines.
class ReportLines final : public RdtOutput {
 public:
  void ReportLine(const std::string& text) override { lines.push_back(text); }
  void TempReportLine(const std::string&) override {}
  void CsvLine(RdtCsv, const std::string&) override {}
  std::vector<std::string> lines;
};

TEST_F(BlockMapTest, ReportsOfTheEnginesOwnLinesMarkEveryBadBlockOnce) {
  ScanTally tally;
  tally.planes = 2;
  for (unsigned ce : {1u, 12u}) {
    ScanDieTally die;
    die.ce = ce;
    die.channel = ce / 8;
    die.blocks = 1024;
    for (std::uint32_t block : {0u, 17u, 300u, 1023u}) die.bad.push_back({block, block % 2, kBlockFactoryBad});
    die.bad.push_back({40, 0, kBlockRdtBad | kBlockEraseFail});
    die.bad.push_back({41, 1, kBlockProgramFail});
    die.factory = {2, 2};
    tally.dies.push_back(die);
  }
  std::vector<std::string> lines = ScanGeometryLines({1, 2, 1024, 4, 20});
  for (const std::string& line : ScanDieLines(tally, true)) lines.push_back(line);
  Open(lines);
  EXPECT_EQ(MarkedCells(dialog.m_listCh0), 6);
  EXPECT_EQ(MarkedCells(dialog.m_listCh1), 6);
  ExpectCell(0, 2, 2 + 17 + 8, "1_Erase-RDT", RGB(55, 0, 255), kWhite);
  ExpectCell(1, 63, 2 + 68 + 15, "0_Early Bad", kBlack, kWhite);

  // The RDT log reader's bad-block rows, block addresses in hexadecimal.
  std::vector<std::uint8_t> log;
  for (std::uint16_t block : {16, 33, 1000}) {
    RdtBadBlockLogEntry entry{};
    entry.failType = block == 16 ? 0x01 : 0x03;
    entry.ce = 2;
    entry.channel = 0;
    entry.block.Set(block);
    entry.plane = static_cast<std::uint8_t>(block % 2);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&entry);
    log.insert(log.end(), bytes, bytes + sizeof(entry));
  }
  log.insert(log.end(), std::begin(kLogEndMark), std::end(kLogEndMark));
  log.resize(log.size() + 24, 0x20);
  ReportLines out;
  out.ReportLine("Temperature_Time Log:");
  for (const char* line : {"Die Per Flash    = 1;", "Plane Number     = 2;", "Max Block Per CE = 1024; "}) out.ReportLine(line);
  out.ReportLine(kBadBlockReportColumns);
  RdtBadBlockTallies tallies;
  BadBlockWalkResult walk;
  WalkBadBlockLog(log, BadBlockWalkSettings{false, 0, 2}, tallies, walk, out);
  CBlockMapDlg rdt;
  std::string text;
  for (const std::string& line : out.lines) text += "   " + line + " \r\n";
  station.WriteFile("W_PC/RDTlog/D_Reports/HOST_4_Report.txt", text);
  rdt.SetReportLocation(".\\W_PC\\RDTlog\\D_Reports\\HOST_4_Report.txt", "");
  ASSERT_TRUE(rdt.Create(nullptr));
  EXPECT_EQ(rdt.m_bRdtReport, 1);
  EXPECT_EQ(MarkedCells(rdt.m_listCh0), 3);
  EXPECT_EQ(rdt.m_listCh0.GetItemText(1, 2 + 34 + 0), "0_Early Bad");
  EXPECT_EQ(rdt.m_listCh0.GetItemText(2, 2 + 34 + 1), "2_Program Fail");
  EXPECT_EQ(rdt.m_listCh0.GetItemText(62, 2 + 34 + 8), "2_Program Fail");
}

// A block grid that writes down every call of a reader, so that two readings compare.
class GridCalls final : public CBlockGridView {
 public:
  void SetUpGrids() override { calls.push_back("grids"); }
  void ShowLegend(BlockMapLegend) override { calls.push_back("legend"); }
  int FillBlockGrid(int planes, long long blocks) override {
    rows = static_cast<int>(blocks / 16) + 1;
    calls.push_back("fill " + std::to_string(planes) + " " + std::to_string(blocks));
    return rows;
  }
  void ColourCell(int grid, int row, int column, ui::COLORREF) override {
    calls.push_back("colour " + std::to_string(grid) + " " + std::to_string(row) + " " + std::to_string(column));
  }
  void MarkCell(int grid, int row, int column, const BlockCellMark& mark) override {
    calls.push_back("mark " + std::to_string(grid) + " " + std::to_string(row) + " " + std::to_string(column) + " " +
                    std::string(mark.text));
  }
  std::vector<std::string> calls;
  int rows = 0;
};

std::vector<std::string> RdtBlockReading(const std::vector<std::string>& lines, bool shortcut) {
  GridCalls grid;
  CBlockMapReader reader(grid, BlockMapLegend::Rdt, shortcut);
  reader.Begin();
  for (const std::string& line : lines) reader.Line(line);
  return grid.calls;
}

TEST(BlockMapReaders, TheOnePassReadingOfTheLogReadersRowsMatchesTheGeneralReading) {
  std::vector<std::uint8_t> log;
  for (std::uint16_t block : {16, 33, 1000, 77, 4000}) {
    for (std::uint8_t type : {0x01, 0x02, 0x03, 0x05, 0x07, 0x08}) {
      RdtBadBlockLogEntry entry{};
      entry.failType = type;
      entry.ce = static_cast<std::uint8_t>(block % 16);
      entry.channel = static_cast<std::uint8_t>(block % 16 / 8);
      entry.block.Set(static_cast<std::uint16_t>(block + type));
      entry.plane = static_cast<std::uint8_t>(block % 2);
      entry.slcMode = static_cast<std::uint8_t>(type % 2);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(&entry);
      log.insert(log.end(), bytes, bytes + sizeof(entry));
    }
  }
  log.insert(log.end(), std::begin(kLogEndMark), std::end(kLogEndMark));
  log.resize(log.size() + 24, 0x20);
  ReportLines out;
  for (const char* line : {"Die Per Flash    = 2;", "Plane Number     = 2;", "Max Block Per CE = 4096; "}) {
    out.ReportLine(line);
  }
  out.ReportLine(kBadBlockReportColumns);
  RdtBadBlockTallies tallies;
  BadBlockWalkResult walk;
  WalkBadBlockLog(log, BadBlockWalkSettings{true, 0, 2}, tallies, walk, out);
  // Rows that hold a geometry key after their type take the general reading, which sees it.
  out.ReportLine("Erase fail,1,0,1,0x21,5,3,1,2,0,Max Block Per CE = 16;,0,800");
  out.ReportLine("Program fail,9,1,0,0x10,5,3,1,2,0,Plane Number = 4;,0,800");
  out.ReportLine("Erase fail,1,0,1,0x22,5,3,1,2,0,Erase,0,800");
  const std::vector<std::string> fast = RdtBlockReading(out.lines, true);
  EXPECT_EQ(fast, RdtBlockReading(out.lines, false));
  EXPECT_EQ(std::count_if(fast.begin(), fast.end(), [](const std::string& call) { return call.starts_with("mark"); }),
            28);  // 30 entries less the 5 time-outs, and the three rows added
  EXPECT_EQ(std::count(fast.begin(), fast.end(), "fill 2 32"), 1);
}

}  // namespace
