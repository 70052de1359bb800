// The slot's status painter over every state (colours, cell text, state word, main and sub
// text, port state and result code), the bracket rule of failures, the finishing painter with
// its serial split and volume release, and the fail append.
#include "run/RunFixture.h"
#include "run/SlotStatusText.h"

namespace runtest {
namespace {

using ui::RGB;

struct StateCase {
  int state;
  ui::COLORREF text;
  ui::COLORREF background;
  const char* cellText;  // after SetSlotStatus(state, "Ready", "disk [3] gone")
  int portState;
  int resultCode;        // from kPortResultPosted
  const char* stateWord;
  const char* mainText;
  const char* subText;
};

const StateCase kStateCases[] = {
    {kSlotIdle, RGB(255, 0, 0), RGB(0, 0, 0), "before", kPortIdle, kPortResultPosted, "Ready", "", ""},
    {kSlotFail, RGB(0, 0, 0), RGB(255, 0, 0), "Ready*[3]", kPortFail, kPortResultShown, "Error", "Ready",
     "disk [3] gone"},
    {kSlotPass, RGB(0, 0, 0), RGB(0, 255, 0), "Ready", kPortPass, kPortResultShown, "Pass", "", ""},
    {kSlotTesting, RGB(0, 0, 0), RGB(255, 255, 0), "Ready", kPortTesting, kPortResultPosted, "Ready", "", ""},
    {kSlotWaiting, RGB(0, 0, 0), RGB(255, 255, 255), "", kPortWaiting, kPortResultPosted, "Ready", "", ""},
    {kSlotReadyBlue, RGB(255, 255, 255), RGB(0, 100, 255), "Ready", kPortWaiting, kPortResultPosted, "Ready", "", ""},
    {kSlotFailBlue, RGB(255, 255, 255), RGB(0, 100, 255), "Ready", kPortFail, kPortResultPosted, "Ready", "", ""},
    {kSlotPassOrange, RGB(0, 0, 0), RGB(255, 165, 0), "Ready", kPortPass, kPortResultShown, "Pass", "", ""},
    {kSlotPassGold, RGB(255, 215, 0), RGB(0, 0, 0), "Ready", kPortPass, kPortResultShown, "Pass", "", ""},
};

class SlotStatus : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    task.reset(NewTask(3));
  }
  std::unique_ptr<TaskProbe> task;
};

TEST_F(SlotStatus, EveryStatePaintsItsColoursTextsAndPortState) {
  for (const StateCase& c : kStateCases) {
    SCOPED_TRACE(c.state);
    PageSide side;
    TaskProbe probe(kTaskInit, &side.locks, &side.cells[2], &side.bars[2], 3, 3, &side.autoDetect, nullptr,
                    kLogFolder, &side.resultTexts[2], nullptr, &side.resultCodes);
    side.cells[2].SetWindowText("before");
    side.bars[2].SetPos(40);
    ResetPortStates();
    probe.SetSlotStatus(c.state, "Ready", "disk [3] gone");
    const CColorEdit& cell = side.cells[2];
    EXPECT_EQ(cell.GetTextColor(), c.text);
    EXPECT_EQ(cell.GetBkColor(), c.background);
    EXPECT_EQ(cell.GetWindowText(), c.cellText);
    EXPECT_EQ(std::string(side.cells[2].GetStateText()), c.stateWord);
    EXPECT_EQ(std::string(side.cells[2].GetMainText()), c.mainText);
    EXPECT_EQ(std::string(side.cells[2].GetSubText()), c.subText);
    EXPECT_EQ(cell.GetTextHeight(), 20);
    EXPECT_EQ(cell.GetTextWidth(), 10);
    EXPECT_EQ(probe.SlotStateShown(), c.portState);
    EXPECT_EQ(PortStateOf(3), c.portState);
    EXPECT_EQ(side.resultCodes[2].load(), c.resultCode);
    EXPECT_EQ(side.bars[2].GetPos(), c.state == kSlotWaiting ? 0 : 40);
    // Only the task's own port changes.
    EXPECT_EQ(PortStateOf(2), kPortIdle);
    EXPECT_EQ(side.resultCodes[1].load(), kPortResultPosted);
  }
}

TEST_F(SlotStatus, LegacySlotsAfterTheTwentyFourthPublishTheirStateAndResultCode) {
  for (int slot : {25, 30, 48}) {
    SCOPED_TRACE(slot);
    PageSide side;
    CColorEdit cell;
    ui::CProgressCtrl bar;
    CSharedText result;
    TaskProbe probe(kTaskQC, &side.locks, &cell, &bar, slot, slot, &side.autoDetect, nullptr, kLogFolder, &result,
                    nullptr, &side.resultCodes);
    probe.SetSlotStatus(kSlotTesting, "Testing", "");
    EXPECT_EQ(PortStateOf(slot), kPortTesting);
    probe.SetSlotStatus(kSlotFail, "F_E03", "");
    EXPECT_EQ(PortStateOf(slot), kPortFail);
    EXPECT_EQ(side.resultCodes[static_cast<std::size_t>(slot - 1)].load(), kPortResultShown);
    EXPECT_EQ(side.resultCodes[static_cast<std::size_t>(slot - 2)].load(), kPortResultPosted);
  }
  // A slot beyond the last one publishes nothing.
  PageSide side;
  CColorEdit cell;
  TaskProbe beyond(kTaskQC, &side.locks, &cell, nullptr, 49, 49, &side.autoDetect, nullptr, kLogFolder, nullptr,
                   nullptr, &side.resultCodes);
  ResetPortStates();
  beyond.SetSlotStatus(kSlotPass, "Pass", "");
  for (int slot = 1; slot <= kSlotCount; ++slot) EXPECT_EQ(PortStateOf(slot), kPortIdle);
  for (const auto& code : side.resultCodes) EXPECT_EQ(code.load(), kPortResultPosted);
}

TEST_F(SlotStatus, StateThreeAndUnknownStatesChangeNothing) {
  task->SetSlotStatus(kSlotTesting, "Testing", "");
  Cell(3).SetWindowText("kept");
  for (int state : {3, 9, -2}) {
    task->SetSlotStatus(state, "Other", "[x]");
    EXPECT_EQ(Cell(3).GetWindowText(), "kept");
    EXPECT_EQ(task->SlotStateShown(), kSlotTesting);
    EXPECT_EQ(PortStateOf(3), kPortTesting);
    EXPECT_EQ(Cell(3).GetBkColor(), RGB(255, 255, 0));
  }
}

TEST_F(SlotStatus, AnErrorTagIsShownAsItsCodeWithTheBracketPartOfTheMessage) {
  task->SetSlotStatus(kSlotFail, "F_E03", "Erase fail [CE 3] on block [7]");
  EXPECT_EQ(Cell(3).GetWindowText(), "0x301*[CE 3]");
  EXPECT_EQ(std::string(Cell(3).GetMainText()), "0x301");
  EXPECT_EQ(std::string(Cell(3).GetSubText()), "Erase fail [CE 3] on block [7]");
  // Without a bracket pair only the code is shown; a "]" must follow the "[".
  for (const char* message : {"Erase fail", "closing] before [opening", "[open only", ""}) {
    task->SetSlotStatus(kSlotFail, "F_E03", message);
    EXPECT_EQ(Cell(3).GetWindowText(), "0x301") << message;
  }
  // A tag missing from the table is looked up with "x" as its phase letter.
  task->SetSlotStatus(kSlotFail, "I_I24", "");
  EXPECT_EQ(Cell(3).GetWindowText(), CMPDevice::ErrorTagToCode("I_x24"));
}

TEST_F(SlotStatus, PlainTextsAreShownUnchanged) {
  task->SetSlotStatus(kSlotTesting, "Testing", "");
  EXPECT_EQ(Cell(3).GetWindowText(), "Testing");
  task->SetSlotStatus(kSlotPass, "Pass*256GB*TV3160 SSD", "");
  EXPECT_EQ(Cell(3).GetWindowText(), "Pass*256GB*TV3160 SSD");
}

TEST_F(SlotStatus, FinishingWithSerialStartsTheExtraTextWithTheSerialSplitAfterTenCharacters) {
  ASSERT_TRUE(task->MakeDevice(nullptr));
  CMPDevice& device = *task->m_pDevice;
  device.m_DriveSerial = "ABCDEFGHIJKL";
  task->FinishSlotStatus(1, kSlotFail, "F_E03", "", "");
  EXPECT_EQ(device.m_HasExtraStatus, 1);
  EXPECT_EQ(device.m_ExtraStatusText, "ABCDEFGHIJ*KL");
  EXPECT_EQ(PortStateOf(3), kPortFail);
  // With an existing text: the serial fields and the extra text are appended.
  task->FinishSlotStatus(1, kSlotFail, "F_E03", "", "CE 3");
  EXPECT_EQ(device.m_ExtraStatusText, "ABCDEFGHIJ*KL*ABCDEFGHIJ*KL*CE 3");
}

TEST_F(SlotStatus, FinishingCarriesTheExistingTextLiterallyAndSplitsLongSerials) {
  ASSERT_TRUE(task->MakeDevice(nullptr));
  CMPDevice& device = *task->m_pDevice;
  device.m_ExtraStatusText = "100%s";
  device.m_DriveSerial = "0123456789ABCDEFGHIJKLMNO";
  task->FinishSlotStatus(1, kSlotFail, "F_E03", "", "");
  EXPECT_EQ(device.m_ExtraStatusText, "100%s*0123456789*ABCDEFGHIJ*KLMNO");
  device.m_ExtraStatusText.clear();
  device.m_DriveSerial = "SHORT";
  task->FinishSlotStatus(1, kSlotFail, "F_E03", "", "");
  EXPECT_EQ(device.m_ExtraStatusText, "SHORT*");
  // Without the serial flag the extra text is left alone.
  task->FinishSlotStatus(0, kSlotFail, "F_E03", "", "more");
  EXPECT_EQ(device.m_ExtraStatusText, "SHORT*");
}

TEST_F(SlotStatus, FinishingReleasesTheVolumeLockOfTheFlow) {
  ASSERT_TRUE(task->MakeDevice(nullptr));
  task->m_VolumesLocked = 1;
  task->FinishSlotStatus(0, kSlotFail, "F_E03", "", "");
  EXPECT_EQ(task->m_VolumesLocked, 0);
  EXPECT_FALSE(task->m_pDevice->m_VolumeLock->IsHeld());
}

TEST_F(SlotStatus, TheFailAppendAddsAFieldInTheFailColours) {
  task->SetSlotStatus(kSlotPass, "Pass", "");
  Cell(3).SetWindowText("0x301 \t");
  task->AppendFailStatusText("ABCDEFGHIJ*KL");
  EXPECT_EQ(Cell(3).GetWindowText(), "0x301*ABCDEFGHIJ*KL");
  EXPECT_EQ(Cell(3).GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(Cell(3).GetBkColor(), RGB(255, 0, 0));
  EXPECT_EQ(Cell(3).GetTextHeight(), 18);
  EXPECT_EQ(Cell(3).GetTextWidth(), 9);
}

TEST_F(SlotStatus, ATaskWithoutCellsStillPublishesItsState) {
  TaskProbe bare(kTaskInit, nullptr, nullptr, nullptr, 5, 5, nullptr, nullptr, kLogFolder, nullptr, nullptr,
                 nullptr);
  bare.SetSlotStatus(kSlotFail, "F_E03", "[x]");
  bare.AppendFailStatusText("x");
  EXPECT_EQ(PortStateOf(5), kPortFail);
  // A port outside 1..24 touches no array element.
  TaskProbe outside(kTaskInit, nullptr, nullptr, nullptr, 30, 30, nullptr, nullptr, kLogFolder, nullptr, nullptr,
                    &page.resultCodes);
  outside.SetSlotStatus(kSlotPass, "Pass", "");
  EXPECT_EQ(outside.SlotStateShown(), kSlotPass);
}

TEST(SlotStatusText, TextsAreSplitAfterEveryTenCharacters) {
  EXPECT_EQ(SplitEveryTenCharacters(""), "");
  EXPECT_EQ(SplitEveryTenCharacters("0123456789"), "0123456789");
  EXPECT_EQ(SplitEveryTenCharacters("0123456789A"), "0123456789*A");
  EXPECT_EQ(SplitEveryTenCharacters("0123456789ABCDEFGHIJ"), "0123456789*ABCDEFGHIJ");
  EXPECT_EQ(SplitEveryTenCharacters("0123456789ABCDEFGHIJK"), "0123456789*ABCDEFGHIJ*K");
}

TEST(SlotStatusText, TheBracketPartRunsFromTheFirstOpeningToTheNextClosing) {
  EXPECT_EQ(BracketPart("a [b] c [d]"), "[b]");
  EXPECT_EQ(BracketPart("[]"), "[]");
  EXPECT_EQ(BracketPart("x] y [z"), "");
  EXPECT_EQ(BracketPart("x [y [z] w]"), "[y [z]");
  EXPECT_EQ(BracketPart(""), "");
}

}  // namespace
}  // namespace runtest
