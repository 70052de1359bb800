#pragma once
// The two dialogs of the settings lock: CPasswordDlg asks for the password and ends with IDOK
// only when it matches; CChangePasswordDlg asks for the current password and a new one
// (typed twice) and stores the new one.
#include "ui/Dialog.h"
#include "ui/Edit.h"

class CPasswordDlg : public ui::CDialog {
 public:
  static constexpr int kIdd = 230;
  static constexpr int kIdcPassword = 1001;
  static const ui::DialogTemplate& Template();

  explicit CPasswordDlg(ui::CWnd* parent = nullptr);
  void DoDataExchange(ui::CDataExchange* exchange) override;
  void OnOK() override;

  ui::CEdit m_password;
};

class CChangePasswordDlg : public ui::CDialog {
 public:
  static constexpr int kIdd = 231;
  static constexpr int kIdcOldPassword = 1001;
  static constexpr int kIdcNewPassword = 1002;
  static constexpr int kIdcConfirmPassword = 1003;
  static const ui::DialogTemplate& Template();

  explicit CChangePasswordDlg(ui::CWnd* parent = nullptr);
  void DoDataExchange(ui::CDataExchange* exchange) override;
  void OnOK() override;

  ui::CEdit m_oldPassword;
  ui::CEdit m_newPassword;
  ui::CEdit m_confirmPassword;
};
