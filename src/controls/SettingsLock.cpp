#include "controls/SettingsLock.h"

#include "controls/PasswordDlg.h"
#include "platform/Files.h"
#include "platform/StationSettings.h"

bool IsSettingsLockActive() { return platform::FileExists(kPasswordFile) && !platform::IsDirectory(kPasswordFile); }

bool CheckSettingsPassword(std::string_view typed) {
  return settings::ReadText(settings::keys::IniPassword) == typed;
}

bool UnlockSettings(ui::CWnd* parent) {
  if (!IsSettingsLockActive()) return true;
  CPasswordDlg dialog(parent);
  return dialog.DoModal() == ui::IDOK;
}

bool ChangeSettingsPassword(ui::CWnd* parent) {
  CChangePasswordDlg dialog(parent);
  return dialog.DoModal() == ui::IDOK;
}
