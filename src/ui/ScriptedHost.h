#pragma once
// A host without a display: it answers from scripts and records every request. Tests use it
// to answer modal dialogs, message boxes and file dialogs; the model falls back to one without
// scripts (every dialog cancelled, message boxes answered with their default button).
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/Host.h"

namespace ui {

class ScriptedHost : public Host {
 public:
  // reportRequests: echo every request to the debug output.
  explicit ScriptedHost(bool reportRequests = false);

  // The next modal dialog runs this script after its initialisation; the script acts like a
  // user (clicks, typing) and should end the dialog. A dialog still open after its script
  // (or without one) is ended with IDCANCEL.
  void ScriptNextDialog(std::function<void(CDialog&)> script);
  void ScriptNextSheet(std::function<void(CPropertySheet&)> script);
  // Answers of the next message box / file dialog (nothing: cancelled).
  void AnswerNextMessageBox(int answer);
  void AnswerNextFileDialog(std::optional<std::string> path);
  // Whether shell requests report success (they are not carried out).
  void SetShellResult(bool started);
  // From now on shell requests are carried out as the program does (xdg-open), and report
  // whether it started.
  void CarryOutShellRequests();

  struct ShellRequest {
    std::string verb;
    std::string path;
  };
  std::vector<MessageBoxRequest> MessageBoxes() const;
  std::vector<FileDialogRequest> FileDialogs() const;
  std::vector<ShellRequest> ShellRequests() const;
  // Caption of every modal dialog shown, in order.
  std::vector<std::string> ModalDialogs() const;

  void RunModal(CDialog& dialog) override;
  void RunModal(CPropertySheet& sheet) override;
  int ShowMessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
  bool ShellExecute(std::string_view verb, std::string_view path) override;

 private:
  const bool m_report;
  mutable std::mutex m_mutex;
  std::deque<std::function<void(CDialog&)>> m_dialogScripts;
  std::deque<std::function<void(CPropertySheet&)>> m_sheetScripts;
  std::deque<int> m_messageBoxAnswers;
  std::deque<std::optional<std::string>> m_fileAnswers;
  bool m_shellResult = true;
  bool m_carryOutShellRequests = false;
  std::vector<MessageBoxRequest> m_messageBoxes;
  std::vector<FileDialogRequest> m_fileDialogs;
  std::vector<ShellRequest> m_shellRequests;
  std::vector<std::string> m_modalDialogs;
};

// The answer a message box of this type gives by default (its default button).
int DefaultMessageBoxAnswer(unsigned type);

}  // namespace ui
