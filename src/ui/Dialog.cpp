#include "ui/Dialog.h"

#include <algorithm>

#include "platform/Debug.h"
#include "platform/Text.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Dispatcher.h"
#include "ui/Edit.h"
#include "ui/Host.h"
#include "ui/ListBox.h"
#include "ui/ListCtrl.h"
#include "ui/ProgressCtrl.h"
#include "ui/Static.h"

namespace ui {

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (!exchange) return;
  exchange->Dialog().BindControl(id, control);
}

void DDX_Text(CDataExchange* exchange, int id, std::string& value) {
  if (!exchange) return;
  CWnd* control = exchange->Dialog().GetDlgItem(id);
  if (!control) return;
  if (exchange->SaveAndValidate()) {
    value = control->GetWindowText();
  } else {
    control->SetWindowText(value);
  }
}

void DDX_Check(CDataExchange* exchange, int id, int& value) {
  if (!exchange) return;
  CWnd* control = exchange->Dialog().GetDlgItem(id);
  if (!control || control->Kind() != ControlKind::Button) return;
  auto* button = static_cast<CButton*>(control);
  if (exchange->SaveAndValidate()) {
    value = button->GetCheck();
  } else {
    button->SetCheck(value);
  }
}

CDialog::CDialog(const DialogTemplate* dialogTemplate, CWnd* parent)
    : CDialog(ControlKind::Dialog, dialogTemplate, parent) {}

CDialog::CDialog(ControlKind kind, const DialogTemplate* dialogTemplate, CWnd* parent)
    : CWnd(kind), m_template(dialogTemplate), m_ownerWindow(parent) {}

// Bound members of a derived dialog are gone by now (they detached themselves); bound controls
// that live on are detached by the base.
CDialog::~CDialog() { m_templateControls.clear(); }

DialogBaseUnits CDialog::BaseUnits() const {
  return m_template ? BaseUnitsFor(m_template->font) : DialogBaseUnits{};
}

CRect CDialog::MapDialogRect(int x, int y, int width, int height) const {
  return ui::MapDialogRect(BaseUnits(), x, y, width, height);
}

std::unique_ptr<CWnd> CDialog::MakeControl(const DialogItem& item) {
  switch (item.kind) {
    case ControlKind::Static:
      return std::make_unique<CStatic>();
    case ControlKind::Edit:
      return std::make_unique<CEdit>();
    case ControlKind::Button:
      return std::make_unique<CButton>();
    case ControlKind::ComboBox:
      return std::make_unique<CComboBox>();
    case ControlKind::ListBox:
      return std::make_unique<CListBox>();
    case ControlKind::ListCtrl:
      return std::make_unique<CListCtrl>();
    case ControlKind::ProgressCtrl:
      return std::make_unique<CProgressCtrl>();
    default:
      return nullptr;
  }
}

bool CDialog::CreateWindowFromTemplate(CWnd* parent, bool child) {
  if (IsCreated()) return true;
  if (!m_template) return false;
  m_modal.Reset();
  const CRect rect = MapDialogRect(0, 0, m_template->width, m_template->height);
  CWnd::Create(WS_VISIBLE, rect, child ? parent : nullptr, m_template->id, m_template->caption);
  for (const DialogItem& item : m_template->items) {
    std::unique_ptr<CWnd> control = MakeControl(item);
    if (!control) continue;
    control->Create(item.style | (item.hidden ? 0 : WS_VISIBLE),
                    MapDialogRect(item.x, item.y, item.width, item.height), this, item.id, item.caption);
    m_templateControls.push_back(std::move(control));
  }
  return true;
}

bool CDialog::BindControl(int id, CWnd& control) {
  if (control.GetParent() == this && control.IsCreated()) return true;
  auto it = std::find_if(m_templateControls.begin(), m_templateControls.end(),
                         [id](const std::unique_ptr<CWnd>& item) { return item->GetDlgCtrlID() == id; });
  if (it == m_templateControls.end() || (*it)->Kind() != control.Kind()) {
    platform::DebugOutput(platform::Format("ui: no control %d of that kind to bind in dialog %d\r\n", id,
                                           GetDlgCtrlID()));
    return false;
  }
  control.TakeOverState(**it);
  ReplaceChild(**it, control);
  control.SetCreated(true);
  control.MarkDirty(kDirtyAll);
  m_templateControls.erase(it);
  m_boundControls.push_back(&control);
  return true;
}

std::intptr_t CDialog::DoModal() {
  std::intptr_t passed = -1;
  if (RunModalOnUiThread([this] { return DoModal(); }, passed)) return passed;
  if (!CreateWindowFromTemplate(m_ownerWindow, false)) return -1;
  OnInitDialog();
  if (!IsEnded()) CurrentHost().RunModal(*this);
  const int result = GetResult();
  DestroyWindow();
  return result;
}

bool CDialog::Create(CWnd* parent) {
  if (!CreateWindowFromTemplate(parent, parent != nullptr)) return false;
  OnInitDialog();
  return true;
}

void CDialog::EndDialog(int result) { m_modal.End(result); }

bool CDialog::IsEnded() const { return m_modal.IsEnded(); }

int CDialog::GetResult() const { return m_modal.Result(); }

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange exchange(*this, saveAndValidate);
  DoDataExchange(&exchange);
  return true;
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange* /*exchange*/) {}

bool CDialog::OnCommand(int id, int code) {
  if (code != BN_CLICKED && code != kAcceleratorCode) return false;
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialog::DestroyWindow() {
  if (!IsCreated()) return;
  CWnd::DestroyWindow();
  for (CWnd* control : m_boundControls) DetachChild(*control);
  m_boundControls.clear();
  m_templateControls.clear();
}

}  // namespace ui
