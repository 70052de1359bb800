#include "ui/PropertySheet.h"

#include <algorithm>

#include "ui/Dispatcher.h"
#include "ui/Host.h"

namespace ui {

CPropertySheet::CPropertySheet(std::string_view caption) : CWnd(ControlKind::PropertySheet) {
  SetWindowText(caption);
}

// Pages that are children detach themselves when they go; the base detaches the rest.
CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page || std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end()) return;
  m_pages.push_back(page);
  m_ownAreas.emplace_back();
  MarkDirty(kDirtyStructure);
}

int CPropertySheet::GetPageCount() const { return static_cast<int>(m_pages.size()); }

CPropertyPage* CPropertySheet::GetPage(int index) const {
  if (index < 0 || index >= GetPageCount()) return nullptr;
  return m_pages[static_cast<std::size_t>(index)];
}

int CPropertySheet::GetActiveIndex() const { return m_active; }

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(m_active); }

bool CPropertySheet::ActivatePage(int index) {
  CPropertyPage* page = GetPage(index);
  if (!page) return false;
  if (!page->IsCreated()) {
    if (!page->CreatePage(*this)) return false;
    const CSize area = PageAreaOf(index);
    page->MoveWindow(CRect(0, 0, area.cx, area.cy));
  }
  m_active = index;
  for (CPropertyPage* other : m_pages) {
    if (other->IsCreated()) other->ShowWindow(other == page ? SW_SHOW : SW_HIDE);
  }
  page->OnSetActive();
  MarkDirty(kDirtyContent);
  return true;
}

bool CPropertySheet::SetActivePage(int index) {
  if (!GetPage(index)) return false;
  if (index == m_active) return true;
  if (CPropertyPage* current = GetActivePage()) {
    if (current->IsCreated() && !current->OnKillActive()) return false;
  }
  return ActivatePage(index);
}

bool CPropertySheet::CreateSheet() {
  if (IsCreated()) return true;
  m_modal.Reset();
  CSize area;
  for (CPropertyPage* page : m_pages) {
    if (const DialogTemplate* dialogTemplate = page->GetTemplate()) {
      const CRect rect = page->MapDialogRect(0, 0, dialogTemplate->width, dialogTemplate->height);
      area.cx = std::max(area.cx, rect.Width());
      area.cy = std::max(area.cy, rect.Height());
    }
  }
  m_pageArea = area;
  CWnd::Create(WS_VISIBLE, CRect(0, 0, area.cx, area.cy), nullptr, 0, GetWindowText());
  for (CPropertyPage* page : m_pages) AttachChild(*page, false);
  m_active = -1;
  if (!m_pages.empty()) ActivatePage(0);
  return true;
}

std::intptr_t CPropertySheet::DoModal() {
  std::intptr_t passed = -1;
  if (RunModalOnUiThread([this] { return DoModal(); }, passed)) return passed;
  CurrentHost().RunModal(*this);
  const int result = GetResult();
  DestroyWindow();
  return result;
}

void CPropertySheet::EndDialog(int result) { m_modal.End(result); }

bool CPropertySheet::IsEnded() const { return m_modal.IsEnded(); }

int CPropertySheet::GetResult() const { return m_modal.Result(); }

bool CPropertySheet::RequestClose() {
  for (CPropertyPage* page : m_pages) {
    if (page->IsCreated() && !page->OnQueryCancel()) return false;
  }
  EndDialog(IDCANCEL);
  return true;
}

CSize CPropertySheet::PageAreaSize() const { return m_pageArea; }

CSize CPropertySheet::PageAreaOf(int index) const {
  return m_ownAreas[static_cast<std::size_t>(index)].value_or(m_pageArea);
}

void CPropertySheet::ResizePageArea(CSize size) {
  m_pageArea = size;
  for (std::optional<CSize>& own : m_ownAreas) own.reset();
  for (CPropertyPage* page : m_pages) {
    if (page->IsCreated()) page->MoveWindow(CRect(0, 0, size.cx, size.cy));
  }
}

void CPropertySheet::ResizePageArea(int index, CSize size) {
  CPropertyPage* page = GetPage(index);
  if (!page) return;
  m_ownAreas[static_cast<std::size_t>(index)] = size;
  if (page->IsCreated()) page->MoveWindow(CRect(0, 0, size.cx, size.cy));
}

void CPropertySheet::DestroyWindow() {
  if (!IsCreated()) return;
  CWnd::DestroyWindow();
  for (CPropertyPage* page : m_pages) DetachChild(*page);
  m_active = -1;
}

}  // namespace ui
