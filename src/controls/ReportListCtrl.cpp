#include "controls/ReportListCtrl.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Text.h"

namespace {

std::optional<double> ParseNumber(std::string_view text) {
  std::string value = platform::Trim(text);
  if (!value.empty() && value.back() == '%') value = platform::TrimRight(value.substr(0, value.size() - 1));
  if (value.empty()) return std::nullopt;
  std::size_t i = 0;
  if (value[i] == '+' || value[i] == '-') ++i;
  bool digits = false;
  bool point = false;
  for (; i < value.size(); ++i) {
    const char c = value[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return std::strtod(value.c_str(), nullptr);
}

}  // namespace

int CReportListCtrl::CompareTyped(std::string_view a, std::string_view b) {
  const std::optional<double> numberA = ParseNumber(a);
  const std::optional<double> numberB = ParseNumber(b);
  if (numberA && numberB) return *numberA < *numberB ? -1 : (*numberA > *numberB ? 1 : 0);
  if (numberA) return -1;
  if (numberB) return 1;
  const int noCase = platform::ToUpper(a).compare(platform::ToUpper(b));
  if (noCase != 0) return noCase < 0 ? -1 : 1;
  const int exact = a.compare(b);
  return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

bool CReportListCtrl::SetHeadings(std::string_view headings) {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  DeleteAllItems();
  while (GetColumnCount() > 0) DeleteColumn(0);
  for (const std::string& pair : platform::Split(headings, ';')) {
    if (platform::Trim(pair).empty()) continue;
    const std::size_t comma = pair.rfind(',');
    const std::string heading = platform::Trim(comma == std::string::npos ? pair : pair.substr(0, comma));
    const int width = comma == std::string::npos ? -1 : platform::ParseLeadingInt(platform::Trim(pair.substr(comma + 1)));
    if (InsertColumn(GetColumnCount(), heading, ui::LVCFMT_LEFT, width) < 0) return false;
  }
  return true;
}

bool CReportListCtrl::SetItemNumber(int row, int column, unsigned value) {
  return SetItemText(row, column, platform::Format("%u", value));
}

void CReportListCtrl::SetCellColor(int row, int column, ui::COLORREF color, ColorKind kind) {
  if (kind == ColorKind::Text) {
    SetCellTextColor(row, column, color);
  } else {
    SetCellBkColor(row, column, color);
  }
}

void CReportListCtrl::ApplyColor(int row, int column, ui::COLORREF color, ColorKind kind) {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  EndEdit(true);
  const int rows = GetItemCount();
  const int columns = GetColumnCount();
  const bool rowExists = row >= 0 && row < rows;
  const bool columnExists = column >= 0 && column < columns;
  const int cellsPerRow = columns > 0 ? columns : 1;
  if (rowExists && columnExists) {
    SetCellColor(row, column, color, kind);
  } else if (rowExists) {
    for (int c = 0; c < cellsPerRow; ++c) SetCellColor(row, c, color, kind);
  } else if (columnExists) {
    for (int r = 0; r < rows; ++r) SetCellColor(r, column, color, kind);
  } else {
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cellsPerRow; ++c) SetCellColor(r, c, color, kind);
    }
  }
}

void CReportListCtrl::SetItemBkColor(int row, int column, ui::COLORREF color, bool redraw) {
  ApplyColor(row, column, color, ColorKind::Background);
  if (redraw) RedrawWindow();
}

void CReportListCtrl::SetItemTextColor(int row, int column, ui::COLORREF color, bool redraw) {
  ApplyColor(row, column, color, ColorKind::Text);
  if (redraw) RedrawWindow();
}

void CReportListCtrl::SetGridLines(bool on) {
  const std::uint32_t style = GetExtendedStyle();
  CListCtrl::SetExtendedStyle(on ? (style | ui::LVS_EX_GRIDLINES) : (style & ~ui::LVS_EX_GRIDLINES));
}

std::uint32_t CReportListCtrl::SetExtendedStyle(std::uint32_t style) {
  return CListCtrl::SetExtendedStyle(style | ui::LVS_EX_INFOTIP | ui::LVS_EX_FULLROWSELECT |
                                     ui::LVS_EX_SUBITEMIMAGES);
}

bool CReportListCtrl::SortColumn(int column, bool ascending) {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    if (column < 0 || column >= GetColumnCount()) return false;
    SortItemsEx([this, column, ascending](std::uintptr_t a, std::uintptr_t b) {
      const int order = CompareTyped(GetItemText(static_cast<int>(a), column), GetItemText(static_cast<int>(b), column));
      return ascending ? order : -order;
    });
    m_sortColumn = column;
    m_sortAscending = ascending;
  }
  ui::NotifyMessage message;
  message.code = ui::RLN_SORTCHANGED;
  message.subItem = column;
  message.param = ascending ? 1 : 0;
  NotifyParent(message);
  return true;
}

int CReportListCtrl::GetSortColumn() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_sortColumn;
}

bool CReportListCtrl::IsSortAscending() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_sortAscending;
}
