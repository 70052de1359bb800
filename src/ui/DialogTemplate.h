#pragma once
// A dialog template: what the framework reads from a resource, written in code. Positions and
// sizes are in dialog units of the template's font (see DialogUnits.h).
#include <cstdint>
#include <string>
#include <vector>

#include "ui/DialogUnits.h"
#include "ui/Wnd.h"

namespace ui {

struct DialogItem {
  int id = 0;
  ControlKind kind = ControlKind::Static;
  std::string caption;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  // Styles; WS_VISIBLE is added unless hidden is set.
  std::uint32_t style = 0;
  bool hidden = false;
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  int width = 0;
  int height = 0;
  DialogFont font;
  std::vector<DialogItem> items;
};

}  // namespace ui
