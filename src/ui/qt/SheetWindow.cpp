#include "ui/qt/SheetWindow.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "ui/qt/Convert.h"
#include "ui/qt/StationImages.h"

namespace uiqt {
namespace {

// The tab's page area: its size is the model's page area.
class PageHost : public QWidget {
 public:
  PageHost(ui::CPropertySheet& sheet, QWidget* parent) : QWidget(parent), m_sheet(sheet) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (isVisible()) m_sheet.ResizePageArea(ui::CSize{width(), height()});
    for (QObject* child : children()) {
      if (auto* page = qobject_cast<QWidget*>(child)) page->setGeometry(rect());
    }
  }

 private:
  ui::CPropertySheet& m_sheet;
};

}  // namespace

SheetWindow::SheetWindow(ui::CPropertySheet& sheet, const std::vector<OperatorMenu>& menus, QWidget* parent)
    : QWidget(parent), m_sheet(sheet), m_tabs(new QTabWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  AddOperatorMenus(menus, layout);
  layout->addWidget(m_tabs);
  setWindowTitle(FromStation(sheet.GetWindowText()));
  setWindowIcon(QIcon(StationImage(139, QSize(32, 32))));
  const ui::CSize area = sheet.PageAreaSize();
  for (int index = 0; index < sheet.GetPageCount(); ++index) {
    auto* host = new PageHost(sheet, m_tabs);
    host->setMinimumSize(std::min(area.cx, 800), std::min(area.cy, 500));
    m_pageHosts.push_back(host);
    m_pageViews.push_back(nullptr);
    m_tabs->addTab(host, FromStation(sheet.GetPage(index)->GetTitle()));
  }
  BuildCreatedPages();
  {
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(std::max(sheet.GetActiveIndex(), 0));
  }
  QObject::connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { OnTabChosen(index); });
}

SheetWindow::~SheetWindow() { m_pageViews.clear(); }

void SheetWindow::AddOperatorMenus(const std::vector<OperatorMenu>& menus, QLayout* layout) {
  if (menus.empty()) return;
  auto* bar = new QMenuBar(this);
  for (const OperatorMenu& operatorMenu : menus) {
    QMenu* menu = bar->addMenu(operatorMenu.title);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, entries = operatorMenu.entries] {
      menu->clear();
      for (OperatorMenuEntry& entry : entries()) {
        QObject::connect(menu->addAction(entry.text), &QAction::triggered, menu, [run = std::move(entry.run)] { run(); });
      }
    });
  }
  layout->setMenuBar(bar);
}

void SheetWindow::BuildCreatedPages() {
  for (int index = 0; index < m_sheet.GetPageCount(); ++index) {
    ui::CPropertyPage* page = m_sheet.GetPage(index);
    if (m_pageViews[static_cast<std::size_t>(index)] || !page->IsCreated()) continue;
    auto* widget = new QWidget(m_pageHosts[static_cast<std::size_t>(index)]);
    widget->setGeometry(m_pageHosts[static_cast<std::size_t>(index)]->rect());
    widget->show();
    m_pageViews[static_cast<std::size_t>(index)] = std::make_unique<WindowView>(*page, widget, false);
  }
}

void SheetWindow::OnTabChosen(int index) {
  if (m_choosing) return;
  m_choosing = true;
  if (!m_sheet.SetActivePage(index)) {
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(m_sheet.GetActiveIndex());
  } else {
    QWidget* host = m_pageHosts[static_cast<std::size_t>(index)];
    m_sheet.ResizePageArea(ui::CSize{host->width(), host->height()});
    BuildCreatedPages();
  }
  m_choosing = false;
}

void SheetWindow::SyncTitles() {
  setWindowTitle(FromStation(m_sheet.GetWindowText()));
  for (int index = 0; index < m_sheet.GetPageCount() && index < m_tabs->count(); ++index) {
    m_tabs->setTabText(index, FromStation(m_sheet.GetPage(index)->GetTitle()));
  }
}

void SheetWindow::Sync(bool everything) {
  const std::uint32_t dirty = m_sheet.TakeDirty() | (everything ? ui::kDirtyAll : 0u);
  if (dirty & (ui::kDirtyText | ui::kDirtyPaint)) SyncTitles();
  if (dirty & ui::kDirtyContent) {
    BuildCreatedPages();
    const QSignalBlocker block(m_tabs);
    if (m_sheet.GetActiveIndex() >= 0) m_tabs->setCurrentIndex(m_sheet.GetActiveIndex());
  }
  for (auto& view : m_pageViews) {
    if (view) view->Sync(everything);
  }
}

ui::CWnd* SheetWindow::WindowOf(const QWidget* widget) const {
  for (const auto& view : m_pageViews) {
    if (!view) continue;
    if (ui::CWnd* window = view->WindowOf(widget)) return window;
  }
  for (const QWidget* current = widget; current; current = current->parentWidget()) {
    if (current == this) return m_sheet.GetActivePage();
  }
  return nullptr;
}

WindowView* SheetWindow::PageView(int index) const {
  if (index < 0 || index >= static_cast<int>(m_pageViews.size())) return nullptr;
  return m_pageViews[static_cast<std::size_t>(index)].get();
}

void SheetWindow::closeEvent(QCloseEvent* event) {
  // The model decides: a page may refuse (a run still going on).
  event->ignore();
  m_sheet.RequestClose();
}

}  // namespace uiqt
