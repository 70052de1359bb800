#include "ui/Button.h"

#include <algorithm>

namespace ui {

int CButton::GetCheck() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_check;
}

void CButton::SetCheck(int state) {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    if (m_check == state) return;
    m_check = state;
  }
  MarkDirty(kDirtyContent);
}

ButtonImage CButton::GetImage() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_image;
}

void CButton::SetImage(const ButtonImage& image) {
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_image = image;
  }
  MarkDirty(kDirtyPaint);
}

void CButton::ClearOtherRadiosOfGroup() {
  CWnd* parent = GetParent();
  if (!parent) return;
  const std::vector<CWnd*> siblings = parent->Children();
  auto self = std::find(siblings.begin(), siblings.end(), this);
  if (self == siblings.end()) return;
  // The group runs from the nearest sibling with WS_GROUP at or before this button up to the
  // next sibling with WS_GROUP.
  auto first = self;
  while (first != siblings.begin() && ((*first)->GetStyle() & WS_GROUP) == 0) --first;
  for (auto it = first; it != siblings.end(); ++it) {
    if (it != first && ((*it)->GetStyle() & WS_GROUP) != 0) break;
    if (*it == this || (*it)->Kind() != ControlKind::Button) continue;
    auto* radio = static_cast<CButton*>(*it);
    if (radio->GetButtonStyle() == BS_AUTORADIOBUTTON) radio->SetCheck(BST_UNCHECKED);
  }
}

void CButton::Click() {
  if (!IsWindowEnabled() || !IsWindowVisible()) return;
  switch (GetButtonStyle()) {
    case BS_AUTOCHECKBOX:
      SetCheck(GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      break;
    case BS_AUTO3STATE:
      SetCheck((GetCheck() + 1) % 3);
      break;
    case BS_AUTORADIOBUTTON:
      ClearOtherRadiosOfGroup();
      SetCheck(BST_CHECKED);
      break;
    case BS_GROUPBOX:
      return;
    default:
      break;
  }
  NotifyParentCommand(BN_CLICKED);
}

}  // namespace ui
