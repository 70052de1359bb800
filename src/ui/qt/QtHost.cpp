#include "ui/qt/QtHost.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <map>

#include "platform/Files.h"
#include "platform/Path.h"
#include "ui/Dialog.h"
#include "ui/Keyboard.h"
#include "ui/PropertySheet.h"
#include "ui/qt/Convert.h"
#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace uiqt {
namespace {

// A modal dialog's window: closing it is the dialog's cancel command; the model ends it.
class DialogWindow : public QDialog {
 public:
  DialogWindow(ui::CDialog& dialog, QWidget* parent) : QDialog(parent), m_dialog(dialog) {}
  void reject() override { m_dialog.OnCommand(ui::IDCANCEL, ui::BN_CLICKED); }

 private:
  ui::CDialog& m_dialog;
};

// A modal window has closed: the window it was opened over is active again, as Windows makes a
// modal dialog's owner, whether or not a window manager would do it; Qt then gives the keyboard
// to that window's focus widget, the widget that had it when the modal window opened (or the
// one the program or Qt has put it on since).
void ActivateOwnerOf(const QWidget& modal) {
  QWidget* owner = modal.parentWidget();
  if (owner != nullptr && owner->isVisible()) owner->activateWindow();
}

}  // namespace

QtHost::QtHost(ui::Dispatcher& dispatcher)
    : m_dispatcher(dispatcher), m_eventDispatcher(QCoreApplication::eventDispatcher()) {
  m_waitTimer.setSingleShot(true);
  m_dispatcher.SetBackend(this);
  qApp->installEventFilter(this);
}

QtHost::~QtHost() {
  qApp->removeEventFilter(this);
  m_dispatcher.SetBackend(nullptr);
}

void QtHost::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  SyncNow(false);
}

void QtHost::WaitForEvents(std::uint32_t timeoutMs) {
  if (timeoutMs == 0) return;
  m_waitTimer.start(static_cast<int>(std::min<std::uint32_t>(timeoutMs, 1u << 30)));
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  m_waitTimer.stop();
}

void QtHost::Wake() {
  if (m_eventDispatcher) m_eventDispatcher->wakeUp();
}

void QtHost::SyncNow(bool everything) {
  const std::uint64_t serial = ui::ChangeSerial();
  if (!everything && serial == m_lastSerial) return;
  m_lastSerial = serial;
  if (m_sheet) m_sheet->Sync(everything);
  for (WindowView* view : m_dialogViews) view->Sync(everything);
}

void QtHost::Shown(QWidget* window) {
  SyncNow(true);
  if (m_shownHook) m_shownHook(window);
}

QWidget* QtHost::ActiveTopWindow() const {
  if (!m_dialogViews.empty()) return m_dialogViews.back()->Widget()->window();
  return m_sheet;
}

void QtHost::RunModal(ui::CPropertySheet& sheet) {
  SheetWindow window(sheet, m_operatorMenus);
  SheetWindow* previous = m_sheet;
  m_sheet = &window;
  // Maximised; the full screen size also serves where no window manager maximises it.
  if (QScreen* screen = window.screen()) window.resize(screen->availableGeometry().size());
  window.showMaximized();
  // The window system's answer to the maximising and the window's layouts give each tab its
  // size; then the first page is activated at its own.
  QApplication::processEvents();
  sheet.CreateSheet();
  Shown(&window);
  m_dispatcher.PumpUntil([&] { return sheet.IsEnded(); });
  window.hide();
  m_sheet = previous;
}

void QtHost::RunModal(ui::CDialog& dialog) {
  DialogWindow window(dialog, ActiveTopWindow());
  window.setWindowTitle(FromStation(dialog.GetWindowText()));
  const ui::CRect rect = dialog.GetWindowRect();
  window.setFixedSize(std::max(rect.Width(), 1), std::max(rect.Height(), 1));
  window.setModal(true);
  WindowView view(dialog, &window, false);
  m_dialogViews.push_back(&view);
  window.show();
  Shown(&window);
  m_dispatcher.PumpUntil([&] { return dialog.IsEnded(); });
  window.hide();
  ActivateOwnerOf(window);
  m_dialogViews.erase(std::find(m_dialogViews.begin(), m_dialogViews.end(), &view));
}

int QtHost::ShowMessageBox(const ui::MessageBoxRequest& request) {
  static const std::map<unsigned, std::vector<std::pair<QMessageBox::StandardButton, int>>> kButtons = {
      {ui::MB_OK, {{QMessageBox::Ok, ui::IDOK}}},
      {ui::MB_OKCANCEL, {{QMessageBox::Ok, ui::IDOK}, {QMessageBox::Cancel, ui::IDCANCEL}}},
      {ui::MB_ABORTRETRYIGNORE,
       {{QMessageBox::Abort, ui::IDABORT}, {QMessageBox::Retry, ui::IDRETRY}, {QMessageBox::Ignore, ui::IDIGNORE}}},
      {ui::MB_YESNOCANCEL, {{QMessageBox::Yes, ui::IDYES}, {QMessageBox::No, ui::IDNO}, {QMessageBox::Cancel, ui::IDCANCEL}}},
      {ui::MB_YESNO, {{QMessageBox::Yes, ui::IDYES}, {QMessageBox::No, ui::IDNO}}},
      {ui::MB_RETRYCANCEL, {{QMessageBox::Retry, ui::IDRETRY}, {QMessageBox::Cancel, ui::IDCANCEL}}},
  };
  auto found = kButtons.find(request.type & ui::MB_TYPEMASK);
  const auto& buttons = found != kButtons.end() ? found->second : kButtons.at(ui::MB_OK);
  const unsigned iconBits = request.type & ui::MB_ICONMASK;
  const QMessageBox::Icon icon = iconBits == ui::MB_ICONERROR         ? QMessageBox::Critical
                                 : iconBits == ui::MB_ICONQUESTION    ? QMessageBox::Question
                                 : iconBits == ui::MB_ICONWARNING     ? QMessageBox::Warning
                                 : iconBits == ui::MB_ICONINFORMATION ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
  // A message box without a caption takes the program's: the sheet's caption once it shows.
  const QString caption = !request.caption.empty() ? FromStation(request.caption)
                          : m_sheet                ? m_sheet->windowTitle()
                                                   : QApplication::applicationName();
  QMessageBox box(icon, caption,
                  FromStation(request.text), QMessageBox::NoButton, ActiveTopWindow());
  std::map<QAbstractButton*, int> answers;
  for (const auto& [standard, answer] : buttons) answers[box.addButton(standard)] = answer;
  const std::size_t defaultIndex = (request.type & ui::MB_DEFBUTTON3) ? 2 : (request.type & ui::MB_DEFBUTTON2) ? 1 : 0;
  if (defaultIndex < buttons.size()) box.setDefaultButton(buttons[defaultIndex].first);
  bool finished = false;
  QObject::connect(&box, &QMessageBox::finished, &box, [&finished] { finished = true; });
  box.open();
  Shown(&box);
  m_dispatcher.PumpUntil([&] { return finished; }, ui::kWaitForever, false);
  ActivateOwnerOf(box);
  auto answer = answers.find(box.clickedButton());
  if (answer != answers.end()) return answer->second;
  // Closed without a button: the cancel button's answer, else the only button's.
  for (const auto& [standard, value] : buttons) {
    if (value == ui::IDCANCEL || value == ui::IDNO) return value;
  }
  return buttons.front().second;
}

std::optional<std::string> QtHost::ShowFileDialog(const ui::FileDialogRequest& request) {
  QString folder = QString::fromStdString(platform::StationFolder().string());
  if (!request.initialFolder.empty() && platform::IsDirectory(request.initialFolder)) {
    folder = QString::fromStdString(platform::ToNativePath(request.initialFolder).string());
  }
  QFileDialog dialog(ActiveTopWindow(), QString(), folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(request.open && (request.flags & ui::OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                             : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & ui::OFN_OVERWRITEPROMPT) == 0);
  QStringList filters;
  for (const ui::FileDialogFilter& filter : request.filters) {
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) patterns << FromStation(pattern);
    filters << FromStation(filter.name) + " (" + patterns.join(' ') + ")";
  }
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(FromStation(request.defaultExtension));
  if (!request.fileName.empty()) dialog.selectFile(FromStation(request.fileName));
  bool finished = false;
  QObject::connect(&dialog, &QFileDialog::finished, &dialog, [&finished] { finished = true; });
  dialog.open();
  Shown(&dialog);
  m_dispatcher.PumpUntil([&] { return finished; }, ui::kWaitForever, false);
  ActivateOwnerOf(dialog);
  if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToStation(dialog.selectedFiles().front());
}

ui::CWnd* QtHost::WindowOf(const QWidget* widget) const {
  for (auto it = m_dialogViews.rbegin(); it != m_dialogViews.rend(); ++it) {
    if (ui::CWnd* window = (*it)->WindowOf(widget)) return window;
  }
  return m_sheet ? m_sheet->WindowOf(widget) : nullptr;
}

bool QtHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  // A key event that goes up to the parents passes here once per receiver: handle it once.
  if (event == m_lastKeyEvent && key->timestamp() == m_lastKeyTime) return false;
  m_lastKeyEvent = event;
  m_lastKeyTime = key->timestamp();
  if (event->type() == QEvent::KeyRelease && key->isAutoRepeat()) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  const unsigned virtualKey = VirtualKeyOf(key->key());
  if (!widget || virtualKey == 0) return false;
  ui::CWnd* window = WindowOf(widget);
  if (!window) return false;
  ui::KeyMessage message;
  message.type = event->type() == QEvent::KeyPress ? ui::KeyMessage::Type::KeyDown : ui::KeyMessage::Type::KeyUp;
  message.virtualKey = virtualKey;
  message.control = (key->modifiers() & Qt::ControlModifier) != 0;
  message.shift = (key->modifiers() & Qt::ShiftModifier) != 0;
  message.alt = (key->modifiers() & Qt::AltModifier) != 0;
  return ui::DispatchKey(*window, message);
}

}  // namespace uiqt
