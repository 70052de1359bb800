#include "ui/ListCtrl.h"

#include <algorithm>
#include <numeric>

namespace ui {

using Guard = std::lock_guard<std::recursive_mutex>;

void CListCtrl::StructureChanged() {
  ++m_structureSerial;
  MarkDirty(kDirtyStructure | kDirtyContent);
}

ListCell* CListCtrl::CellAt(int row, int column) {
  if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0) return nullptr;
  auto& cells = m_rows[static_cast<std::size_t>(row)].cells;
  if (column >= static_cast<int>(cells.size())) return nullptr;
  return &cells[static_cast<std::size_t>(column)];
}

const ListCell* CListCtrl::CellAt(int row, int column) const {
  return const_cast<CListCtrl*>(this)->CellAt(row, column);
}

int CListCtrl::InsertColumn(int index, std::string_view heading, int format, int width, int /*subItem*/) {
  Guard guard(StateLock());
  if (index < 0) return -1;
  EndEdit(true);
  const bool first = m_columns.empty();
  index = std::min(index, static_cast<int>(m_columns.size()));
  m_columns.insert(m_columns.begin() + index,
                   ListColumn{std::string(heading), format, width < 0 ? kDefaultColumnWidth : width});
  // Each row keeps one cell per column; the first column takes over the row's item text.
  if (!first) {
    for (Row& row : m_rows) row.cells.insert(row.cells.begin() + index, ListCell{});
  }
  StructureChanged();
  return index;
}

bool CListCtrl::DeleteColumn(int index) {
  Guard guard(StateLock());
  if (index < 0 || index >= static_cast<int>(m_columns.size())) return false;
  EndEdit(true);
  m_columns.erase(m_columns.begin() + index);
  for (Row& row : m_rows) {
    if (row.cells.size() > 1) {
      row.cells.erase(row.cells.begin() + index);
    } else {
      row.cells.front() = ListCell{};
    }
  }
  StructureChanged();
  return true;
}

int CListCtrl::GetColumnCount() const {
  Guard guard(StateLock());
  return static_cast<int>(m_columns.size());
}

std::vector<ListColumn> CListCtrl::GetColumns() const {
  Guard guard(StateLock());
  return m_columns;
}

bool CListCtrl::SetColumnWidth(int column, int width) {
  {
    Guard guard(StateLock());
    if (column < 0 || column >= static_cast<int>(m_columns.size())) return false;
    m_columns[static_cast<std::size_t>(column)].width = std::max(width, 0);
  }
  MarkDirty(kDirtyGeometry);
  return true;
}

int CListCtrl::GetColumnWidth(int column) const {
  Guard guard(StateLock());
  if (column < 0 || column >= static_cast<int>(m_columns.size())) return 0;
  return m_columns[static_cast<std::size_t>(column)].width;
}

int CListCtrl::InsertItem(int index, std::string_view text) {
  Guard guard(StateLock());
  if (index < 0) return -1;
  EndEdit(true);
  index = std::min(index, static_cast<int>(m_rows.size()));
  Row row;
  row.cells.resize(std::max<std::size_t>(m_columns.size(), 1));
  row.cells.front().text.assign(text);
  const bool append = index == static_cast<int>(m_rows.size());
  m_rows.insert(m_rows.begin() + index, std::move(row));
  if (append) {
    MarkDirty(kDirtyContent);
  } else {
    StructureChanged();
  }
  return index;
}

bool CListCtrl::DeleteItem(int index) {
  Guard guard(StateLock());
  if (index < 0 || index >= static_cast<int>(m_rows.size())) return false;
  EndEdit(true);
  m_rows.erase(m_rows.begin() + index);
  StructureChanged();
  return true;
}

bool CListCtrl::DeleteAllItems() {
  Guard guard(StateLock());
  EndEdit(false);
  m_rows.clear();
  m_scroll.y = 0;
  StructureChanged();
  return true;
}

int CListCtrl::GetItemCount() const {
  Guard guard(StateLock());
  return static_cast<int>(m_rows.size());
}

bool CListCtrl::SetItemText(int row, int column, std::string_view text) {
  Guard guard(StateLock());
  if (!CellAt(row, column)) return false;
  EndEdit(true);
  ListCell* cell = CellAt(row, column);
  if (cell->text == text) return true;
  cell->text.assign(text);
  MarkDirty(kDirtyContent);
  return true;
}

std::string CListCtrl::GetItemText(int row, int column) const {
  Guard guard(StateLock());
  const ListCell* cell = CellAt(row, column);
  return cell ? cell->text : std::string();
}

bool CListCtrl::SetItemData(int row, std::uintptr_t data) {
  Guard guard(StateLock());
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return false;
  m_rows[static_cast<std::size_t>(row)].data = data;
  return true;
}

std::uintptr_t CListCtrl::GetItemData(int row) const {
  Guard guard(StateLock());
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return 0;
  return m_rows[static_cast<std::size_t>(row)].data;
}

bool CListCtrl::SetCellTextColor(int row, int column, COLORREF color) {
  Guard guard(StateLock());
  ListCell* cell = CellAt(row, column);
  if (!cell) return false;
  if (cell->textColor != color) {
    cell->textColor = color;
    MarkDirty(kDirtyPaint);
  }
  return true;
}

bool CListCtrl::SetCellBkColor(int row, int column, COLORREF color) {
  Guard guard(StateLock());
  ListCell* cell = CellAt(row, column);
  if (!cell) return false;
  if (cell->bkColor != color) {
    cell->bkColor = color;
    MarkDirty(kDirtyPaint);
  }
  return true;
}

std::optional<ListCell> CListCtrl::GetCell(int row, int column) const {
  Guard guard(StateLock());
  const ListCell* cell = CellAt(row, column);
  if (!cell) return std::nullopt;
  return *cell;
}

std::uint32_t CListCtrl::GetExtendedStyle() const {
  Guard guard(StateLock());
  return m_extendedStyle;
}

std::uint32_t CListCtrl::SetExtendedStyle(std::uint32_t style) {
  std::uint32_t previous;
  {
    Guard guard(StateLock());
    previous = m_extendedStyle;
    m_extendedStyle = style;
  }
  if (previous != style) MarkDirty(kDirtyState);
  return previous;
}

bool CListCtrl::Sort(const CompareFunction& compare, bool byData) {
  if (!compare) return false;
  Guard guard(StateLock());
  EndEdit(true);
  std::vector<std::size_t> order(m_rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::vector<std::uintptr_t> values(m_rows.size());
  for (std::size_t i = 0; i < m_rows.size(); ++i) values[i] = byData ? m_rows[i].data : i;
  // A stable merge sort stays within bounds even when a comparison is inconsistent.
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return compare(values[a], values[b]) < 0; });
  std::vector<Row> sorted;
  sorted.reserve(m_rows.size());
  for (std::size_t index : order) sorted.push_back(std::move(m_rows[index]));
  m_rows.swap(sorted);
  StructureChanged();
  return true;
}

bool CListCtrl::SortItems(const CompareFunction& compare) { return Sort(compare, true); }

bool CListCtrl::SortItemsEx(const CompareFunction& compare) { return Sort(compare, false); }

int CListCtrl::MaxScrollX() const {
  int total = 0;
  for (const ListColumn& column : m_columns) total += column.width;
  return std::max(0, total - GetClientRect().Width());
}

int CListCtrl::MaxScrollY() const {
  return std::max(0, static_cast<int>(m_rows.size()) * m_rowHeight - GetClientRect().Height());
}

bool CListCtrl::SetRowHeight(int pixels) {
  if (pixels < 1) return false;
  {
    Guard guard(StateLock());
    if (m_rowHeight == pixels) return true;
    m_rowHeight = pixels;
  }
  MarkDirty(kDirtyState);
  return true;
}

int CListCtrl::GetRowHeight() const {
  Guard guard(StateLock());
  return m_rowHeight;
}

bool CListCtrl::Scroll(CSize delta) {
  {
    Guard guard(StateLock());
    if (GetStyle() & LVS_NOSCROLL) return false;
    m_scroll.x = std::clamp(m_scroll.x + delta.cx, 0, MaxScrollX());
    const int rows = delta.cy / m_rowHeight;
    m_scroll.y = std::clamp(m_scroll.y + rows * m_rowHeight, 0, MaxScrollY());
  }
  MarkDirty(kDirtyScroll);
  return true;
}

CPoint CListCtrl::GetScrollPosition() const {
  Guard guard(StateLock());
  return m_scroll;
}

void CListCtrl::SetCellEditing(bool allowed) {
  Guard guard(StateLock());
  if (!allowed) EndEdit(true);
  m_editingAllowed = allowed;
}

bool CListCtrl::CellEditingAllowed() const {
  Guard guard(StateLock());
  return m_editingAllowed;
}

std::optional<CellEdit> CListCtrl::CurrentEdit() const {
  Guard guard(StateLock());
  return m_edit;
}

void CListCtrl::EndEdit(bool commit) {
  Guard guard(StateLock());
  if (!m_edit) return;
  const CellEdit edit = *m_edit;
  m_edit.reset();
  if (commit) {
    if (ListCell* cell = CellAt(edit.row, edit.column)) cell->text = edit.text;
  }
  MarkDirty(kDirtyContent);
}

void CListCtrl::UserColumnClick(int column) {
  if (GetStyle() & LVS_NOSORTHEADER) return;
  NotifyMessage message;
  message.code = LVN_COLUMNCLICK;
  message.subItem = column;
  NotifyParent(message);
}

void CListCtrl::UserScrolled(CPoint position) {
  Guard guard(StateLock());
  m_scroll = position;
}

bool CListCtrl::UserBeginEdit(int row, int column) {
  Guard guard(StateLock());
  const ListCell* cell = CellAt(row, column);
  if (!m_editingAllowed || !cell || !IsWindowEnabled()) return false;
  EndEdit(true);
  m_edit = CellEdit{row, column, cell->text};
  return true;
}

void CListCtrl::UserEditText(std::string_view text) {
  Guard guard(StateLock());
  if (m_edit) m_edit->text.assign(text);
}

void CListCtrl::UserEndEdit(bool commit) {
  std::optional<CellEdit> edit = CurrentEdit();
  EndEdit(commit);
  if (!edit || !commit) return;
  NotifyMessage message;
  message.code = LVN_ENDLABELEDIT;
  message.item = edit->row;
  message.subItem = edit->column;
  NotifyParent(message);
}

std::uint64_t CListCtrl::StructureSerial() const {
  Guard guard(StateLock());
  return m_structureSerial;
}

}  // namespace ui
