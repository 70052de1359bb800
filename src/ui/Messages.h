#pragma once
// The messages that reach a window's handlers besides commands: key strokes and the
// notifications of list controls.
#include <cstdint>

namespace ui {

struct KeyMessage {
  enum class Type { KeyDown, KeyUp };
  Type type = Type::KeyDown;
  unsigned virtualKey = 0;
  bool control = false;
  bool shift = false;
  bool alt = false;
};

// A notification from a child control (the framework's WM_NOTIFY).
struct NotifyMessage {
  int idFrom = 0;
  int code = 0;
  int item = -1;
  int subItem = -1;
  // Extra value of the notification (RLN_SORTCHANGED: 1 ascending, 0 descending).
  std::intptr_t param = 0;
};

}  // namespace ui
