#pragma once
// The settings lock of the production and settings pages. While the file Password.cfg lies in
// the station folder, changing settings needs the password kept as INIPassword in [OP Setting]
// of MPToolSetting.ini; without the file editing is open. The file's contents are not read.
#include <string_view>

namespace ui {
class CWnd;
}

inline constexpr const char* kPasswordFile = ".\\Password.cfg";

bool IsSettingsLockActive();
bool CheckSettingsPassword(std::string_view typed);
// Asks for the password (CPasswordDlg) when the lock is active; true when editing may go on.
bool UnlockSettings(ui::CWnd* parent = nullptr);
// Lets the user set a new password (CChangePasswordDlg); true when one was stored.
bool ChangeSettingsPassword(ui::CWnd* parent = nullptr);
