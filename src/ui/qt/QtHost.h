#pragma once
// The Qt front end: it shows the model's sheet and dialogs, answers message boxes and file
// dialogs, turns Qt's key events into the model's key messages, and is the dispatcher's pump
// backend, so that every loop of the user-interface thread also serves Qt's events and
// repaints what the model marked dirty. Make it on the thread that owns the QApplication.
#include <QAbstractEventDispatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

#include "ui/Dispatcher.h"
#include "ui/Host.h"
#include "ui/qt/OperatorMenu.h"

namespace uiqt {

class SheetWindow;
class WindowView;

class QtHost : public QObject, public ui::Host, public ui::PumpBackend {
 public:
  explicit QtHost(ui::Dispatcher& dispatcher);
  ~QtHost() override;

  void RunModal(ui::CDialog& dialog) override;
  void RunModal(ui::CPropertySheet& sheet) override;
  int ShowMessageBox(const ui::MessageBoxRequest& request) override;
  std::optional<std::string> ShowFileDialog(const ui::FileDialogRequest& request) override;

  void ProcessEvents() override;
  void WaitForEvents(std::uint32_t timeoutMs) override;
  void Wake() override;

  // Brings every shown widget up to date with the model now.
  void SyncNow(bool everything = false);
  // Called once each top-level window (sheet or dialog) is shown; tests act through it.
  void SetWindowShownHook(std::function<void(QWidget*)> hook) { m_shownHook = std::move(hook); }
  SheetWindow* Sheet() const { return m_sheet; }
  // Menus of the sheet's window from the next sheet shown on.
  void AddOperatorMenu(OperatorMenu menu) { m_operatorMenus.push_back(std::move(menu)); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ui::CWnd* WindowOf(const QWidget* widget) const;
  QWidget* ActiveTopWindow() const;
  void Shown(QWidget* window);

  ui::Dispatcher& m_dispatcher;
  QPointer<QAbstractEventDispatcher> m_eventDispatcher;
  QTimer m_waitTimer;
  SheetWindow* m_sheet = nullptr;
  std::vector<WindowView*> m_dialogViews;
  std::uint64_t m_lastSerial = ~std::uint64_t{0};
  std::function<void(QWidget*)> m_shownHook;
  std::vector<OperatorMenu> m_operatorMenus;
  const QEvent* m_lastKeyEvent = nullptr;
  unsigned long m_lastKeyTime = 0;
};

}  // namespace uiqt
