// Dialogs from templates: data exchange binding, modal runs answered by a scripted host,
// dialogs and message boxes asked for from worker threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "HostScope.h"
#include "ui/Button.h"
#include "ui/Dialog.h"
#include "ui/Dispatcher.h"
#include "ui/Edit.h"
#include "ui/FileDialog.h"
#include "ui/Keyboard.h"
#include "ui/ScriptedHost.h"
#include "ui/Static.h"

namespace {

using uitest::HostScope;
using ui::ControlKind;
using ui::DialogItem;

const ui::DialogTemplate kNameDialog{
    100,
    "Name",
    200,
    80,
    ui::DialogFont{},
    {
        DialogItem{1001, ControlKind::Edit, "initial", 10, 10, 100, 12},
        DialogItem{1002, ControlKind::Button, "Upper", 120, 10, 50, 14},
        DialogItem{1003, ControlKind::Button, "Remember", 10, 30, 80, 10, ui::BS_AUTOCHECKBOX},
        DialogItem{1004, ControlKind::Static, "hidden label", 10, 50, 80, 10, 0, true},
        DialogItem{ui::IDOK, ControlKind::Button, "OK", 80, 60, 50, 14, ui::BS_DEFPUSHBUTTON},
        DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", 140, 60, 50, 14},
    }};

class NameDialog : public ui::CDialog {
 public:
  NameDialog() : CDialog(&kNameDialog) {}
  void DoDataExchange(ui::CDataExchange* exchange) override {
    ui::DDX_Control(exchange, 1001, m_name);
    ui::DDX_Text(exchange, 1001, m_value);
    ui::DDX_Check(exchange, 1003, m_remember);
  }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    initialised = true;
    return true;
  }
  bool OnCommand(int id, int code) override {
    if (id == 1002 && code == ui::BN_CLICKED) {
      m_name.SetWindowText("UPPER");
      return true;
    }
    return CDialog::OnCommand(id, code);
  }

  ui::CEdit m_name;
  std::string m_value = "from member";
  int m_remember = 0;
  bool initialised = false;
};

TEST(Dialog, TemplateItemsBecomeControlsInPixelsOfTheSystemFont) {
  NameDialog dialog;
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_EQ(dialog.GetWindowRect(), ui::CRect(0, 0, 400, 160));
  ui::CWnd* upper = dialog.GetDlgItem(1002);
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(upper->GetWindowRect(), ui::CRect(240, 20, 340, 48));
  EXPECT_EQ(upper->GetWindowText(), "Upper");
  EXPECT_FALSE(dialog.GetDlgItem(1004)->IsWindowVisible());
  // The member took the template item's place, id, text and rectangle.
  EXPECT_EQ(dialog.GetDlgItem(1001), &dialog.m_name);
  EXPECT_EQ(dialog.m_name.GetWindowRect(), ui::CRect(20, 20, 220, 44));
  EXPECT_EQ(dialog.m_name.GetWindowText(), "from member");  // DDX_Text ran after the binding
  EXPECT_TRUE(dialog.initialised);
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.m_name.GetParent(), nullptr);
}

TEST(Dialog, AModalRunIsAnsweredByTheScriptedHost) {
  ui::Dispatcher dispatcher;
  ui::ScriptedHost host;
  HostScope scope(host);
  host.ScriptNextDialog([](ui::CDialog& shown) {
    auto& dialog = static_cast<NameDialog&>(shown);
    static_cast<ui::CButton*>(dialog.GetDlgItem(1002))->Click();
    static_cast<ui::CButton*>(dialog.GetDlgItem(1003))->Click();
    static_cast<ui::CButton*>(dialog.GetDlgItem(ui::IDOK))->Click();
  });
  NameDialog dialog;
  EXPECT_EQ(dialog.DoModal(), ui::IDOK);
  EXPECT_EQ(dialog.m_value, "UPPER");  // OnOK saved the controls into the members
  EXPECT_EQ(dialog.m_remember, 1);
  EXPECT_FALSE(dialog.IsCreated());
  EXPECT_EQ(host.ModalDialogs(), (std::vector<std::string>{"Name"}));

  // Without a script the host cancels.
  NameDialog again;
  EXPECT_EQ(again.DoModal(), ui::IDCANCEL);
}

TEST(Dialog, EnterAndEscapeReachTheDialogUnlessAWindowTakesThem) {
  NameDialog dialog;
  dialog.Create(nullptr);
  ui::KeyMessage escape{ui::KeyMessage::Type::KeyDown, ui::VK_ESCAPE};
  EXPECT_TRUE(ui::DispatchKey(dialog.m_name, escape));
  EXPECT_TRUE(dialog.IsEnded());
  EXPECT_EQ(dialog.GetResult(), ui::IDCANCEL);

  NameDialog second;
  second.Create(nullptr);
  ui::KeyMessage enter{ui::KeyMessage::Type::KeyDown, ui::VK_RETURN};
  EXPECT_TRUE(ui::DispatchKey(second.m_name, enter));
  EXPECT_EQ(second.GetResult(), ui::IDOK);
  ui::KeyMessage keyUp{ui::KeyMessage::Type::KeyUp, ui::VK_RETURN};
  EXPECT_FALSE(ui::DispatchKey(second.m_name, keyUp));
}

class SwallowingDialog : public NameDialog {
 public:
  bool PreTranslateMessage(const ui::KeyMessage& message) override {
    if (message.type == ui::KeyMessage::Type::KeyDown && message.virtualKey == ui::VK_ESCAPE) return true;
    if (table.IsLoaded() && table.Translate(*this, message)) return true;
    return false;
  }
  bool OnCommand(int id, int code) override {
    if (id == 32771) {
      commandCode = code;
      return true;
    }
    return NameDialog::OnCommand(id, code);
  }
  ui::AcceleratorTable table{{ui::Accelerator{ui::VK_SPACE, false, false, false, 32771}}};
  int commandCode = -1;
};

TEST(Dialog, PreTranslateMessageAndAcceleratorsComeFirst) {
  SwallowingDialog dialog;
  dialog.Create(nullptr);
  EXPECT_TRUE(ui::DispatchKey(dialog.m_name, ui::KeyMessage{ui::KeyMessage::Type::KeyDown, ui::VK_ESCAPE}));
  EXPECT_FALSE(dialog.IsEnded());
  EXPECT_TRUE(ui::DispatchKey(dialog.m_name, ui::KeyMessage{ui::KeyMessage::Type::KeyDown, ui::VK_SPACE}));
  EXPECT_EQ(dialog.commandCode, ui::kAcceleratorCode);
  // A space with control held is another key.
  dialog.commandCode = -1;
  ui::KeyMessage controlSpace{ui::KeyMessage::Type::KeyDown, ui::VK_SPACE, true};
  EXPECT_FALSE(ui::DispatchKey(dialog.m_name, controlSpace));
  EXPECT_EQ(dialog.commandCode, -1);
}

TEST(DialogThreads, AWorkerAsksForAFileAndWaitsForTheScriptedAnswer) {
  ui::Dispatcher dispatcher;
  ui::ScriptedHost host;
  HostScope scope(host);
  host.AnswerNextFileDialog(std::string("/tmp/chosen"));
  host.AnswerNextMessageBox(ui::IDNO);

  std::atomic<bool> done{false};
  std::string path;
  int fileResult = 0;
  int boxResult = 0;
  std::thread worker([&] {
    ui::CFileDialog dialog(false, "txt", "", ui::OFN_HIDEREADONLY, "(*.txt)|*.txt||");
    dialog.SetInitialFolder(".\\Logs");
    fileResult = dialog.DoModal();
    path = dialog.GetPathName();
    boxResult = ui::ShowMessageBox("Keep it?", "", ui::MB_YESNO);
    done = true;
    dispatcher.Wake();
  });
  ASSERT_TRUE(dispatcher.PumpUntil([&] { return done.load(); }, 60000));
  worker.join();
  EXPECT_EQ(fileResult, ui::IDOK);
  EXPECT_EQ(path, "/tmp/chosen.txt");  // the save form adds the default extension
  EXPECT_EQ(boxResult, ui::IDNO);
  const auto requests = host.FileDialogs();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].open);
  EXPECT_EQ(requests[0].initialFolder, ".\\Logs");
  ASSERT_EQ(requests[0].filters.size(), 1u);
  EXPECT_EQ(requests[0].filters[0].name, "(*.txt)");
  EXPECT_EQ(requests[0].filters[0].patterns, (std::vector<std::string>{"*.txt"}));
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "Keep it?");
}

TEST(Dialog, ACancelledFileDialogLeavesNoPath) {
  ui::ScriptedHost host;
  HostScope scope(host);
  ui::CFileDialog dialog(true, "", "", ui::OFN_FILEMUSTEXIST, "(*.txt)|*.txt|All|*.*;*.log||");
  EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
  EXPECT_EQ(dialog.GetPathName(), "");
  ASSERT_EQ(host.FileDialogs().size(), 1u);
  EXPECT_EQ(host.FileDialogs()[0].filters.size(), 2u);
  EXPECT_EQ(host.FileDialogs()[0].filters[1].patterns, (std::vector<std::string>{"*.*", "*.log"}));
}

TEST(Dialog, MessageBoxesWithoutAnAnswerGiveTheDefaultButton) {
  ui::ScriptedHost host;
  HostScope scope(host);
  EXPECT_EQ(ui::ShowMessageBox("a", "", ui::MB_OK), ui::IDOK);
  EXPECT_EQ(ui::ShowMessageBox("b", "", ui::MB_YESNO), ui::IDYES);
  EXPECT_EQ(ui::ShowMessageBox("c", "", ui::MB_YESNO | ui::MB_DEFBUTTON2), ui::IDNO);
  EXPECT_EQ(ui::ShowMessageBox("d", "", ui::MB_OKCANCEL | ui::MB_DEFBUTTON2), ui::IDCANCEL);
}

TEST(Dialog, ShellVerbsGoThroughTheHost) {
  ui::ScriptedHost host;
  HostScope scope(host);
  host.SetShellResult(false);
  EXPECT_FALSE(ui::ShellExecute("explore", ".\\Logs"));
  ASSERT_EQ(host.ShellRequests().size(), 1u);
  EXPECT_EQ(host.ShellRequests()[0].verb, "explore");
  EXPECT_EQ(host.ShellRequests()[0].path, ".\\Logs");
}

}  // namespace
