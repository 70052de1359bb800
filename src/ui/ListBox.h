#pragma once
// A list box: lines of text in the order they were added, a current line, the width over
// which it scrolls horizontally and the line shown at its top. Any thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ItemListWnd.h"

namespace ui {

class CListBox : public CItemListWnd {
 public:
  CListBox() : CItemListWnd(ControlKind::ListBox) {}

  int AddString(std::string_view text) { return AddItem(text, false); }
  int InsertString(int index, std::string_view text) { return InsertItem(index, text); }
  int DeleteString(int index) { return RemoveItem(index); }
  void ResetContent();
  int GetText(int index, std::string& text) const { return ItemText(index, text); }
  std::string GetText(int index) const { return ItemText(index); }
  int GetTextLen(int index) const { return ItemTextLength(index); }
  // Selects the line and scrolls it into view; -1 clears. LB_ERR when out of range.
  int SetCurSel(int index) { return SelectItem(index) ? index : LB_ERR; }
  void SetHorizontalExtent(int pixels);
  int GetHorizontalExtent() const;
  int SetTopIndex(int index);
  int GetTopIndex() const;

  // The user chose a line (user-interface thread): the parent hears LBN_SELCHANGE.
  void UserSelect(int index);

  // ---- front end
  std::vector<std::string> Lines(int first, int count) const { return ItemTexts(first, count); }

 private:
  int m_extent = 0;
  int m_topIndex = 0;
};

}  // namespace ui
