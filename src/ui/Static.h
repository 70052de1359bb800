#pragma once
// A static text.
#include "ui/Wnd.h"

namespace ui {

class CStatic : public CWnd {
 public:
  CStatic() : CWnd(ControlKind::Static) {}
};

}  // namespace ui
