#pragma once
// CPropertyPage: one page of a property sheet, a dialog made from its template as a child of
// the sheet when it is first shown (OnInitDialog runs then). The sheet asks OnKillActive
// before leaving a page (false keeps it) and OnSetActive when a page becomes active.
#include <string>
#include <string_view>

#include "ui/Dialog.h"

namespace ui {

class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(const DialogTemplate* dialogTemplate = nullptr);

  virtual bool OnSetActive();
  virtual bool OnKillActive();
  // The sheet is about to close; false keeps it open.
  virtual bool OnQueryCancel();

  // The tab's name; the template's caption unless one was set.
  void SetTitle(std::string_view title);
  std::string GetTitle() const;
  CPropertySheet* GetSheet() const;

 private:
  friend class CPropertySheet;
  bool CreatePage(CPropertySheet& sheet);
  mutable std::mutex m_titleMutex;
  std::string m_title;
  bool m_titleSet = false;
};

}  // namespace ui
