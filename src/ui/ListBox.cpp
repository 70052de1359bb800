#include "ui/ListBox.h"

namespace ui {

int CListBox::AddString(std::string_view text) {
  int index;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    index = m_items.Add(text, false);
  }
  MarkDirty(kDirtyContent);
  return index;
}

int CListBox::InsertString(int index, std::string_view text) {
  int inserted;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    inserted = m_items.Insert(index, text);
  }
  if (inserted < 0) return LB_ERR;
  MarkDirty(kDirtyContent);
  return inserted;
}

int CListBox::DeleteString(int index) {
  int left;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    left = m_items.Remove(index);
  }
  if (left < 0) return LB_ERR;
  MarkDirty(kDirtyContent);
  return left;
}

void CListBox::ResetContent() {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_items.Clear();
    m_topIndex = 0;
  }
  MarkDirty(kDirtyContent);
}

int CListBox::GetCount() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.Count();
}

int CListBox::GetText(int index, std::string& text) const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  const ItemList::Item* item = m_items.At(index);
  if (!item) {
    text.clear();
    return LB_ERR;
  }
  text = item->text;
  return static_cast<int>(text.size());
}

std::string CListBox::GetText(int index) const {
  std::string text;
  GetText(index, text);
  return text;
}

int CListBox::GetTextLen(int index) const {
  std::string text;
  return GetText(index, text);
}

int CListBox::SetCurSel(int index) {
  bool selected;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    selected = m_items.Select(index);
  }
  MarkDirty(kDirtyContent | kDirtyScroll);
  return selected && index != -1 ? index : LB_ERR;
}

int CListBox::GetCurSel() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.Selection();
}

void CListBox::SetHorizontalExtent(int pixels) {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_extent = pixels < 0 ? 0 : pixels;
  }
  MarkDirty(kDirtyContent);
}

int CListBox::GetHorizontalExtent() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_extent;
}

int CListBox::SetTopIndex(int index) {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    if (!m_items.Valid(index)) return LB_ERR;
    m_topIndex = index;
  }
  MarkDirty(kDirtyScroll);
  return 0;
}

int CListBox::GetTopIndex() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_topIndex;
}

void CListBox::UserSelect(int index) {
  if (!IsWindowEnabled() || SetCurSel(index) == LB_ERR) return;
  NotifyParentCommand(LBN_SELCHANGE);
}

std::vector<std::string> CListBox::Lines(int first, int count) const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.Texts(first, count);
}

std::uint64_t CListBox::StructureSerial() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.StructureSerial();
}

}  // namespace ui
