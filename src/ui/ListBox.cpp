#include "ui/ListBox.h"

namespace ui {

void CListBox::ResetContent() {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  ClearItems();
  m_topIndex = 0;
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
    if (index < 0 || index >= GetCount()) return LB_ERR;
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

}  // namespace ui
