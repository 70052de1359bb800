#include "ui/ItemListWnd.h"

namespace ui {

using Guard = std::lock_guard<std::recursive_mutex>;

int CItemListWnd::GetCount() const {
  Guard guard(StateLock());
  return m_items.Count();
}

int CItemListWnd::GetCurSel() const {
  Guard guard(StateLock());
  return m_items.Selection();
}

std::vector<std::string> CItemListWnd::ItemTexts(int first, int count) const {
  Guard guard(StateLock());
  return m_items.Texts(first, count);
}

std::uint64_t CItemListWnd::StructureSerial() const {
  Guard guard(StateLock());
  return m_items.StructureSerial();
}

int CItemListWnd::AddItem(std::string_view text, bool sorted) {
  Guard guard(StateLock());
  const int index = m_items.Add(text, sorted);
  OnItemInserted(index);
  MarkDirty(kDirtyContent);
  return index;
}

int CItemListWnd::InsertItem(int index, std::string_view text) {
  Guard guard(StateLock());
  const int inserted = m_items.Insert(index, text);
  if (inserted >= 0) {
    OnItemInserted(inserted);
    MarkDirty(kDirtyContent);
  }
  return inserted;
}

int CItemListWnd::RemoveItem(int index) {
  Guard guard(StateLock());
  const int left = m_items.Remove(index);
  if (left >= 0) {
    OnItemRemoved(index);
    MarkDirty(kDirtyContent);
  }
  return left;
}

void CItemListWnd::ClearItems() {
  Guard guard(StateLock());
  m_items.Clear();
  OnItemsCleared();
  MarkDirty(kDirtyContent);
}

int CItemListWnd::ItemText(int index, std::string& text) const {
  Guard guard(StateLock());
  const ItemList::Item* item = m_items.At(index);
  if (!item) {
    text.clear();
    return -1;
  }
  text = item->text;
  return static_cast<int>(text.size());
}

std::string CItemListWnd::ItemText(int index) const {
  std::string text;
  ItemText(index, text);
  return text;
}

int CItemListWnd::ItemTextLength(int index) const {
  Guard guard(StateLock());
  const ItemList::Item* item = m_items.At(index);
  return item ? static_cast<int>(item->text.size()) : -1;
}

bool CItemListWnd::SelectItem(int index) {
  Guard guard(StateLock());
  const bool selected = m_items.Select(index);
  MarkDirty(kDirtyContent | kDirtyScroll);
  return selected && index != -1;
}

int CItemListWnd::SetItemDataAt(int index, std::uintptr_t data) {
  Guard guard(StateLock());
  return m_items.SetData(index, data) ? 0 : -1;
}

std::uintptr_t CItemListWnd::ItemDataAt(int index) const {
  Guard guard(StateLock());
  const ItemList::Item* item = m_items.At(index);
  return item ? item->data : static_cast<std::uintptr_t>(-1);
}

int CItemListWnd::FindItem(int start, std::string_view text, bool exact) const {
  Guard guard(StateLock());
  return m_items.Find(start, text, exact);
}

}  // namespace ui
