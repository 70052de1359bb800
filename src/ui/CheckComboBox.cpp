#include "ui/CheckComboBox.h"

#include <cstdlib>

namespace ui {

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
constexpr int kDefaultFontHeight = 16;  // the "System" font's cell height at 96 dpi
}  // namespace

bool CCheckComboBox::Create(std::uint32_t style, const CRect& rect, CWnd* parent, int id) {
  return CComboBox::Create((style & ~CBS_TYPEMASK) | CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE, rect, parent, id);
}

// ---------------------------------------------------------------------------------------
// Checks

int CCheckComboBox::GetCheck(int index) const {
  Guard guard(StateLock());
  if (index < 0 || index >= static_cast<int>(m_aCheck.size())) return 0;
  return m_aCheck[static_cast<std::size_t>(index)] != 0 ? 1 : 0;
}

int CCheckComboBox::SetCheck(int index, bool check) {
  Guard guard(StateLock());
  if (index < 0 || index >= static_cast<int>(m_aCheck.size())) return CB_ERR;
  std::uint8_t& state = m_aCheck[static_cast<std::size_t>(index)];
  const int previous = state != 0 ? 1 : 0;
  state = check ? 1 : 0;
  if (previous != state) Invalidate(false);
  return previous;
}

void CCheckComboBox::CheckAll(bool check) {
  Guard guard(StateLock());
  for (int i = 0; i < GetCount(); ++i) SetCheck(i, check);
}

std::vector<bool> CCheckComboBox::Checks() const {
  Guard guard(StateLock());
  return std::vector<bool>(m_aCheck.begin(), m_aCheck.end());
}

void CCheckComboBox::OnItemInserted(int index) {
  if (index >= 0 && index <= static_cast<int>(m_aCheck.size())) m_aCheck.insert(m_aCheck.begin() + index, 0);
}

void CCheckComboBox::OnItemRemoved(int index) {
  if (index >= 0 && index < static_cast<int>(m_aCheck.size())) m_aCheck.erase(m_aCheck.begin() + index);
}

void CCheckComboBox::OnItemsCleared() { m_aCheck.clear(); }

void CCheckComboBox::ToggleByOperator(int index) {
  if (SetCheck(index, GetCheck(index) == 0) == CB_ERR) return;
  NotifyParentCommand(kCheckComboChanged);
}

// ---------------------------------------------------------------------------------------
// Measuring and drawing

void CCheckComboBox::SetFontMetrics(int height, int externalLeading) {
  {
    Guard guard(StateLock());
    m_fontHeight = height > 0 ? height : -1;
    m_externalLeading = externalLeading > 0 ? externalLeading : 0;
  }
  Invalidate(false);
}

int CCheckComboBox::FontLineHeight() const {
  Guard guard(StateLock());
  if (m_fontHeight > 0) return m_fontHeight + m_externalLeading;
  const std::optional<LOGFONT> font = GetFont();
  return font && font->lfHeight != 0 ? std::abs(font->lfHeight) : kDefaultFontHeight;
}

int CCheckComboBox::CheckBoxWidth() const { return FontLineHeight() + 6; }

int CCheckComboBox::MeasureItem() {
  Guard guard(StateLock());
  const int height = FontLineHeight() + 2;
  if (!m_bItemHeightSet) {
    m_selectionFieldHeight = height;
    m_bItemHeightSet = true;
    MarkDirty(kDirtyGeometry);
  }
  return height;
}

int CCheckComboBox::GetSelectionFieldHeight() const {
  Guard guard(StateLock());
  return m_selectionFieldHeight;
}

CheckItemDrawing CCheckComboBox::DrawItem(int index, const CRect& itemRect, bool selected, bool focused) {
  Guard guard(StateLock());
  CheckItemDrawing drawing;
  if (index < 0 && GetCount() > 0) {
    SetCurSel(0);  // painted again with item 0 as the current one
    return drawing;
  }
  const int checkWidth = CheckBoxWidth();
  drawing.drawn = true;
  drawing.checkRect = CRect(0, itemRect.top + 1, checkWidth, itemRect.bottom - 1);
  drawing.textRect = CRect(checkWidth, itemRect.top, itemRect.right, itemRect.bottom);
  const bool enabled = IsWindowEnabled();
  const bool realItem = index >= 0 && index < GetCount();
  if (realItem) {
    drawing.hasCheckBox = true;
    drawing.checked = GetCheck(index) != 0;
    drawing.inactive = !enabled;
    drawing.text = " " + ItemText(index);
  }
  if (selected) {
    drawing.background = kSystemHighlightColor;
    drawing.textColor = kSystemHighlightTextColor;
  } else if (enabled) {
    drawing.background = kSystemWindowColor;
    drawing.textColor = kSystemWindowTextColor;
  } else {
    drawing.background = kSystemFaceColor;
    drawing.textColor = kSystemGrayTextColor;
  }
  drawing.focusRect = selected && focused;
  return drawing;
}

// ---------------------------------------------------------------------------------------
// The closed combo

bool CCheckComboBox::UserKeyDown(unsigned virtualKey) { return virtualKey == VK_SPACE; }

bool CCheckComboBox::UserChar(char character, bool autoRepeat) {
  if (character != ' ' || autoRepeat || !IsWindowEnabled() || IsListOpen()) return false;
  const int current = GetCurSel();
  if (current < 0) return false;
  ToggleByOperator(current);
  return true;
}

bool CCheckComboBox::UserClick(CPoint point) {
  if (!IsWindowEnabled() || IsListOpen()) return false;
  const int current = GetCurSel();
  if (current < 0) return false;
  CRect hit = GetClientRect();
  hit.right = hit.left + CheckBoxWidth();
  if (point.x < hit.left || point.x >= hit.right || point.y < hit.top || point.y >= hit.bottom) return false;
  ToggleByOperator(current);
  return true;
}

// ---------------------------------------------------------------------------------------
// The open list

void CCheckComboBox::UserDropDown() {
  if (!IsWindowEnabled()) return;
  {
    Guard guard(StateLock());
    m_listOpen = true;
    m_passButtonUp = false;
  }
  CComboBox::UserDropDown();
}

void CCheckComboBox::UserCloseList() {
  Guard guard(StateLock());
  m_listOpen = false;
  m_passButtonUp = false;
}

bool CCheckComboBox::IsListOpen() const {
  Guard guard(StateLock());
  return m_listOpen;
}

bool CCheckComboBox::UserListChar(int listSelection, char character, bool autoRepeat) {
  if (character != ' ' || !IsListOpen()) return false;
  if (!autoRepeat) ToggleByOperator(listSelection);
  return true;
}

void CCheckComboBox::UserListButtonDown(int item, int x) {
  if (!IsListOpen() || item < 0 || item >= GetCount()) return;
  Invalidate(false);
  CComboBox::UserSelect(item);  // the item becomes current; CBN_SELCHANGE
  if (x >= 0 && x < CheckBoxWidth()) {
    ToggleByOperator(item);
  } else {
    Guard guard(StateLock());
    m_passButtonUp = true;
  }
}

bool CCheckComboBox::UserListButtonUp() {
  Guard guard(StateLock());
  if (!m_passButtonUp) return false;
  m_passButtonUp = false;
  m_listOpen = false;
  return true;
}

}  // namespace ui
