#include "ui/Edit.h"

namespace ui {

void CEdit::SetReadOnly(bool readOnly) {
  ModifyStyle(readOnly ? 0 : ES_READONLY, readOnly ? ES_READONLY : 0);
}

bool CEdit::IsReadOnly() const { return (GetStyle() & ES_READONLY) != 0; }

void CEdit::UserEdit(std::string_view text) {
  if (IsReadOnly() || !IsWindowEnabled()) return;
  if (GetWindowText() == text) return;
  SetWindowText(text);
  NotifyParentCommand(EN_CHANGE);
}

}  // namespace ui
