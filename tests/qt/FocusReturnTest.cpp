// The focus of a control disabled while it has it (offscreen, the window active): it comes back
// when the control is enabled again only if the user has done nothing in the window meanwhile,
// each window keeps its own, and it comes back to the widget that had it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

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

// The widget focused, the one disabled, what happens then, the one enabled, and the widget that
// must have the focus at the end.
struct FocusCase {
  const char* name;
  Part focused, disabled;
  void (*meanwhile)(FocusWindow& active, FocusWindow& other);
  Part enabled, expected;
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
  }
}

}  // namespace
