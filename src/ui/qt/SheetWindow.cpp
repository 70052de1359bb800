#include "ui/qt/SheetWindow.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/PropertyPage.h"
#include "ui/qt/Convert.h"
#include "ui/qt/StationImages.h"

namespace uiqt {

// The tab's page area: its size is the area of the tab's page in the model. Tabs differ in
// size (a tab scrolls a page larger than the window), so each gives its own page its area.
class PageHost : public QWidget {
 public:
  PageHost(ui::CPropertySheet& sheet, int index) : m_sheet(sheet), m_index(index) {}
  void GivePageItsArea() { m_sheet.ResizePageArea(m_index, ui::CSize{width(), height()}); }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    GivePageItsArea();
    for (QObject* child : children()) {
      if (auto* page = qobject_cast<QWidget*>(child)) page->setGeometry(rect());
    }
  }

 private:
  ui::CPropertySheet& m_sheet;
  int m_index;
};

namespace {

// The tab itself: it scrolls its page when the tab is smaller than the page's own size (the
// size of its template), and otherwise lets the page fill it.
class PageScroller : public QScrollArea {
 public:
  PageScroller(QWidget* host, QSize pageSize, QWidget* parent) : QScrollArea(parent), m_pageSize(pageSize) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setWidget(host);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QScrollArea::resizeEvent(event);
    QSize room = maximumViewportSize();
    // A scroll bar one way takes its room from the other.
    if (m_pageSize.width() > room.width()) room.rheight() -= horizontalScrollBar()->sizeHint().height();
    if (m_pageSize.height() > room.height()) room.rwidth() -= verticalScrollBar()->sizeHint().width();
    widget()->resize(room.expandedTo(m_pageSize));
  }

 private:
  QSize m_pageSize;
};

// The size a page's template asks for, in pixels.
QSize TemplateSizeOf(const ui::CPropertyPage& page) {
  const ui::DialogTemplate* dialogTemplate = page.GetTemplate();
  if (dialogTemplate == nullptr) return QSize();
  const ui::CRect rect = page.MapDialogRect(0, 0, dialogTemplate->width, dialogTemplate->height);
  return QSize(rect.Width(), rect.Height());
}

}  // namespace

SheetWindow::SheetWindow(ui::CPropertySheet& sheet, const std::vector<OperatorMenu>& menus, QWidget* parent)
    : QWidget(parent), m_sheet(sheet), m_tabs(new QTabWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  AddOperatorMenus(menus, layout);
  layout->addWidget(m_tabs);
  setWindowTitle(FromStation(sheet.GetWindowText()));
  setWindowIcon(QIcon(StationImage(139, QSize(32, 32))));
  for (int index = 0; index < sheet.GetPageCount(); ++index) {
    const ui::CPropertyPage& page = *sheet.GetPage(index);
    auto* host = new PageHost(sheet, index);
    m_pageHosts.push_back(host);
    m_pageViews.push_back(nullptr);
    m_tabs->addTab(new PageScroller(host, TemplateSizeOf(page), m_tabs), FromStation(page.GetTitle()));
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
        QObject::connect(menu->addAction(entry.text), &QAction::triggered, menu, std::move(entry.run));
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
  // The page is laid out at its tab's size before it is activated: what it fills in then
  // (the drive list of a result page) is what the operator sees.
  m_pageHosts[static_cast<std::size_t>(index)]->GivePageItsArea();
  if (!m_sheet.SetActivePage(index)) {
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(m_sheet.GetActiveIndex());
  } else {
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
