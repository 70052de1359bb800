#pragma once
// A list box: lines of text in the order they were added, a current line, the width over
// which it scrolls horizontally and the line shown at its top. Any thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ItemList.h"
#include "ui/Wnd.h"

namespace ui {

class CListBox : public CWnd {
 public:
  CListBox() : CWnd(ControlKind::ListBox) {}

  int AddString(std::string_view text);
  int InsertString(int index, std::string_view text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  int GetText(int index, std::string& text) const;
  std::string GetText(int index) const;
  int GetTextLen(int index) const;
  // Selects the line and scrolls it into view; -1 clears. LB_ERR when out of range.
  int SetCurSel(int index);
  int GetCurSel() const;
  void SetHorizontalExtent(int pixels);
  int GetHorizontalExtent() const;
  int SetTopIndex(int index);
  int GetTopIndex() const;

  // The user chose a line (user-interface thread): the parent hears LBN_SELCHANGE.
  void UserSelect(int index);

  // ---- front end
  std::vector<std::string> Lines(int first, int count) const;
  std::uint64_t StructureSerial() const;

 private:
  ItemList m_items;
  int m_extent = 0;
  int m_topIndex = 0;
};

}  // namespace ui
