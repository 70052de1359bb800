#include "controls/PasswordDlg.h"

#include <vector>

#include "controls/SettingsLock.h"
#include "platform/StationSettings.h"

using ui::ControlKind;
using ui::DialogItem;

namespace {

constexpr std::uint32_t kPasswordEdit = ui::ES_PASSWORD | ui::ES_AUTOHSCROLL | ui::WS_BORDER | ui::WS_TABSTOP;
constexpr int kMargin = 7;
constexpr int kFieldWidth = 113;

// A password field at the given top, its label at the left margin.
void AddPasswordField(std::vector<DialogItem>& items, int id, const char* label, int labelWidth, int top) {
  items.push_back(DialogItem{-1, ControlKind::Static, label, kMargin, top + 2, labelWidth, 8});
  items.push_back(DialogItem{id, ControlKind::Edit, "", kMargin + labelWidth + 3, top, kFieldWidth, 12, kPasswordEdit});
}

// OK and Cancel at the dialog's right margin.
void AddOkCancel(std::vector<DialogItem>& items, int dialogWidth, int top) {
  items.push_back(DialogItem{ui::IDOK, ControlKind::Button, "OK", dialogWidth - 114, top, 50, 14, ui::BS_DEFPUSHBUTTON});
  items.push_back(DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", dialogWidth - 57, top, 50, 14, ui::BS_PUSHBUTTON});
}

// True when the field holds the settings password; otherwise tells the operator, empties the
// field and keeps the dialog open.
bool PasswordAccepted(ui::CDialog& dialog, ui::CEdit& field, const char* caption) {
  if (CheckSettingsPassword(field.GetWindowText())) return true;
  dialog.MessageBox("Password error !", caption, ui::MB_OK | ui::MB_ICONERROR);
  field.SetWindowText("");
  return false;
}

}  // namespace

const ui::DialogTemplate& CPasswordDlg::Template() {
  static const ui::DialogTemplate dialogTemplate = [] {
    ui::DialogTemplate page{kIdd, "Password", 180, 62, ui::DialogFont{}, {}};
    AddPasswordField(page.items, kIdcPassword, "Password :", 50, 8);
    AddOkCancel(page.items, page.width, 40);
    return page;
  }();
  return dialogTemplate;
}

CPasswordDlg::CPasswordDlg(ui::CWnd* parent) : CDialog(&Template(), parent) {}

void CPasswordDlg::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, kIdcPassword, m_password);
}

void CPasswordDlg::OnOK() {
  if (PasswordAccepted(*this, m_password, "Password")) EndDialog(ui::IDOK);
}

const ui::DialogTemplate& CChangePasswordDlg::Template() {
  static const ui::DialogTemplate dialogTemplate = [] {
    ui::DialogTemplate page{kIdd, "Change Password", 190, 92, ui::DialogFont{}, {}};
    AddPasswordField(page.items, kIdcOldPassword, "Old password :", 60, 8);
    AddPasswordField(page.items, kIdcNewPassword, "New password :", 60, 26);
    AddPasswordField(page.items, kIdcConfirmPassword, "Confirm :", 60, 44);
    AddOkCancel(page.items, page.width, 70);
    return page;
  }();
  return dialogTemplate;
}

CChangePasswordDlg::CChangePasswordDlg(ui::CWnd* parent) : CDialog(&Template(), parent) {}

void CChangePasswordDlg::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, kIdcOldPassword, m_oldPassword);
  ui::DDX_Control(exchange, kIdcNewPassword, m_newPassword);
  ui::DDX_Control(exchange, kIdcConfirmPassword, m_confirmPassword);
}

void CChangePasswordDlg::OnOK() {
  if (!PasswordAccepted(*this, m_oldPassword, "Change Password")) return;
  const std::string password = m_newPassword.GetWindowText();
  if (password != m_confirmPassword.GetWindowText()) {
    MessageBox("The new passwords differ !", "Change Password", ui::MB_OK | ui::MB_ICONERROR);
    m_confirmPassword.SetWindowText("");
    return;
  }
  if (!settings::WriteText(settings::keys::IniPassword, password)) {
    MessageBox("The password cannot be saved !", "Change Password", ui::MB_OK | ui::MB_ICONERROR);
    return;
  }
  EndDialog(ui::IDOK);
}
