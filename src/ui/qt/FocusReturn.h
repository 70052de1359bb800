#pragma once
// The focus of a control that is disabled while it has it. On Windows a disabled control keeps
// the focus, so it has it again once it is enabled; Qt hands the focus on to the next control
// instead. The control gets the focus back when it is enabled again, unless the user has put
// the focus elsewhere meanwhile (a click or Tab into another control): that choice stays.
#include <QWidget>

namespace uiqt {

// Enables or disables the widget; a widget disabled while it (or a child of it) has its
// window's focus takes the focus back when it is enabled, if the focus is still where Qt put it.
void SetEnabledReturningFocus(QWidget& widget, bool enabled);

}  // namespace uiqt
