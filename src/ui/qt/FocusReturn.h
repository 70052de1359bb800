#pragma once
// The focus of a control that is disabled while it has it. On Windows a disabled control keeps
// the focus, so it has it again once it is enabled; Qt hands the focus on to the next control
// instead. The widget that had the focus gets it back when the control is enabled again, unless
// the user has pressed a key or a mouse button in the window meanwhile (even in the control Qt
// chose): whatever the user did there stays. Each window keeps its own claim to the focus.
#include <QWidget>

namespace uiqt {

// Enables or disables the widget; a widget disabled while it (or a child of it) has its
// window's focus gives the focus back to that widget or child when it is enabled, if the user
// has done nothing in the window meanwhile and the focus is still where Qt put it.
void SetEnabledReturningFocus(QWidget& widget, bool enabled);

}  // namespace uiqt
