#include "ui/ComboBox.h"

namespace ui {

int CComboBox::AddString(std::string_view text) {
  int index;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    index = m_items.Add(text, Sorted());
  }
  MarkDirty(kDirtyContent);
  return index;
}

int CComboBox::InsertString(int index, std::string_view text) {
  int inserted;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    inserted = m_items.Insert(index, text);
  }
  if (inserted < 0) return CB_ERR;
  MarkDirty(kDirtyContent);
  return inserted;
}

int CComboBox::DeleteString(int index) {
  int left;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    left = m_items.Remove(index);
  }
  if (left < 0) return CB_ERR;
  MarkDirty(kDirtyContent);
  return left;
}

void CComboBox::ResetContent() {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_items.Clear();
  }
  // The edit field of a drop-down combo keeps its text, as the framework's does.
  MarkDirty(kDirtyContent);
}

int CComboBox::GetCount() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.Count();
}

int CComboBox::GetCurSel() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.Selection();
}

int CComboBox::SetCurSel(int index) {
  std::string text;
  bool selected;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    selected = m_items.Select(index);
    if (const ItemList::Item* item = m_items.At(m_items.Selection())) text = item->text;
    SetWindowText(text);
  }
  MarkDirty(kDirtyContent);
  return selected && index != -1 ? index : CB_ERR;
}

int CComboBox::GetLBText(int index, std::string& text) const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  const ItemList::Item* item = m_items.At(index);
  if (!item) {
    text.clear();
    return CB_ERR;
  }
  text = item->text;
  return static_cast<int>(text.size());
}

std::string CComboBox::GetLBText(int index) const {
  std::string text;
  GetLBText(index, text);
  return text;
}

int CComboBox::GetLBTextLen(int index) const {
  std::string text;
  return GetLBText(index, text);
}

int CComboBox::SetItemData(int index, std::uintptr_t data) {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.SetData(index, data) ? 0 : CB_ERR;
}

std::uintptr_t CComboBox::GetItemData(int index) const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  const ItemList::Item* item = m_items.At(index);
  return item ? item->data : static_cast<std::uintptr_t>(CB_ERR);
}

int CComboBox::FindStringExact(int start, std::string_view text) const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.FindExact(start, text);
}

int CComboBox::SelectString(int start, std::string_view text) {
  int index;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    index = m_items.FindPrefix(start, text);
  }
  return index < 0 ? CB_ERR : SetCurSel(index);
}

void CComboBox::UserDropDown() {
  if (!IsWindowEnabled()) return;
  NotifyParentCommand(CBN_DROPDOWN);
}

void CComboBox::UserSelect(int index) {
  if (!IsWindowEnabled()) return;
  if (SetCurSel(index) == CB_ERR) return;
  NotifyParentCommand(CBN_SELCHANGE);
}

void CComboBox::UserEditText(std::string_view text) {
  if (!IsWindowEnabled() || GetWindowText() == text) return;
  SetWindowText(text);
  NotifyParentCommand(CBN_EDITCHANGE);
}

std::vector<std::string> CComboBox::Items() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.Texts(0, m_items.Count());
}

std::uint64_t CComboBox::StructureSerial() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_items.StructureSerial();
}

}  // namespace ui
