#include "ui/qt/FocusReturn.h"

#include <QPointer>

namespace uiqt {
namespace {

// The widget that lost its window's focus by being disabled, and where Qt put the focus then.
// There is one focus, so there is one of these.
struct LentFocus {
  QPointer<QWidget> owner;
  QPointer<QWidget> holder;
};

LentFocus& Lent() {
  static LentFocus lent;
  return lent;
}

}  // namespace

void SetEnabledReturningFocus(QWidget& widget, bool enabled) {
  LentFocus& lent = Lent();
  if (!enabled) {
    QWidget* focus = widget.window()->focusWidget();
    const bool hadFocus = focus != nullptr && (focus == &widget || widget.isAncestorOf(focus));
    // A widget that holds the focus for another one passes it on for that one: the focus
    // returns to the widget that lost it first.
    const bool heldForAnother = hadFocus && lent.owner && lent.owner != &widget && lent.holder == focus;
    widget.setEnabled(false);
    if (!hadFocus) return;
    if (!heldForAnother) lent.owner = &widget;
    lent.holder = widget.window()->focusWidget();
    return;
  }
  widget.setEnabled(true);
  if (lent.owner != &widget) return;
  // The focus is still where Qt put it: the user has not chosen another control meanwhile.
  if (widget.window()->focusWidget() == lent.holder) widget.setFocus(Qt::OtherFocusReason);
  lent = LentFocus{};
}

}  // namespace uiqt
