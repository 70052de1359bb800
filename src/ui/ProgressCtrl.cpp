#include "ui/ProgressCtrl.h"

#include <algorithm>

namespace ui {

int CProgressCtrl::Clamp(int position) const {
  const int low = std::min(m_lower, m_upper);
  const int high = std::max(m_lower, m_upper);
  return std::clamp(position, low, high);
}

void CProgressCtrl::SetRange32(int lower, int upper) {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_lower = lower;
    m_upper = upper;
    m_position = Clamp(m_position);
  }
  MarkDirty(kDirtyContent);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  lower = m_lower;
  upper = m_upper;
}

int CProgressCtrl::SetPos(int position) {
  int previous;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    previous = m_position;
    m_position = Clamp(position);
    if (m_position == previous) return previous;
  }
  MarkDirty(kDirtyContent);
  return previous;
}

int CProgressCtrl::OffsetPos(int delta) {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return SetPos(m_position + delta);
}

int CProgressCtrl::GetPos() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_position;
}

}  // namespace ui
