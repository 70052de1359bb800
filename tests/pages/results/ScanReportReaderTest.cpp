// The scan-report reader: a fixture report through it to exact list rows and box texts, the
// reader's rules on single lines, a report written by the scan's own report lines read back
// to the counts that produced it, and the one-pass reading of the scan's bad-block lines
// against the general reading for every kind the scan writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RecordingView.h"
#include "device/records/BadBlockTable.h"
#include "engine/core/SlotReportText.h"
#include "engine/scan/BlockKinds.h"
#include "engine/scan/ScanReportLines.h"
#include "pages/results/ScanBadBlockLine.h"
#include "pages/results/ScanReportReader.h"
#include "support/ScratchStation.h"

namespace {

using resultstest::RecordingView;
using Row = RecordingView::Row;

// Runs the lines (each framed as the report writes a plain line) through a reader.
RecordingView Read(const std::vector<std::string>& lines, bool shortcut = true) {
  RecordingView view;
  CScanReportReader reader(view, shortcut);
  reader.Begin();
  for (const std::string& line : lines) {
    const std::string framed = engine::report::PlainLineText(line);
    reader.Line(std::string_view(framed).substr(0, framed.find_last_not_of(" \r\n") + 1));
  }
  reader.End();
  return view;
}

const std::vector<std::string> kFixture = {
    "Die Per Flash= 1;",
    "Plane Number = 2;",
    "Max Block Per CE= 1024; ",
    "Get Max Bad block number Percent= 4 ",
    "Get Max Bad block number per Plane = 20",
    "     CENo_3/Die_0-> Channel:0,EarlyBad:Plane0=1,Plane1=0,Plane2=2,Plane3=0",
    "     CENo_3/Die_0-> Channel:0,LaterBad:Plane0=0,Plane1=1",
    "     Channel:0,CE:3,Die:0,Plane:1;    Early Bad Block_35 (0x0023)Erase Bad-RDT",
    "     Channel:0,CE:3,Die:0,Plane:0;    Early Bad Block_40 (0x0028)",
    "     Channel:0,CE:3,Die:0,Plane:0;    Early Bad Block_42 (0x002a)Erase-OLB",
    "     Channel:0,CE:3,Die:0,Plane:1;    Later Bad Block_51 (0x0033)Program Bad-Run",
    "     CENo_3/Die_0-> All Bad Block Count= 4(0.39%)",
    "OB + OLB     Count = 2",
    "RDT      Bad Count = 1",
    "Later    Bad Count = 1",
    "All Good Blk Count = 1020",
    "RDT Info_RDT Loop = 3/4",
    "RDT Info_CE Map    = 00FF",
    "RDT Info_BBSource     = 1",
    "RDT_FWVersion      R10",
    "RDT_Temperature    = 45",
    "Identify_FW Version = SBF10A01 ",
};

TEST(ScanReportReader, AFixtureReportFillsTheListsAndBoxesExactly) {
  const RecordingView view = Read(kFixture);
  EXPECT_EQ(view.lines.size(), kFixture.size());
  EXPECT_EQ(view.lines[5], "        CENo_3/Die_0-> Channel:0,EarlyBad:Plane0=1,Plane1=0,Plane2=2,Plane3=0");
  EXPECT_EQ(view.selected, static_cast<int>(kFixture.size()) - 1);

  EXPECT_EQ(view.Rows(ResultList::PerPlane), (std::vector<Row>{{"0", "3", "0", "1", "0", "2", "0"}}));
  // The later plane counts go to the row the per-plane line made.
  EXPECT_EQ(view.Rows(ResultList::LaterPerPlane), (std::vector<Row>{{"0", "3", "0", "0", "1", "", ""}}));
  EXPECT_EQ(view.Rows(ResultList::EarlyBad), (std::vector<Row>{{"0", "3", "0", "1", "35", "0x0023", "EraseBad-RDT"},
                                                               {"0", "3", "0", "0", "40", "0x0028", ""}}));
  EXPECT_EQ(view.Rows(ResultList::LaterBad), (std::vector<Row>{{"0", "3", "0", "1", "51", "0x0033", "ProgramBad-Run"}}));
  // CE 3 of channel 0 is column 4: all bad 4, "OB + OLB" the OB count of the last early line
  // (it replaced the plane sum 3), RBB 1; the other CEs keep their zeros.
  const std::vector<Row>& ce0 = view.Rows(ResultList::CeChannel0);
  ASSERT_EQ(ce0.size(), 3u);
  EXPECT_EQ(ce0[0], (Row{"All Bad", "0", "0", "0", "4", "0", "0", "0", "0"}));
  EXPECT_EQ(ce0[1], (Row{"OB + OLB", "0", "0", "0", "1", "0", "0", "0", "0"}));
  EXPECT_EQ(ce0[2], (Row{"RBB", "0", "0", "0", "1", "0", "0", "0", "0"}));
  EXPECT_EQ(view.Rows(ResultList::CeChannel1)[0], (Row{"All Bad", "0", "0", "0", "0", "0", "0", "0", "0"}));

  EXPECT_EQ(view.Box(ResultBox::EarlyTotal), "2");
  EXPECT_EQ(view.Box(ResultBox::EraseFail), "1/0");
  EXPECT_EQ(view.Box(ResultBox::ProgramFail), "0/1");
  EXPECT_EQ(view.Box(ResultBox::ReadFail), "0/0");
  EXPECT_EQ(view.Box(ResultBox::ObOlbCount), "2");
  EXPECT_EQ(view.Box(ResultBox::RdtBadCount), "1");
  EXPECT_EQ(view.Box(ResultBox::LaterBadCount), "1");
  EXPECT_EQ(view.Box(ResultBox::LaterTotal), "1");
  EXPECT_EQ(view.Box(ResultBox::GoodBlockCount), "1020");
  EXPECT_EQ(view.Box(ResultBox::RdtLoop), "3/4");
  EXPECT_EQ(view.Box(ResultBox::CeMap), "00FF");
  // A blank right after the "=" leaves the BB source empty; a version without "=" too.
  EXPECT_EQ(view.Box(ResultBox::BbSource), "");
  EXPECT_EQ(view.Box(ResultBox::RdtVersion), "");
  EXPECT_EQ(view.Box(ResultBox::RdtTemperature), " 45");
  EXPECT_EQ(view.Box(ResultBox::MpVersion), "SBF10A01");
  // Boxes no line named keep the reader's starting texts.
  EXPECT_EQ(view.Box(ResultBox::EraseMode), "Enable");
  EXPECT_EQ(view.Box(ResultBox::XlcEcc), "0");
}

TEST(ScanReportReader, CountsArePlacedByChannelAndCe) {
  const RecordingView view = Read({
      "     CENo_9/Die_0-> Channel:1,EarlyBad:Plane0=2,Plane1=1",   // channel 1, CE 9: column 2
      "     CENo_3/Die_0-> Channel:1,EarlyBad:Plane0=5,Plane1=5",   // channel 1, CE 3: not shown
      "     CENo_12/Die_0-> Channel:0,EarlyBad:Plane0=7,Plane1=7",  // channel 0, CE 12: not shown
      "     Channel:1,CE:9,Die:0,Plane:0;    Early Bad Block_8 (0x0008)Read Bad-RDT(P)",
  });
  EXPECT_EQ(view.Cell(ResultList::CeChannel1, 1, 2), "3");
  EXPECT_EQ(view.Cell(ResultList::CeChannel1, 2, 2), "1");  // "Read Bad-RDT(P)" holds "Read Bad-RDT"
  for (int column = 1; column <= 8; ++column) {
    EXPECT_EQ(view.Cell(ResultList::CeChannel0, 1, column), "0") << column;
    if (column != 2) {
      EXPECT_EQ(view.Cell(ResultList::CeChannel1, 1, column), "0") << column;
    }
  }
  // The kind stays on the early list with its "(P)"; it is RDT, so no OB count.
  EXPECT_EQ(view.Cell(ResultList::EarlyBad, 0, 6), "ReadBad-RDT(P)");
  EXPECT_EQ(view.Box(ResultBox::ReadFail), "1/0");
}

TEST(ScanReportReader, AllBadLinesCountForTheRememberedCe) {
  const RecordingView view = Read({
      "     CENo_2/Die_0-> All Bad Block Count= 9(1.00%)",  // nothing remembered yet: shows nothing
      "     CENo_2/Die_0-> Channel:0,EarlyBad:Plane0=1",
      "     CENo_2/Die_0-> All Bad Block Count= 4(0.39%)",
      "     CENo_2/Die_1-> Channel:0,EarlyBad:Plane0=1",
      "     CENo_7/Die_1-> All Bad Block Count= 3(0.29%)",  // counts for CE 2, the one remembered
  });
  EXPECT_EQ(view.Cell(ResultList::CeChannel0, 0, 3), "7");
  EXPECT_EQ(view.Cell(ResultList::CeChannel0, 0, 8), "0");
  EXPECT_EQ(view.Rows(ResultList::PerPlane).size(), 2u);
}

TEST(ScanReportReader, EveryDieLineWithoutCountOrLaterWordsMakesAPerPlaneRow) {
  const RecordingView view = Read({"odd /Die_ line", "x CENo_1/Die_0-> Channel:0,EarlyBad:Plane0=1"});
  ASSERT_EQ(view.Rows(ResultList::PerPlane).size(), 2u);
  EXPECT_EQ(view.Rows(ResultList::LaterPerPlane).size(), 2u);
  // "odd/line" reads as CE "odd" and die "line", and nothing more.
  EXPECT_EQ(view.Rows(ResultList::PerPlane)[0], (Row{"", "odd", "line", "", "", "", ""}));
  // A later-plane line without a row of its own writes nothing.
  const RecordingView later = Read({"     CENo_1/Die_0-> Channel:0,LaterBad:Plane0=4"});
  EXPECT_TRUE(later.Rows(ResultList::LaterPerPlane).empty());
}

TEST(ScanReportReader, EarlyLinesOfOlbKindsAreNotListedUnlessTheyAreAlsoLaterLines) {
  const RecordingView view = Read({
      "     Channel:0,CE:1,Die:0,Plane:0;    Early Bad Block_3 (0x0003)Raid-OLB",
      "     Channel:0,CE:1,Die:0,Plane:0;    Early Bad Block_4 (0x0004)Read-OLB Later Bad Block_",
  });
  EXPECT_TRUE(view.Rows(ResultList::EarlyBad).empty());
  ASSERT_EQ(view.Rows(ResultList::LaterBad).size(), 1u);
  EXPECT_EQ(view.Box(ResultBox::EarlyTotal), "0");
}

// A scan of two CEs on two channels, written with the scan's own report lines.
ScanTally TwoCeTally() {
  ScanTally tally;
  tally.planes = 2;
  ScanDieTally ce0;
  ce0.ce = 0;
  ce0.channel = 0;
  ce0.die = 0;
  ce0.blocks = 1024;
  ScanDieTally ce9 = ce0;
  ce9.ce = 9;
  ce9.channel = 1;
  auto add = [](ScanDieTally& die, std::uint32_t block, std::uint8_t status) {
    const unsigned plane = block % 2;
    die.bad.push_back({block, plane, status});
    const BlockGroup group = ClassifyBlock(status).group;
    if (group == BlockGroup::Factory) ++die.factory[plane];
    if (group == BlockGroup::Rdt) ++die.rdt[plane];
    if (group == BlockGroup::Run) ++die.run[plane];
  };
  for (std::uint32_t block : {5u, 6u, 70u}) add(ce0, block, kBlockFactoryBad);
  add(ce0, 80, kBlockFactoryBad | kBlockEraseFail);  // OLB
  add(ce0, 90, kBlockRdtBad | kBlockProgramFail);
  add(ce0, 91, kBlockRdtBad | kBlockReadFail);
  for (std::uint32_t block : {100u, 101u}) add(ce0, block, kBlockEraseFail);
  add(ce9, 7, kBlockFactoryBad);
  add(ce9, 300, kBlockReadFail);
  add(ce9, 301, kBlockRdtBad | kBlockEraseFail);
  tally.dies = {ce0, ce9};
  return tally;
}

TEST(ScanReportReader, AReportOfTheScansOwnLinesReadsBackToItsCounts) {
  const ScanTally tally = TwoCeTally();
  std::vector<std::string> lines = ScanGeometryLines({1, 2, 1024, 4, 20});
  for (const std::string& line : ScanDieLines(tally, true)) lines.push_back(line);
  for (const std::string& line : ScanCountLines(tally)) lines.push_back(line);
  const RecordingView view = Read(lines);

  // Early list: factory blocks without a failure kind and RDT blocks (4 + 1 on CE 0 ... ).
  EXPECT_EQ(view.Rows(ResultList::EarlyBad).size(), 7u);  // CE 0: 5, 6, 70, 90, 91; CE 9: 7, 301
  EXPECT_EQ(view.Box(ResultBox::EarlyTotal), "7");
  EXPECT_EQ(view.Rows(ResultList::LaterBad).size(), 3u);  // CE 0: 100, 101; CE 9: 300
  EXPECT_EQ(view.Box(ResultBox::ObOlbCount), std::to_string(tally.Factory()));
  EXPECT_EQ(view.Box(ResultBox::RdtBadCount), std::to_string(tally.Rdt()));
  EXPECT_EQ(view.Box(ResultBox::LaterBadCount), std::to_string(tally.Run()));
  EXPECT_EQ(view.Box(ResultBox::GoodBlockCount), std::to_string(tally.Blocks() - tally.Factory() - tally.Rdt() - tally.Run()));
  // Per CE: all bad from the die's count line, OB the listed factory blocks, RBB the RDT blocks
  // with an erase, program or read kind.
  EXPECT_EQ(view.Cell(ResultList::CeChannel0, 0, 1), std::to_string(tally.dies[0].AllBad()));
  EXPECT_EQ(view.Cell(ResultList::CeChannel0, 1, 1), "3");
  EXPECT_EQ(view.Cell(ResultList::CeChannel0, 2, 1), "2");
  EXPECT_EQ(view.Cell(ResultList::CeChannel1, 0, 2), std::to_string(tally.dies[1].AllBad()));
  EXPECT_EQ(view.Cell(ResultList::CeChannel1, 1, 2), "1");
  EXPECT_EQ(view.Cell(ResultList::CeChannel1, 2, 2), "1");
  EXPECT_EQ(view.Box(ResultBox::EraseFail), "1/2");
  EXPECT_EQ(view.Box(ResultBox::ProgramFail), "1/0");
  EXPECT_EQ(view.Box(ResultBox::ReadFail), "1/1");
  // The per-plane rows carry the die's plane counts.
  EXPECT_EQ(view.Rows(ResultList::PerPlane)[0], (Row{"0", "0", "0", "3", "1", "", ""}));
  EXPECT_EQ(view.Rows(ResultList::LaterPerPlane)[0], (Row{"0", "0", "0", "1", "1", "", ""}));
}

TEST(ScanReportReader, TheOnePassReadingOfTheScansLinesMatchesTheGeneralReading) {
  std::vector<std::string> lines;
  int kinds = 0;
  std::vector<std::string> seen;
  for (int status = 0; status < 256; ++status) {
    const BlockKind kind = ClassifyBlock(static_cast<std::uint8_t>(status));
    if (!IsBadGroup(kind.group)) continue;
    const std::string text(kind.text);
    if (std::find(seen.begin(), seen.end(), text) != seen.end()) continue;
    seen.push_back(text);
    ++kinds;
    for (const char* word : {"Early", "Later"}) {
      for (int channel : {0, 1, 2}) {
        const std::string line = "     Channel:" + std::to_string(channel) + ",CE:" + std::to_string(kinds % 16) +
                                 ",Die:0,Plane:1;    " + word + " Bad Block_" + std::to_string(16 * kinds + 3) +
                                 " (0x00ab)" + text;
        EngineBadBlockLine parsed;
        EXPECT_TRUE(ParseEngineBadBlockLine(line, parsed)) << line;
        lines.push_back(line);
      }
    }
  }
  EXPECT_GE(kinds, 15);
  EXPECT_TRUE(Read(lines, true) == Read(lines, false));
  // Lines that only look like the scan's take the general reading.
  EngineBadBlockLine parsed;
  EXPECT_FALSE(ParseEngineBadBlockLine("     Channel:0,CE:1,Die:0,Plane:1;    Early Bad Block_3 (0x3)Odd", parsed));
  EXPECT_FALSE(ParseEngineBadBlockLine("x    Channel:0,CE:1,Die:0,Plane:1;    Early Bad Block_3 (0x3)", parsed));
  EXPECT_FALSE(ParseEngineBadBlockLine("     Channel:,CE:1,Die:0,Plane:1;    Early Bad Block_3 (0x3)", parsed));
}

TEST(ScanReportReader, AReportThatCannotBeOpenedLeavesTheViewAlone) {
  testsupport::ScratchStation station;
  RecordingView view;
  EXPECT_FALSE(ParseScanReport(".\\D_Reports\\missing.txt", view));
  EXPECT_TRUE(view.boxes.empty());
  station.WriteFile("r.txt", "   Later    Bad Count = 6 \r\n");
  EXPECT_TRUE(ParseScanReport(".\\r.txt", view));
  EXPECT_EQ(view.Box(ResultBox::LaterTotal), "6");
}

}  // namespace
