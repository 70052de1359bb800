#include "pages/results/ResultControls.h"

#include <string>

#include "device/StationHelpers.h"

void CResultControls::ClearReportLines() {
  if (m_lines) m_lines->ResetContent();
}

void CResultControls::AddReportLine(std::string_view line) {
  if (m_lines) m_lines->AddString(line);
}

void CResultControls::SelectLastReportLine() {
  if (m_lines && m_lines->GetCount() > 0) m_lines->SetCurSel(m_lines->GetCount() - 1);
}

void CResultControls::DebugLine(std::string_view text) {
  DebugPrint("%.*s", static_cast<int>(text.size()), text.data());
}

void CResultControls::ClearRows(ResultList list) {
  if (ui::CListCtrl* control = List(list)) control->DeleteAllItems();
}

int CResultControls::InsertRow(ResultList list, int row, std::span<const std::string_view> cells) {
  ui::CListCtrl* control = List(list);
  if (!control) return -1;
  const int index = control->InsertItem(row, cells.empty() ? std::string_view() : cells.front());
  for (std::size_t column = 1; column < cells.size() && index >= 0; ++column) {
    if (!cells[column].empty()) control->SetItemText(index, static_cast<int>(column), cells[column]);
  }
  return index;
}

void CResultControls::SetCell(ResultList list, int row, int column, std::string_view text) {
  if (ui::CListCtrl* control = List(list)) control->SetItemText(row, column, text);
}

void CResultControls::SetBox(ResultBox box, std::string_view text) {
  if (ui::CWnd* control = m_boxes[static_cast<std::size_t>(box)]) control->SetWindowText(text);
}
