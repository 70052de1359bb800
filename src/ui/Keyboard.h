#pragma once
// Key handling. A key message meant for a window first passes PreTranslateMessage of that
// window and then of each ancestor (a true answer swallows it). Otherwise the nearest dialog
// gives the keys their dialog meaning on key-down: Enter runs IDOK and Escape IDCANCEL of a
// modal dialog. A property sheet is the program's main window here: Enter and Escape do not
// close it (closing it while drives are being prepared would cut their runs short).
//
// Accelerator tables turn a key-down into a command (OnCommand with kAcceleratorCode);
// a window uses one from its PreTranslateMessage.
#include <vector>

#include "ui/Messages.h"

namespace ui {

class CWnd;

struct Accelerator {
  unsigned virtualKey = 0;
  bool control = false;
  bool shift = false;
  bool alt = false;
  int command = 0;
};

class AcceleratorTable {
 public:
  AcceleratorTable() = default;
  explicit AcceleratorTable(std::vector<Accelerator> entries) : m_entries(std::move(entries)) {}
  bool IsLoaded() const { return !m_entries.empty(); }
  // On a key-down that matches an entry: window.OnCommand(command, kAcceleratorCode); true.
  bool Translate(CWnd& window, const KeyMessage& message) const;

 private:
  std::vector<Accelerator> m_entries;
};

// Routes a key message to target as described above; true when something handled it (the
// front end then keeps it from its own widgets).
bool DispatchKey(CWnd& target, const KeyMessage& message);

}  // namespace ui
