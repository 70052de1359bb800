#pragma once
// What combo boxes and list boxes share: a window holding an ItemList under its lock. Every
// call marks the window dirty when it changes the items; failures return -1 (CB_ERR, LB_ERR).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ItemList.h"
#include "ui/Wnd.h"

namespace ui {

class CItemListWnd : public CWnd {
 public:
  int GetCount() const;
  int GetCurSel() const;

  // ---- front end
  std::vector<std::string> ItemTexts(int first, int count) const;
  std::uint64_t StructureSerial() const;

 protected:
  explicit CItemListWnd(ControlKind kind) : CWnd(kind) {}
  int AddItem(std::string_view text, bool sorted);
  int InsertItem(int index, std::string_view text);
  int RemoveItem(int index);
  void ClearItems();
  // The item's text and its length; -1 and an empty text when the index is out of range.
  int ItemText(int index, std::string& text) const;
  std::string ItemText(int index) const;
  int ItemTextLength(int index) const;
  // Selects (-1 clears); false when the index is out of range (the selection is cleared).
  bool SelectItem(int index);
  int SetItemDataAt(int index, std::uintptr_t data);
  std::uintptr_t ItemDataAt(int index) const;
  int FindItem(int start, std::string_view text, bool exact) const;

  // Told under the window's lock after the items changed, so that a control keeping
  // something of its own per item stays in step with them.
  virtual void OnItemInserted(int /*index*/) {}
  virtual void OnItemRemoved(int /*index*/) {}
  virtual void OnItemsCleared() {}

 private:
  ItemList m_items;
};

}  // namespace ui
