#include "ui/qt/FocusReturn.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

namespace uiqt {
namespace {

// A key or a mouse button the user pressed (not an event the program made).
bool IsUsersPress(const QEvent& event) {
  switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:  // a key that a shortcut takes never arrives as a key press
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return event.spontaneous();
    default:
      return false;
  }
}

// The window an event for the object reaches: a pop-up (a drop-down list, a menu) belongs to
// the window of the widget it pops up from. Null for objects that are no widgets.
QWidget* WindowReached(QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  QWidget* window = widget->window();
  while (window->windowType() == Qt::Popup && window->parentWidget() != nullptr) {
    window = window->parentWidget()->window();
  }
  return window;
}

// A window's claim to its focus: the control that lost the focus by being disabled, the widget
// in it that had the focus, and where Qt put the focus then. It lives as a child of its window,
// so it goes with the window; while it stands, it watches the application's input, and the
// user's first key or press in the window ends it.
class FocusClaim : public QObject {
 public:
  explicit FocusClaim(QWidget& window) : QObject(&window), m_window(window) {}
  ~FocusClaim() override { End(); }
  FocusClaim(const FocusClaim&) = delete;
  FocusClaim& operator=(const FocusClaim&) = delete;

  // The window's claim; null if it has never had one.
  static FocusClaim* Of(QWidget& window) {
    for (QObject* child : window.children()) {
      if (auto* claim = dynamic_cast<FocusClaim*>(child)) return claim;
    }
    return nullptr;
  }

  // The control has been disabled while the widget had the focus; Qt put it on the holder.
  void Lend(QWidget& control, QWidget& had, QWidget* holder) {
    // A control that holds the focus for another one passes it on for that one: the focus
    // returns to the widget that lost it first.
    const bool heldForAnother = m_control && m_control != &control && m_holder == &had;
    if (!heldForAnother) {
      m_control = &control;
      m_had = &had;
    }
    m_holder = holder;
    if (!m_watching) {
      qApp->installEventFilter(this);
      m_watching = true;
    }
  }

  // The control has been enabled: the focus comes back if the claim is the control's and the
  // focus is still where Qt put it. The claim ends either way.
  void Enabled(const QWidget& control) {
    if (!m_control || m_control != &control) return;
    const QPointer<QWidget> had = m_had;
    const bool untouched = m_window.focusWidget() == m_holder;
    End();
    if (untouched && had) had->setFocus(Qt::OtherFocusReason);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A control that is gone claims nothing any more.
    if (!m_control || (IsUsersPress(*event) && WindowReached(watched) == &m_window)) End();
    return false;
  }

 private:
  void End() {
    m_control = nullptr;
    m_had = nullptr;
    m_holder = nullptr;
    if (!m_watching) return;
    if (QCoreApplication* application = QCoreApplication::instance()) application->removeEventFilter(this);
    m_watching = false;
  }

  QWidget& m_window;
  QPointer<QWidget> m_control;
  QPointer<QWidget> m_had;
  QPointer<QWidget> m_holder;
  bool m_watching = false;
};

}  // namespace

void SetEnabledReturningFocus(QWidget& widget, bool enabled) {
  QWidget& window = *widget.window();
  if (!enabled) {
    QWidget* focus = window.focusWidget();
    const bool hadFocus = focus != nullptr && (focus == &widget || widget.isAncestorOf(focus));
    widget.setEnabled(false);
    if (!hadFocus) return;
    FocusClaim* claim = FocusClaim::Of(window);
    if (claim == nullptr) claim = new FocusClaim(window);
    claim->Lend(widget, *focus, window.focusWidget());
    return;
  }
  // Only a widget that was disabled can hold a claim.
  const bool wasDisabled = !widget.isEnabled();
  widget.setEnabled(true);
  if (!wasDisabled) return;
  if (FocusClaim* claim = FocusClaim::Of(window)) claim->Enabled(widget);
}

}  // namespace uiqt
