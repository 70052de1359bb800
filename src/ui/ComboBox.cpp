#include "ui/ComboBox.h"

namespace ui {

int CComboBox::SetCurSel(int index) {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  const int selected = SetCurSelKeepingText(index);
  SetWindowText(ItemText(GetCurSel()));
  return selected;
}

int CComboBox::SetCurSelKeepingText(int index) { return SelectItem(index) ? index : CB_ERR; }

void CComboBox::ResetContent() {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  ClearItems();
  SetWindowText("");
}

int CComboBox::SelectString(int start, std::string_view text) {
  const int index = FindItem(start, text, false);
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
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    SetWindowText(text);
    SetCurSelKeepingText(-1);
  }
  NotifyParentCommand(CBN_EDITCHANGE);
}

}  // namespace ui
