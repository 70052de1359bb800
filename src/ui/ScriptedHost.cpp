#include "ui/ScriptedHost.h"

#include "platform/Debug.h"
#include "ui/Dialog.h"
#include "ui/PropertySheet.h"

namespace ui {

namespace {
template <class T>
std::optional<T> PopFront(std::deque<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}
}  // namespace

int DefaultMessageBoxAnswer(unsigned type) {
  static constexpr int kButtons[][3] = {
      {IDOK, IDOK, IDOK},            {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL},       {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
  };
  const unsigned buttons = type & MB_TYPEMASK;
  if (buttons >= sizeof(kButtons) / sizeof(kButtons[0])) return IDOK;
  const unsigned which = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
  return kButtons[buttons][which];
}

ScriptedHost::ScriptedHost(bool reportRequests) : m_report(reportRequests) {}

void ScriptedHost::ScriptNextDialog(std::function<void(CDialog&)> script) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_dialogScripts.push_back(std::move(script));
}

void ScriptedHost::ScriptNextSheet(std::function<void(CPropertySheet&)> script) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_sheetScripts.push_back(std::move(script));
}

void ScriptedHost::AnswerNextMessageBox(int answer) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_messageBoxAnswers.push_back(answer);
}

void ScriptedHost::AnswerNextFileDialog(std::optional<std::string> path) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_fileAnswers.push_back(std::move(path));
}

void ScriptedHost::SetShellResult(bool started) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_shellResult = started;
}

void ScriptedHost::CarryOutShellRequests() {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_carryOutShellRequests = true;
}

std::vector<MessageBoxRequest> ScriptedHost::MessageBoxes() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_messageBoxes;
}

std::vector<FileDialogRequest> ScriptedHost::FileDialogs() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_fileDialogs;
}

std::vector<ScriptedHost::ShellRequest> ScriptedHost::ShellRequests() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_shellRequests;
}

std::vector<std::string> ScriptedHost::ModalDialogs() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_modalDialogs;
}

void ScriptedHost::RunModal(CDialog& dialog) {
  std::optional<std::function<void(CDialog&)>> script;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_modalDialogs.push_back(dialog.GetWindowText());
    script = PopFront(m_dialogScripts);
  }
  if (m_report) platform::DebugOutput("ui: modal dialog \"" + dialog.GetWindowText() + "\" cancelled\r\n");
  if (script && *script) (*script)(dialog);
  if (!dialog.IsEnded()) dialog.EndDialog(IDCANCEL);
}

void ScriptedHost::RunModal(CPropertySheet& sheet) {
  std::optional<std::function<void(CPropertySheet&)>> script;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_modalDialogs.push_back(sheet.GetWindowText());
    script = PopFront(m_sheetScripts);
  }
  sheet.CreateSheet();
  if (script && *script && !sheet.IsEnded()) (*script)(sheet);
  if (!sheet.IsEnded()) sheet.EndDialog(IDCANCEL);
}

int ScriptedHost::ShowMessageBox(const MessageBoxRequest& request) {
  std::optional<int> answer;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_messageBoxes.push_back(request);
    answer = PopFront(m_messageBoxAnswers);
  }
  if (m_report) platform::DebugOutput("ui: message box: " + request.text + "\r\n");
  return answer ? *answer : DefaultMessageBoxAnswer(request.type);
}

std::optional<std::string> ScriptedHost::ShowFileDialog(const FileDialogRequest& request) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_fileDialogs.push_back(request);
  std::optional<std::optional<std::string>> answer = PopFront(m_fileAnswers);
  return answer ? *answer : std::nullopt;
}

bool ScriptedHost::ShellExecute(std::string_view verb, std::string_view path) {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_shellRequests.push_back(ShellRequest{std::string(verb), std::string(path)});
    if (!m_carryOutShellRequests) return m_shellResult;
  }
  return Host::ShellExecute(verb, path);
}

}  // namespace ui
