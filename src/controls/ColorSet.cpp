#include "controls/ColorSet.h"

void CColorSet::SetColor(ui::COLORREF text, ui::COLORREF background) {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_text == text && m_background == background) return;
    m_text = text;
    m_background = background;
  }
  OnColorChanged();
}

ui::COLORREF CColorSet::GetTextColor() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_text;
}

ui::COLORREF CColorSet::GetBkColor() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_background;
}
