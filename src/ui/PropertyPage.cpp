#include "ui/PropertyPage.h"

#include "ui/PropertySheet.h"

namespace ui {

CPropertyPage::CPropertyPage(const DialogTemplate* dialogTemplate)
    : CDialog(ControlKind::PropertyPage, dialogTemplate, nullptr) {}

bool CPropertyPage::OnSetActive() {
  UpdateData(false);
  return true;
}

bool CPropertyPage::OnKillActive() { return UpdateData(true); }

bool CPropertyPage::OnQueryCancel() { return true; }

void CPropertyPage::SetTitle(std::string_view title) {
  {
    std::lock_guard<std::mutex> guard(m_titleMutex);
    m_title.assign(title);
    m_titleSet = true;
  }
  if (CWnd* sheet = GetParent()) sheet->Invalidate();
}

std::string CPropertyPage::GetTitle() const {
  {
    std::lock_guard<std::mutex> guard(m_titleMutex);
    if (m_titleSet) return m_title;
  }
  const DialogTemplate* dialogTemplate = GetTemplate();
  return dialogTemplate ? dialogTemplate->caption : std::string();
}

CPropertySheet* CPropertyPage::GetSheet() const {
  CWnd* parent = GetParent();
  return parent && parent->Kind() == ControlKind::PropertySheet ? static_cast<CPropertySheet*>(parent) : nullptr;
}

bool CPropertyPage::CreatePage(CPropertySheet& sheet) {
  if (IsCreated()) return true;
  if (!CreateWindowFromTemplate(&sheet, true)) return false;
  OnInitDialog();
  return true;
}

}  // namespace ui
