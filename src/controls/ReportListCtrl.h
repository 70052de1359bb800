#pragma once
// CReportListCtrl: the report-style list of the block map, its legend and the summary lists.
// Besides the list view's own operations it sets headings from one text, colours cells, rows,
// columns or the whole list, sorts by a column with a typed comparison and tells its parent
// the new sort column and direction (RLN_SORTCHANGED: subItem = column, param = 1 ascending,
// 0 descending). Every operation that changes the content first ends an in-place edit in
// progress (keeping what was typed).
#include <cstdint>
#include <string_view>

#include "ui/ListCtrl.h"

class CReportListCtrl : public ui::CListCtrl {
 public:
  // "heading,width;heading,width;...": deletes every row and column, then makes one column
  // per pair (headings trimmed, widths read as decimal pixels, left-aligned). A pair without
  // a width gets the default width. False when a column could not be made.
  bool SetHeadings(std::string_view headings);
  bool SetItemNumber(int row, int column, unsigned value);

  // Colour (-1: the system colour) of one cell when row and column both exist, of the whole
  // row when only the row exists, of the whole column (every existing row) when only the
  // column exists, and of every cell when neither exists. redraw repaints at once.
  void SetItemBkColor(int row, int column, ui::COLORREF color, bool redraw);
  void SetItemTextColor(int row, int column, ui::COLORREF color, bool redraw);

  void SetEditable(bool editable) { SetCellEditing(editable); }
  bool IsEditable() const { return CellEditingAllowed(); }
  void SetGridLines(bool on);
  // Replaces the extended style with these bits plus info tips, full-row select and sub-item
  // images; returns the previous style.
  std::uint32_t SetExtendedStyle(std::uint32_t style);

  // Sorts the rows by the column with CompareTyped; false when the column does not exist.
  bool SortColumn(int column, bool ascending);
  int GetSortColumn() const;
  bool IsSortAscending() const;

  // The typed comparison: two numbers (optional blanks and sign, digits with an optional
  // fraction, an optional "%") compare by value; a number sorts before a text; texts compare
  // ignoring ASCII case, then byte by byte.
  static int CompareTyped(std::string_view a, std::string_view b);

 private:
  enum class ColorKind { Text, Background };
  void ApplyColor(int row, int column, ui::COLORREF color, ColorKind kind);
  void SetCellColor(int row, int column, ui::COLORREF color, ColorKind kind);
  int m_sortColumn = -1;
  bool m_sortAscending = true;
};
