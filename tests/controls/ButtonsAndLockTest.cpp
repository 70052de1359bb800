// Icon and bitmap buttons, and the settings lock with its two password dialogs.
#include <gtest/gtest.h>

#include "controls/BitmapButtonEx.h"
#include "controls/IconButton.h"
#include "controls/PasswordDlg.h"
#include "controls/SettingsLock.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "support/ScratchStation.h"
#include "ui/Button.h"
#include "ui/ScriptedHost.h"

namespace {

TEST(IconButton, IconsAndArrangement) {
  CIconButton button;
  button.SetIcon(141, 0);
  EXPECT_TRUE(button.SetAlign(CIconButton::kIconAbove, true));
  ui::ButtonImage image = button.GetImage();
  EXPECT_EQ(image.kind, ui::ButtonImage::Kind::Icon);
  EXPECT_EQ(image.icon, 141);
  EXPECT_EQ(image.secondIcon, 0);
  EXPECT_EQ(image.align, 1);
  EXPECT_FALSE(button.SetAlign(4, true));
  EXPECT_EQ(button.GetAlign(), 1);
  button.SetIcon(283, 150);
  EXPECT_EQ(button.GetImage().secondIcon, 150);
  EXPECT_EQ(button.GetAlign(), 1);  // a new icon keeps the arrangement
}

TEST(BitmapButtonEx, BitmapsByStateAndOptions) {
  CBitmapButtonEx button;
  button.SetBitmaps(269, 269, 269, 0, 0, 0, 0, 1, 0);
  const ui::ButtonImage image = button.GetImage();
  EXPECT_EQ(image.kind, ui::ButtonImage::Kind::Bitmap);
  EXPECT_EQ(image.bitmaps, (std::array<int, ui::ButtonImage::kBitmapStates>{269, 269, 269, 0, 0, 0}));
  EXPECT_FALSE(image.transparent);
  EXPECT_TRUE(image.stretch);
  EXPECT_FALSE(image.border);
}

class HostScope {
 public:
  explicit HostScope(ui::Host& host) { ui::SetHost(&host); }
  ~HostScope() { ui::SetHost(nullptr); }
};

void Type(ui::CDialog& dialog, int id, const std::string& text) {
  static_cast<ui::CEdit*>(dialog.GetDlgItem(id))->UserEdit(text);
}
void Press(ui::CDialog& dialog, int id) { static_cast<ui::CButton*>(dialog.GetDlgItem(id))->Click(); }

TEST(SettingsLock, WithoutPasswordCfgEditingIsOpen) {
  testsupport::ScratchStation station;
  ui::ScriptedHost host;
  HostScope scope(host);
  EXPECT_FALSE(IsSettingsLockActive());
  EXPECT_TRUE(UnlockSettings());
  EXPECT_TRUE(host.ModalDialogs().empty());
}

TEST(SettingsLock, ThePasswordDialogOnlyOpensTheLockWithTheRightPassword) {
  testsupport::ScratchStation station;
  station.WriteFile("Password.cfg", "");
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[OP Setting]\r\nINIPassword=tv3160\r\n");
  platform::FlushProfileCache();
  ui::ScriptedHost host;
  HostScope scope(host);
  ASSERT_TRUE(IsSettingsLockActive());

  host.ScriptNextDialog([](ui::CDialog& dialog) {
    Type(dialog, CPasswordDlg::kIdcPassword, "wrong");
    Press(dialog, ui::IDOK);
    EXPECT_FALSE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetDlgItem(CPasswordDlg::kIdcPassword)->GetWindowText(), "");
    Type(dialog, CPasswordDlg::kIdcPassword, "tv3160");
    Press(dialog, ui::IDOK);
  });
  EXPECT_TRUE(UnlockSettings());
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "Password error !");

  // Cancelled: the lock stays closed.
  EXPECT_FALSE(UnlockSettings());
}

TEST(SettingsLock, ChangingThePasswordNeedsTheOldOneAndTwoEqualNewOnes) {
  testsupport::ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[OP Setting]\r\nINIPassword=old\r\n");
  platform::FlushProfileCache();
  ui::ScriptedHost host;
  HostScope scope(host);
  host.ScriptNextDialog([](ui::CDialog& dialog) {
    Type(dialog, CChangePasswordDlg::kIdcOldPassword, "old");
    Type(dialog, CChangePasswordDlg::kIdcNewPassword, "new1");
    Type(dialog, CChangePasswordDlg::kIdcConfirmPassword, "new2");
    Press(dialog, ui::IDOK);
    EXPECT_FALSE(dialog.IsEnded());
    Type(dialog, CChangePasswordDlg::kIdcConfirmPassword, "new1");
    Press(dialog, ui::IDOK);
  });
  EXPECT_TRUE(ChangeSettingsPassword());
  EXPECT_EQ(settings::ReadText(settings::keys::IniPassword), "new1");
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "The new passwords differ !");
  EXPECT_TRUE(CheckSettingsPassword("new1"));
  EXPECT_FALSE(CheckSettingsPassword("old"));
}

}  // namespace
