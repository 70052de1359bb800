#pragma once
// A combo box: a list of items (sorted as text with CBS_SORT) and, for the drop-down style
// with an edit field, the text of that field. The program's calls send no notices; the
// user's actions do: UserDropDown tells the parent CBN_DROPDOWN before the list opens (so
// the parent may refill it), UserSelect tells it CBN_SELCHANGE.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ItemList.h"
#include "ui/Wnd.h"

namespace ui {

class CComboBox : public CWnd {
 public:
  CComboBox() : CWnd(ControlKind::ComboBox) {}

  int AddString(std::string_view text);
  int InsertString(int index, std::string_view text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  // Selects the item and shows its text in the edit field; -1 clears both. Returns the index,
  // or CB_ERR when it is out of range.
  int SetCurSel(int index);
  // The item's text; CB_ERR and an empty text when the index is out of range.
  int GetLBText(int index, std::string& text) const;
  std::string GetLBText(int index) const;
  int GetLBTextLen(int index) const;
  int SetItemData(int index, std::uintptr_t data);
  std::uintptr_t GetItemData(int index) const;
  int FindStringExact(int start, std::string_view text) const;
  int SelectString(int start, std::string_view text);

  // ---- the user (user-interface thread)
  // The list is about to open: the parent hears CBN_DROPDOWN first.
  void UserDropDown();
  // The user chose an item: selection and edit text follow, the parent hears CBN_SELCHANGE.
  void UserSelect(int index);
  // The user typed into the edit field.
  void UserEditText(std::string_view text);

  // ---- front end
  std::vector<std::string> Items() const;
  std::uint64_t StructureSerial() const;

 private:
  bool Sorted() const { return (GetStyle() & CBS_SORT) != 0; }
  ItemList m_items;
};

}  // namespace ui
