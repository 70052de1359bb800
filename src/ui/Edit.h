#pragma once
// An edit box. The program sets and reads its text from any thread; what the user types
// reaches the model through UserEdit, which tells the parent (EN_CHANGE).
#include <string_view>

#include "ui/Wnd.h"

namespace ui {

class CEdit : public CWnd {
 public:
  CEdit() : CWnd(ControlKind::Edit) {}
  void SetReadOnly(bool readOnly = true);
  bool IsReadOnly() const;
  // The user changed the text (user-interface thread); ignored when read-only or disabled.
  void UserEdit(std::string_view text);
};

}  // namespace ui
