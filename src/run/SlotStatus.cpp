// The status painter of a slot: the cell's colours and texts, the port state the page's timer
// watches and the port's result code; the finishing painter of the flows; the fail append.
#include "controls/ColorEdit.h"
#include "engine/MPDevice.h"
#include "platform/Text.h"
#include "run/SlotStatusText.h"
#include "run/SlotTestTask.h"
#include "ui/ProgressCtrl.h"

namespace {

enum class StateWord { Text, Error, Pass };

struct StatePainting {
  int state;
  ui::COLORREF textColor;
  ui::COLORREF background;
  int portState;      // m_SlotState and g_PortState
  bool resultShown;   // the port's result code becomes "shown"
  StateWord word;
};

constexpr ui::COLORREF kBlack = ui::RGB(0, 0, 0);
constexpr ui::COLORREF kWhite = ui::RGB(255, 255, 255);
constexpr ui::COLORREF kRed = ui::RGB(255, 0, 0);
constexpr ui::COLORREF kBlue = ui::RGB(0, 100, 255);

// What a testing slot's cell says while the records of its pass are written.
constexpr const char* kWritingRecordsText = "Writing records";

constexpr StatePainting kStatePaintings[] = {
    {kSlotIdle, kRed, kBlack, kPortIdle, false, StateWord::Text},
    {kSlotFail, kBlack, kRed, kPortFail, true, StateWord::Error},
    {kSlotPass, kBlack, ui::RGB(0, 255, 0), kPortPass, true, StateWord::Pass},
    {kSlotTesting, kBlack, ui::RGB(255, 255, 0), kPortTesting, false, StateWord::Text},
    {kSlotWaiting, kBlack, kWhite, kPortWaiting, false, StateWord::Text},
    {kSlotReadyBlue, kWhite, kBlue, kPortWaiting, false, StateWord::Text},
    {kSlotFailBlue, kWhite, kBlue, kPortFail, false, StateWord::Text},
    {kSlotPassOrange, kBlack, ui::RGB(255, 165, 0), kPortPass, true, StateWord::Pass},
    {kSlotPassGold, ui::RGB(255, 215, 0), kBlack, kPortPass, true, StateWord::Pass},
};

const StatePainting* PaintingOf(int state) {
  for (const StatePainting& painting : kStatePaintings) {
    if (painting.state == state) return &painting;
  }
  return nullptr;
}

}  // namespace

void PaintSlotCell(CColorEdit& cell, int state, std::string_view text, std::string_view message) {
  const StatePainting* painting = PaintingOf(state);
  if (painting == nullptr) return;
  const std::string shown = CMPDevice::ErrorTagToCode(text);
  cell.SetTextSize(20, 10);
  if (state == kSlotFail) {
    cell.Clear();
    cell.RedrawWindow();
  }
  if (state != kSlotIdle) {
    std::string cellText = shown;
    if (state == kSlotWaiting) cellText.clear();
    if (state == kSlotFail) {
      const std::string bracket = BracketPart(message);
      if (!bracket.empty()) cellText += "*" + bracket;
    }
    cell.Clear();
    cell.SetWindowText(cellText);
  }
  cell.SetColor(painting->textColor, painting->background);
  switch (painting->word) {
    case StateWord::Text:
      cell.GetStateText() = shown;
      cell.GetMainText() = "";
      cell.GetSubText() = "";
      break;
    case StateWord::Error:
      cell.GetStateText() = "Error";
      cell.GetMainText() = shown;
      cell.GetSubText() = message;
      break;
    case StateWord::Pass:
      cell.GetStateText() = "Pass";
      cell.GetMainText() = "";
      cell.GetSubText() = "";
      break;
  }
  cell.RedrawWindow();
}

void CSlotTestTask::SetSlotStatus(int state, std::string_view text, std::string_view message) {
  const StatePainting* painting = PaintingOf(state);
  if (painting == nullptr) return;
  // No drive is shown passed unless every record of its run was written.
  if (painting->portState == kPortPass && m_pDevice && m_pDevice->RecordsFailed()) {
    FailIfRecordsLost(1);
    return;
  }
  // The slot shows its verdict once, after the records it depends on: a pass a flow paints
  // before the test's records are written waits for them.
  if (painting->portState == kPortPass && m_FlowStarted && !m_VerdictRecorded) {
    m_PassAfterRecords = PassPainting{state, std::string(text), std::string(message)};
    if (m_pStatusBox) PaintSlotCell(*m_pStatusBox, kSlotTesting, kWritingRecordsText, "");
    return;
  }
  m_PassAfterRecords.reset();
  if (m_pStatusBox) PaintSlotCell(*m_pStatusBox, state, text, message);
  if (state == kSlotWaiting) SetProgress(kProgressEmpty);
  m_SlotState = painting->portState;
  if (painting->resultShown && m_pPortResults && m_PortNumber >= 1 && m_PortNumber <= kSlotCount) {
    (*m_pPortResults)[static_cast<std::size_t>(m_PortNumber - 1)] = kPortResultShown;
  }
  // Published last: a reader that sees the state sees the cell and result code painted.
  if (m_PortNumber >= 1 && m_PortNumber <= kSlotCount) {
    g_PortState[static_cast<std::size_t>(m_PortNumber - 1)] = painting->portState;
  }
}

void CSlotTestTask::ShowPassAfterRecords() {
  if (!m_PassAfterRecords) return;
  const PassPainting pass = std::move(*m_PassAfterRecords);
  SetSlotStatus(pass.state, pass.text, pass.message);
}

void CSlotTestTask::FinishSlotStatus(std::uint8_t withSerial, int state, std::string_view text,
                                     std::string_view message, std::string_view extra) {
  SetSlotStatus(state, text, message);
  if (m_VolumesLocked) {
    m_VolumesLocked = 0;
    if (m_pDevice && m_pDevice->m_VolumeLock) m_pDevice->m_VolumeLock->Close();
  }
  if (!withSerial || !m_pDevice) return;
  CMPDevice& device = *m_pDevice;
  const std::string_view serial = device.m_DriveSerial;
  const std::string_view head = serial.substr(0, 10);
  const std::string tail = serial.size() > 10 ? SplitEveryTenCharacters(serial.substr(10)) : std::string();
  const std::string serialFields = std::string(head) + "*" + tail;
  if (device.m_ExtraStatusText.empty()) {
    device.m_HasExtraStatus = 1;
    device.m_ExtraStatusText = serialFields;
  } else if (extra.empty()) {
    device.m_ExtraStatusText += "*" + serialFields;
  } else {
    device.m_ExtraStatusText += "*" + serialFields + "*" + std::string(extra);
  }
}

void CSlotTestTask::AppendFailStatusText(std::string_view text) {
  if (!m_pStatusBox) return;
  CColorEdit& cell = *m_pStatusBox;
  cell.SetTextSize(18, 9);
  cell.SetColor(kBlack, kRed);
  const std::string current = platform::TrimRight(cell.GetWindowText());
  cell.Clear();
  cell.SetWindowText(current + "*" + std::string(text));
  cell.RedrawWindow();
}
