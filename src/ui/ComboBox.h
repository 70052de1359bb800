#pragma once
// A combo box: a list of items (sorted as text with CBS_SORT) and, for the drop-down style
// with an edit field, the text of that field. The program's calls send no notices; the
// user's actions do: UserDropDown tells the parent CBN_DROPDOWN before the list opens (so
// the parent may refill it), UserSelect tells it CBN_SELCHANGE, UserEditText CBN_EDITCHANGE.
// Text the user types is no item: from then on no item is current until one is chosen (or the
// parent makes the item the text names current, SetCurSelKeepingText).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ItemListWnd.h"

namespace ui {

class CComboBox : public CItemListWnd {
 public:
  CComboBox() : CItemListWnd(ControlKind::ComboBox) {}

  int AddString(std::string_view text) { return AddItem(text, (GetStyle() & CBS_SORT) != 0); }
  int InsertString(int index, std::string_view text) { return InsertItem(index, text); }
  int DeleteString(int index) { return RemoveItem(index); }
  // Empties the list and the edit field, as the framework's does.
  void ResetContent();
  // Selects the item and shows its text in the edit field; -1 clears both. Returns the index,
  // or CB_ERR when it is out of range.
  int SetCurSel(int index);
  // Makes the item current and leaves the edit field as it is, so that what the user typed
  // stays; -1 makes none current. Returns the index, or CB_ERR when it is out of range.
  int SetCurSelKeepingText(int index);
  // The item's text; CB_ERR and an empty text when the index is out of range.
  int GetLBText(int index, std::string& text) const { return ItemText(index, text); }
  std::string GetLBText(int index) const { return ItemText(index); }
  int GetLBTextLen(int index) const { return ItemTextLength(index); }
  int SetItemData(int index, std::uintptr_t data) { return SetItemDataAt(index, data); }
  std::uintptr_t GetItemData(int index) const { return ItemDataAt(index); }
  int FindStringExact(int start, std::string_view text) const { return FindItem(start, text, true); }
  int SelectString(int start, std::string_view text);

  // ---- the user (user-interface thread)
  // The list is about to open: the parent hears CBN_DROPDOWN first.
  void UserDropDown();
  // The user chose an item: selection and edit text follow, the parent hears CBN_SELCHANGE.
  void UserSelect(int index);
  // The user typed into the edit field: it shows the text, no item is current, the parent
  // hears CBN_EDITCHANGE.
  void UserEditText(std::string_view text);

  // ---- front end
  std::vector<std::string> Items() const { return ItemTexts(0, GetCount()); }
};

}  // namespace ui
