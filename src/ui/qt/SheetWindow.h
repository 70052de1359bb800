#pragma once
// The window of a property sheet: one tab per page. Choosing a tab asks the model (the page
// being left may refuse); a page's widgets are built when the model has created the page; each
// tab gives its page its own area in the model before the page is activated, so that the page
// fills itself in at the size it is shown at; a tab smaller than its page's template scrolls
// the page, which keeps the template's size; closing the window asks the pages first. The
// operator's menus, when there are any, stand in a menu bar above the tabs.
#include <QTabWidget>
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/PropertySheet.h"
#include "ui/qt/OperatorMenu.h"
#include "ui/qt/WindowView.h"

namespace uiqt {

class PageHost;

class SheetWindow : public QWidget {
 public:
  explicit SheetWindow(ui::CPropertySheet& sheet, const std::vector<OperatorMenu>& menus = {}, QWidget* parent = nullptr);
  ~SheetWindow() override;

  ui::CPropertySheet& Sheet() const { return m_sheet; }
  QTabWidget* Tabs() const { return m_tabs; }
  void Sync(bool everything);
  // The model window of a widget of this window; the active page for the window's own parts.
  ui::CWnd* WindowOf(const QWidget* widget) const;
  WindowView* PageView(int index) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnTabChosen(int index);
  void BuildCreatedPages();
  void SyncTitles();
  void AddOperatorMenus(const std::vector<OperatorMenu>& menus, QLayout* layout);
  ui::CPropertySheet& m_sheet;
  QTabWidget* m_tabs;
  std::vector<PageHost*> m_pageHosts;
  std::vector<std::unique_ptr<WindowView>> m_pageViews;
  bool m_choosing = false;
};

}  // namespace uiqt
