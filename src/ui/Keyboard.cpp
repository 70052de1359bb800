#include "ui/Keyboard.h"

#include "ui/Dialog.h"
#include "ui/Wnd.h"

namespace ui {

bool AcceleratorTable::Translate(CWnd& window, const KeyMessage& message) const {
  if (message.type != KeyMessage::Type::KeyDown) return false;
  for (const Accelerator& entry : m_entries) {
    if (entry.virtualKey == message.virtualKey && entry.control == message.control &&
        entry.shift == message.shift && entry.alt == message.alt) {
      window.OnCommand(entry.command, kAcceleratorCode);
      return true;
    }
  }
  return false;
}

bool DispatchKey(CWnd& target, const KeyMessage& message) {
  for (CWnd* window = &target; window; window = window->GetParent()) {
    if (window->PreTranslateMessage(message)) return true;
  }
  if (message.type != KeyMessage::Type::KeyDown) return false;
  if (message.virtualKey != VK_RETURN && message.virtualKey != VK_ESCAPE) return false;
  for (CWnd* window = &target; window; window = window->GetParent()) {
    if (window->Kind() == ControlKind::PropertySheet || window->Kind() == ControlKind::PropertyPage) return false;
    if (window->Kind() == ControlKind::Dialog) {
      const int command = message.virtualKey == VK_RETURN ? IDOK : IDCANCEL;
      return window->OnCommand(command, BN_CLICKED);
    }
  }
  return false;
}

}  // namespace ui
