// The focus of a control disabled while it has it (offscreen, the window active): it comes back
// when the control is enabled again only if the user has pressed no key or mouse button in the
// window meanwhile (a key released, a wheel turned, the window activated again and the
// program's own events do not count) and the program has not moved it, each window keeps its
// own, and it comes back to the widget that had it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include "ui/qt/FocusReturn.h"

namespace {

// A first control, the control after it (where Qt puts the focus of the first when it is
// disabled) and a group with an edit.
struct FocusWindow {
  QWidget window;
  QWidget* first = new QLineEdit(&window);
  QWidget* next = new QLineEdit(&window);
  QWidget* group = new QWidget(&window);
  QWidget* groupEdit = new QLineEdit(group);
};
using Part = QWidget* FocusWindow::*;

void Disable(QWidget* widget) { uiqt::SetEnabledReturningFocus(*widget, false); }
void Enable(QWidget* widget) { uiqt::SetEnabledReturningFocus(*widget, true); }

// The user turns the mouse wheel over the widget (an event of the window system, as QTest
// makes its key and mouse events).
void TurnWheel(QWidget* widget) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QSpontaneKeyEvent::setSpontaneous(&wheel);
  QApplication::instance()->notify(widget, &wheel);
}

// The window becomes the active one, as when the user switches to it.
void Activate(FocusWindow& w) {
  w.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
}

// The widget focused, the one disabled, what happens then, the one enabled, and the widgets
// that must have the focus at the end, in the active window and in the other one (whose first
// control is enabled at the end).
struct FocusCase {
  const char* name;
  Part focused, disabled;
  void (*meanwhile)(FocusWindow& active, FocusWindow& other);
  Part enabled, expected;
  Part otherExpected = &FocusWindow::first;
};

const FocusCase kFocusCases[] = {
    {"a click into the control Qt chose", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) { QTest::mouseClick(w.next, Qt::LeftButton); }, &FocusWindow::first,
     &FocusWindow::next},
    {"a key typed into the control Qt chose", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) { QTest::keyClick(w.next, Qt::Key_A); }, &FocusWindow::first, &FocusWindow::next},
    {"a control disabled and enabled in another window", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow&, FocusWindow& other) {
       Disable(other.first);
       Enable(other.first);
     },
     &FocusWindow::first, &FocusWindow::first},
    {"the control the user moved to, disabled while the first stays so", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) {
       QTest::mouseClick(w.next, Qt::LeftButton);
       Disable(w.next);
     },
     &FocusWindow::next, &FocusWindow::next},
    {"a group, while an edit in it has the focus", &FocusWindow::groupEdit, &FocusWindow::group,
     [](FocusWindow&, FocusWindow&) {}, &FocusWindow::group, &FocusWindow::groupEdit},
    {"a key released in the control Qt chose", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) { QTest::keyRelease(w.next, Qt::Key_A); }, &FocusWindow::first,
     &FocusWindow::first},
    {"the wheel turned over the control Qt chose", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) { TurnWheel(w.next); }, &FocusWindow::first, &FocusWindow::first},
    {"the window activated again after another one", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow& other) {
       Activate(other);
       Activate(w);
     },
     &FocusWindow::first, &FocusWindow::first},
    {"a key press the program sends to the control Qt chose", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) {
       QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
       QApplication::sendEvent(w.next, &press);
     },
     &FocusWindow::first, &FocusWindow::first},
    {"a click in another window, which ends that window's claim", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow&, FocusWindow& other) {
       Disable(other.first);
       QTest::mouseClick(other.next, Qt::LeftButton);
     },
     &FocusWindow::first, &FocusWindow::first, &FocusWindow::next},
    {"the focus moved by the program", &FocusWindow::first, &FocusWindow::first,
     [](FocusWindow& w, FocusWindow&) { w.groupEdit->setFocus(); }, &FocusWindow::first, &FocusWindow::groupEdit},
};

TEST(FocusReturn, ComesBackToTheWidgetThatHadItInItsWindowOnlyIfTheUserDidNothing) {
  for (const FocusCase& focusCase : kFocusCases) {
    SCOPED_TRACE(focusCase.name);
    FocusWindow active;
    FocusWindow other;
    other.window.show();
    active.window.show();
    active.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&active.window));
    other.first->setFocus();
    (active.*focusCase.focused)->setFocus();
    Disable(active.*focusCase.disabled);
    focusCase.meanwhile(active, other);
    Enable(active.*focusCase.enabled);
    EXPECT_EQ(QApplication::focusWidget(), active.*focusCase.expected);
    Enable(other.first);
    EXPECT_EQ(other.window.focusWidget(), other.*focusCase.otherExpected);
  }
}

}  // namespace
