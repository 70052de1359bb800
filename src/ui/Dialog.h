#pragma once
// CDialog: a window built from a dialog template. Its controls are made from the template
// when the dialog is created; data exchange (DoDataExchange) then binds the dialog's member
// controls to the template's items (DDX_Control: the member takes over the item's id, place,
// text and style and replaces it) and moves values between members and controls.
//
// DoModal creates the dialog, runs OnInitDialog and hands it to the host, which shows it and
// pumps until EndDialog; a worker thread that calls DoModal waits while the user-interface
// thread runs the dialog. Enter runs OnOK and Escape OnCancel when no window on the way took
// the key (see Keyboard.h).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/DialogTemplate.h"
#include "ui/ModalState.h"
#include "ui/Wnd.h"

namespace ui {

class CDialog;

class CDataExchange {
 public:
  CDataExchange(CDialog& dialog, bool saveAndValidate) : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CDialog& Dialog() const { return m_dialog; }
  bool SaveAndValidate() const { return m_bSaveAndValidate; }

 private:
  CDialog& m_dialog;
  bool m_bSaveAndValidate;
};

// Binds the member control to the template item with that id (once).
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
// The item's window text <-> the string.
void DDX_Text(CDataExchange* exchange, int id, std::string& value);
// A button's check state <-> the value.
void DDX_Check(CDataExchange* exchange, int id, int& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(const DialogTemplate* dialogTemplate = nullptr, CWnd* parent = nullptr);
  ~CDialog() override;

  void SetTemplate(const DialogTemplate* dialogTemplate) { m_template = dialogTemplate; }
  const DialogTemplate* GetTemplate() const { return m_template; }
  DialogBaseUnits BaseUnits() const;
  CRect MapDialogRect(int x, int y, int width, int height) const;

  // Modal run; returns the value given to EndDialog (-1 when the dialog could not be made).
  virtual std::intptr_t DoModal();
  // Modeless creation as a child (or top-level) window of parent; runs OnInitDialog.
  virtual bool Create(CWnd* parent);
  void EndDialog(int result);
  bool IsEnded() const;
  int GetResult() const;

  bool UpdateData(bool saveAndValidate = true);

  virtual bool OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* exchange);
  bool OnCommand(int id, int code) override;
  void DestroyWindow() override;

  // Binding used by DDX_Control.
  bool BindControl(int id, CWnd& control);

 protected:
  CDialog(ControlKind kind, const DialogTemplate* dialogTemplate, CWnd* parent);
  // For the sheet's pages: created as a child of this parent without a modal run.
  bool CreateWindowFromTemplate(CWnd* parent, bool child);

 private:
  std::unique_ptr<CWnd> MakeControl(const DialogItem& item);

  const DialogTemplate* m_template;
  CWnd* m_ownerWindow;
  std::vector<std::unique_ptr<CWnd>> m_templateControls;
  std::vector<CWnd*> m_boundControls;
  ModalState m_modal;
};

}  // namespace ui
