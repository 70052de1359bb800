#pragma once
// CPropertySheet: the window that holds the pages, one tab each. The pages belong to the
// caller (AddPage does not take ownership). DoModal hands the sheet to the host, which creates
// it and so shows its first page, until EndDialog; the pages' windows are destroyed afterwards.
//
// The page area takes the size of the largest page template; the front end reports a new
// size with ResizePageArea, which moves every created page (and so runs its OnSize). A front
// end whose tabs differ in size gives each page its own area instead: a page is moved to its
// area before it is activated, so that OnSetActive sees the page at the size it is shown at.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "ui/ModalState.h"
#include "ui/PropertyPage.h"

namespace ui {

class CPropertySheet : public CWnd {
 public:
  explicit CPropertySheet(std::string_view caption = {});
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  int GetPageCount() const;
  CPropertyPage* GetPage(int index) const;
  int GetActiveIndex() const;
  CPropertyPage* GetActivePage() const;
  // Leaves the active page (its OnKillActive may refuse), creates the new one when needed and
  // activates it (OnSetActive). True when the page became active.
  bool SetActivePage(int index);

  std::intptr_t DoModal();
  // Creates the sheet and activates its first page without a modal run (the host calls it in
  // DoModal; tests call it).
  bool CreateSheet();
  void EndDialog(int result);
  bool IsEnded() const;
  int GetResult() const;
  // The user asks to close the sheet: every created page's OnQueryCancel must agree, then the
  // sheet ends with IDCANCEL. False when a page refused.
  bool RequestClose();

  CSize PageAreaSize() const;
  // Every page takes this area (the pages' own areas are forgotten).
  void ResizePageArea(CSize size);
  // One page takes an area of its own: a created page moves now, a page created later takes it
  // when it is created.
  void ResizePageArea(int index, CSize size);
  void DestroyWindow() override;

 private:
  bool ActivatePage(int index);
  CSize PageAreaOf(int index) const;
  std::vector<CPropertyPage*> m_pages;
  std::vector<std::optional<CSize>> m_ownAreas;  // one per page
  int m_active = -1;
  CSize m_pageArea;
  ModalState m_modal;
};

}  // namespace ui
