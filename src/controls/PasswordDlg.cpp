#include "controls/PasswordDlg.h"

#include "controls/SettingsLock.h"
#include "platform/StationSettings.h"

using ui::ControlKind;
using ui::DialogItem;

namespace {
constexpr std::uint32_t kPasswordEdit = ui::ES_PASSWORD | ui::ES_AUTOHSCROLL | ui::WS_BORDER | ui::WS_TABSTOP;
}

const ui::DialogTemplate& CPasswordDlg::Template() {
  static const ui::DialogTemplate dialogTemplate{
      kIdd,
      "Password",
      180,
      62,
      ui::DialogFont{},
      {
          DialogItem{-1, ControlKind::Static, "Password :", 7, 10, 50, 8},
          DialogItem{kIdcPassword, ControlKind::Edit, "", 60, 8, 113, 12, kPasswordEdit},
          DialogItem{ui::IDOK, ControlKind::Button, "OK", 66, 40, 50, 14, ui::BS_DEFPUSHBUTTON},
          DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", 123, 40, 50, 14, ui::BS_PUSHBUTTON},
      }};
  return dialogTemplate;
}

CPasswordDlg::CPasswordDlg(ui::CWnd* parent) : CDialog(&Template(), parent) {}

void CPasswordDlg::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, kIdcPassword, m_password);
}

void CPasswordDlg::OnOK() {
  if (!CheckSettingsPassword(m_password.GetWindowText())) {
    MessageBox("Password error !", "Password", ui::MB_OK | ui::MB_ICONERROR);
    m_password.SetWindowText("");
    return;
  }
  EndDialog(ui::IDOK);
}

const ui::DialogTemplate& CChangePasswordDlg::Template() {
  static const ui::DialogTemplate dialogTemplate{
      kIdd,
      "Change Password",
      190,
      92,
      ui::DialogFont{},
      {
          DialogItem{-1, ControlKind::Static, "Old password :", 7, 10, 60, 8},
          DialogItem{kIdcOldPassword, ControlKind::Edit, "", 70, 8, 113, 12, kPasswordEdit},
          DialogItem{-1, ControlKind::Static, "New password :", 7, 28, 60, 8},
          DialogItem{kIdcNewPassword, ControlKind::Edit, "", 70, 26, 113, 12, kPasswordEdit},
          DialogItem{-1, ControlKind::Static, "Confirm :", 7, 46, 60, 8},
          DialogItem{kIdcConfirmPassword, ControlKind::Edit, "", 70, 44, 113, 12, kPasswordEdit},
          DialogItem{ui::IDOK, ControlKind::Button, "OK", 76, 70, 50, 14, ui::BS_DEFPUSHBUTTON},
          DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", 133, 70, 50, 14, ui::BS_PUSHBUTTON},
      }};
  return dialogTemplate;
}

CChangePasswordDlg::CChangePasswordDlg(ui::CWnd* parent) : CDialog(&Template(), parent) {}

void CChangePasswordDlg::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, kIdcOldPassword, m_oldPassword);
  ui::DDX_Control(exchange, kIdcNewPassword, m_newPassword);
  ui::DDX_Control(exchange, kIdcConfirmPassword, m_confirmPassword);
}

void CChangePasswordDlg::OnOK() {
  if (!CheckSettingsPassword(m_oldPassword.GetWindowText())) {
    MessageBox("Password error !", "Change Password", ui::MB_OK | ui::MB_ICONERROR);
    m_oldPassword.SetWindowText("");
    return;
  }
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
