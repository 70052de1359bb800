// CColorEdit: what the status cell paints and with which colours, the text size with its
// settings override, and the three text members written from worker threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "controls/ColorEdit.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"

namespace {

using Line = CColorEdit::PaintLine;
using ui::RGB;

std::vector<std::string> Texts(const CColorEdit::Painting& painting) {
  std::vector<std::string> texts;
  for (const Line& line : painting.lines) texts.push_back(line.text);
  return texts;
}

TEST(ColorEdit, AFailedSlotPaintsStateWordCodeBracketPartAndTheMessageSmaller) {
  testsupport::ScratchStation station;
  CColorEdit cell;
  cell.SetTextSize(20, 10);
  cell.SetColor(RGB(0, 0, 0), RGB(255, 0, 0));
  cell.SetWindowText("0x012*[CE 3]");
  cell.GetStateText() = "Error";
  cell.GetMainText() = "0x012";
  cell.GetSubText() = "Erase fail [CE 3]";
  const CColorEdit::Painting painting = cell.PaintPlan();
  EXPECT_EQ(painting.textColor, RGB(0, 0, 0));
  EXPECT_EQ(painting.backgroundColor, RGB(255, 0, 0));
  ASSERT_EQ(painting.lines.size(), 4u);
  EXPECT_EQ(painting.lines[0], (Line{"Error", 20, 10, true}));
  EXPECT_EQ(painting.lines[1], (Line{"0x012", 20, 10, false}));
  EXPECT_EQ(painting.lines[2], (Line{"[CE 3]", 20, 10, false}));
  EXPECT_EQ(painting.lines[3], (Line{"Erase fail [CE 3]", 13, 6, false}));
}

TEST(ColorEdit, APassShowsItsFieldsOnceAndAnIdleSlotItsNumber) {
  testsupport::ScratchStation station;
  CColorEdit cell;
  cell.SetWindowText("Pass*256GB*TV3160 SSD*0123456789*AB");
  cell.GetStateText() = "Pass";
  EXPECT_EQ(Texts(cell.PaintPlan()), (std::vector<std::string>{"Pass", "256GB", "TV3160 SSD", "0123456789", "AB"}));

  CColorEdit idle;
  idle.SetWindowText(" 3 ");
  EXPECT_EQ(Texts(idle.PaintPlan()), (std::vector<std::string>{" 3 "}));
  idle.Clear();
  EXPECT_TRUE(idle.PaintPlan().lines.empty());
  // Empty fields of the window text are left out; a main text not shown yet is added.
  idle.SetWindowText("a**b");
  idle.GetMainText() = "c";
  EXPECT_EQ(Texts(idle.PaintPlan()), (std::vector<std::string>{"a", "b", "c"}));
}

// The flows cut a drive's long model and serial number with "*" to fit the cell: their pieces
// stand on one line; every other field, whatever its length or neighbour, on its own.
TEST(ColorEdit, TheTextsCutToFitTheCellStandWhole) {
  struct Case {
    const char* what;
    const char* text;
    std::vector<std::string> wrapped;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a model in two pieces", "Pass*238(256) GB*TV3160 SAT*A SSD*00000000  **", {"TV3160 SAT*A SSD", "00000000"},
       {"Pass", "238(256) GB", "TV3160 SATA SSD", "00000000  "}},
      {"a 40-character model that brings its own separator",
       "Pass*TV3160 SAT*A SSD     *          *00000000  ** *W", {"TV3160 SAT*A SSD     *          *", "00000000"},
       {"Pass", "TV3160 SATA SSD", "00000000  ", " ", "W"}},
      {"a model and a serial of two full pieces, the statistics after them",
       "Pass*TV3160 SAT*A SSD 256G*SIMSERIAL1*2345678901*OB/RB:0/0",
       {"TV3160 SAT*A SSD 256G", "SIMSERIAL1*2345678901"},
       {"Pass", "TV3160 SATA SSD 256G", "SIMSERIAL12345678901", "OB/RB:0/0"}},
      {"no wrapped text", "Pass*TV3160 SAT*A SSD 256G*SIMSERIAL1", {},
       {"Pass", "TV3160 SAT", "A SSD 256G", "SIMSERIAL1"}},
      {"a wrapped text the window text does not hold", "Pass*TV3160 SAT*A SSD", {"TV3160 SAT*A SSD 256G"},
       {"Pass", "TV3160 SAT", "A SSD"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CColorEdit cell;
    cell.SetWrappedTexts(c.wrapped);
    cell.SetWindowText(c.text);
    EXPECT_EQ(Texts(cell.PaintPlan()), c.lines);
  }
}

TEST(ColorEdit, DrawingFillsTheBackgroundAndCentresTheLinesInTheTextColour) {
  testsupport::ScratchStation station;
  CColorEdit cell;
  cell.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 100, 60), nullptr, 1488);
  cell.SetColor(RGB(255, 255, 255), RGB(0, 100, 255));
  cell.SetTextSize(18, 9);
  cell.SetWindowText("Testing");
  ui::DrawList drawing;
  ASSERT_TRUE(cell.BuildDrawing(drawing));
  ASSERT_EQ(drawing.size(), 2u);
  EXPECT_EQ(drawing[0].kind, ui::DrawCommand::Kind::FillRect);
  EXPECT_EQ(drawing[0].rect, ui::CRect(0, 0, 100, 60));
  EXPECT_EQ(drawing[0].color, RGB(0, 100, 255));
  EXPECT_EQ(drawing[1].kind, ui::DrawCommand::Kind::Text);
  EXPECT_EQ(drawing[1].text, "Testing");
  EXPECT_EQ(drawing[1].color, RGB(255, 255, 255));
  EXPECT_EQ(drawing[1].font.lfHeight, -18);
  EXPECT_EQ(drawing[1].rect.Height(), 20);
  EXPECT_EQ(drawing[1].rect.top, 20);  // (60 - 20) / 2
}

TEST(ColorEdit, LinesTallerThanTheCellShrinkAlikeAndStayInside) {
  testsupport::ScratchStation station;
  CColorEdit cell;
  cell.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 150, 75), nullptr, 1488);
  cell.SetTextSize(20, 10);
  // A pass text of six fields: 6 x 20 pixels of font plus 6 x 2 of spacing in a 75-pixel cell
  // leaves 63 pixels for 120 pixels of font.
  cell.SetWindowText("Pass*238(256) GB*TV3160 SAT*A SSD*SN0000001*CE:16 Bad:3");
  ui::DrawList drawing;
  ASSERT_TRUE(cell.BuildDrawing(drawing));
  ASSERT_EQ(drawing.size(), 7u);
  for (std::size_t i = 1; i < drawing.size(); ++i) {
    EXPECT_EQ(drawing[i].font.lfHeight, -(20 * 63 / 120)) << i;
    EXPECT_EQ(drawing[i].font.lfWidth, 10 * 63 / 120) << i;
    EXPECT_GE(drawing[i].rect.top, 0) << i;
    EXPECT_LE(drawing[i].rect.bottom, 75) << i;
  }
  // A cell far too small keeps an 8-pixel font rather than an unreadable one.
  cell.MoveWindow(ui::CRect(0, 0, 150, 20));
  drawing.clear();
  ASSERT_TRUE(cell.BuildDrawing(drawing));
  EXPECT_EQ(drawing[1].font.lfHeight, -8);
}

TEST(ColorEdit, TextSizeSettingsTakePrecedenceWhenSet) {
  testsupport::ScratchStation station;
  CColorEdit cell;
  cell.SetTextSize(20, 10);
  EXPECT_EQ(cell.GetTextHeight(), 20);
  EXPECT_EQ(cell.GetTextWidth(), 10);
  station.WriteFile("Configuration/System/MPToolSetting.ini",
                    "[General Info]\r\nColorEditTextH=26\r\nColorEditTextW=0\r\n");
  platform::FlushProfileCache();
  cell.SetTextSize(18, 9);
  EXPECT_EQ(cell.GetTextHeight(), 26);
  EXPECT_EQ(cell.GetTextWidth(), 9);
}

TEST(ColorEdit, ChangesMarkTheCellForRepaint) {
  CColorEdit cell;
  cell.TakeDirty();
  cell.SetColor(RGB(1, 1, 1), RGB(2, 2, 2));
  EXPECT_NE(cell.TakeDirty(), 0u);
  cell.SetColor(RGB(1, 1, 1), RGB(2, 2, 2));
  EXPECT_EQ(cell.TakeDirty(), 0u);
  cell.GetSubText() = "x";
  EXPECT_NE(cell.TakeDirty(), 0u);
  EXPECT_EQ(cell.GetSubText().Get(), "x");
}

TEST(ColorEditThreads, WorkersPaintStatesWhileTheUiThreadReadsThePlan) {
  testsupport::ScratchStation station;
  CColorEdit cell;
  std::atomic<bool> stop{false};
  std::vector<std::thread> workers;
  for (int worker = 0; worker < 4; ++worker) {
    workers.emplace_back([&, worker] {
      for (int i = 0; i < 300; ++i) {
        cell.SetTextSize(20, 10);
        cell.SetColor(RGB(0, 0, 0), worker % 2 ? RGB(255, 0, 0) : RGB(0, 255, 0));
        cell.Clear();
        cell.SetWindowText(worker % 2 ? "0x012*[x]" : "Pass*1");
        cell.GetStateText() = worker % 2 ? "Error" : "Pass";
        cell.GetMainText() = worker % 2 ? "0x012" : "";
        cell.GetSubText() = worker % 2 ? "message" : "";
        cell.RedrawWindow();
      }
    });
  }
  std::thread painter([&] {
    while (!stop) {
      ui::DrawList drawing;
      cell.BuildDrawing(drawing);
      EXPECT_FALSE(drawing.empty());
      cell.TakeDirty();
    }
  });
  for (std::thread& worker : workers) worker.join();
  stop = true;
  painter.join();
  const std::string state = cell.GetStateText();
  EXPECT_TRUE(state == "Error" || state == "Pass");
}

}  // namespace
