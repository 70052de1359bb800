#pragma once
// A list view. In report view it is a grid: columns (heading, alignment, width), rows with
// one cell per column and a data value per row, and per-cell text and background colours
// (kDefaultColor: the system's). Other views show the first cell of each row as a line.
// Any thread may call it; sorting calls its comparison with the list's lock held, so the
// comparison may read the list (it sees the rows as they were before the sort).
//
// In-place editing, when allowed, runs through the User* calls of the front end; every
// operation that changes the list's content first ends an edit in progress, keeping what was
// typed.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Wnd.h"

namespace ui {

struct ListColumn {
  std::string heading;
  int format = LVCFMT_LEFT;
  int width = 0;
  friend bool operator==(const ListColumn&, const ListColumn&) = default;
};

struct ListCell {
  std::string text;
  COLORREF textColor = kDefaultColor;
  COLORREF bkColor = kDefaultColor;
};

struct CellEdit {
  int row = -1;
  int column = -1;
  std::string text;
};

class CListCtrl : public CWnd {
 public:
  // A column inserted without a width gets this many pixels.
  static constexpr int kDefaultColumnWidth = 60;
  // Height of one row, in pixels, unless the list is given its own.
  static constexpr int kRowHeight = 17;

  CListCtrl() : CWnd(ControlKind::ListCtrl) {}

  // ---- columns
  // Inserts at index (an index past the end appends); returns the new index, -1 on failure.
  int InsertColumn(int index, std::string_view heading, int format = LVCFMT_LEFT, int width = -1,
                   int subItem = -1);
  bool DeleteColumn(int index);
  int GetColumnCount() const;
  std::vector<ListColumn> GetColumns() const;
  bool SetColumnWidth(int column, int width);
  int GetColumnWidth(int column) const;

  // ---- rows and cells
  // Inserts a row whose first cell holds the text; returns its index, -1 on failure.
  int InsertItem(int index, std::string_view text);
  bool DeleteItem(int index);
  bool DeleteAllItems();
  int GetItemCount() const;
  // False, and nothing changes, when the row or the column does not exist.
  bool SetItemText(int row, int column, std::string_view text);
  std::string GetItemText(int row, int column) const;
  bool SetItemData(int row, std::uintptr_t data);
  std::uintptr_t GetItemData(int row) const;
  bool SetCellTextColor(int row, int column, COLORREF color);
  bool SetCellBkColor(int row, int column, COLORREF color);
  std::optional<ListCell> GetCell(int row, int column) const;

  // ---- styles
  std::uint32_t GetExtendedStyle() const;
  // Returns the previous extended style.
  std::uint32_t SetExtendedStyle(std::uint32_t style);

  // ---- sorting: compare returns <0, 0 or >0; equal rows keep their order.
  using CompareFunction = std::function<int(std::uintptr_t, std::uintptr_t)>;
  // The comparison receives the rows' data values.
  bool SortItems(const CompareFunction& compare);
  // The comparison receives the rows' indexes before the sort.
  bool SortItemsEx(const CompareFunction& compare);

  // ---- row height: a dialog that stands a label beside each row gives the rows the labels'
  // pitch (a height below 1 pixel is refused)
  bool SetRowHeight(int pixels);
  int GetRowHeight() const;

  // ---- scrolling, in pixels (vertically rounded to whole rows)
  bool Scroll(CSize delta);
  CPoint GetScrollPosition() const;

  // ---- in-place editing
  void SetCellEditing(bool allowed);
  bool CellEditingAllowed() const;
  std::optional<CellEdit> CurrentEdit() const;
  // Ends the edit in progress, writing its text when commit is set.
  void EndEdit(bool commit);

  // ---- the user (user-interface thread)
  // A header click: the parent hears LVN_COLUMNCLICK, unless the headers are not clickable.
  void UserColumnClick(int column);
  void UserScrolled(CPoint position);
  bool UserBeginEdit(int row, int column);
  void UserEditText(std::string_view text);
  void UserEndEdit(bool commit);

  // ---- front end
  std::uint64_t StructureSerial() const;

 private:
  struct Row {
    std::vector<ListCell> cells;
    std::uintptr_t data = 0;
  };
  ListCell* CellAt(int row, int column);
  const ListCell* CellAt(int row, int column) const;
  bool Sort(const CompareFunction& compare, bool byData);
  void StructureChanged();
  int MaxScrollX() const;
  int MaxScrollY() const;

  std::vector<ListColumn> m_columns;
  std::vector<Row> m_rows;
  std::uint32_t m_extendedStyle = 0;
  int m_rowHeight = kRowHeight;
  std::uint64_t m_structureSerial = 0;
  CPoint m_scroll;
  bool m_editingAllowed = false;
  std::optional<CellEdit> m_edit;
};

}  // namespace ui
