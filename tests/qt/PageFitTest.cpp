// Every page of the sheet on the screens it is used on, 1024 x 768 and 1280 x 1024, with
// each kind of report a result page shows, in the window the program shows there (the
// screen's size, with the simulated station's menu bar): no control covers what another shows
// (the text of a label, the whole of any other control; a group box only shows its title);
// where the page fits the screen (the production page from 1024 x 768 up, every page at
// 1280 x 1024) it does not scroll sideways and every control it shows lies whole inside the
// window; on the production page every slot's check box shows its whole caption and every line
// a slot's cell paints shows whole.
#include "SimPageView.h"
#include "pages/bbt/BbtPage.h"
#include "pages/production/ProductionPage.h"
#include "pages/production/ProductionPageLayout.h"
#include "pages/results/BadBlockLists.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "run/SlotTestTask.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextItem>
#include <functional>
#include <string>
#include <vector>

namespace {

// A paint device that keeps the texts painted on it instead of drawing anything.
class TextRecorder : public QPaintDevice {
 public:
  explicit TextRecorder(QSize size) : m_size(size) {}
  QPaintEngine* paintEngine() const override { return &m_engine; }
  const std::vector<std::string>& Texts() const { return m_engine.texts; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth: return m_size.width();
      case PdmHeight: return m_size.height();
      case PdmDepth: return 32;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
      default: return 96;  // dots per inch
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override { texts.push_back(item.text().toStdString()); }
    Type type() const override { return User; }
    std::vector<std::string> texts;
  };
  QSize m_size;
  mutable Engine m_engine;
};

// The texts a widget paints, in the order it paints them.
std::vector<std::string> PaintedTexts(QWidget& widget) {
  TextRecorder recorder(widget.size());
  widget.render(&recorder, QPoint(), QRegion(), QWidget::DrawChildren);
  return recorder.Texts();
}

struct PageOnScreen {
  const char* page;
  const char* report;  // the kind of report the page shows, where it shows one
  QSize screen;
  bool fitsTheScreen;
  std::function<std::unique_ptr<ui::CPropertyPage>()> make;
  // Brings the page to the report kind of the row; nothing for the page as it opens.
  std::function<void(ui::CPropertyPage&)> showReport;
};

template <typename Page>
std::unique_ptr<ui::CPropertyPage> Make() {
  return std::make_unique<Page>();
}

// The later-bad page as it stands after reading a drive on its RDT firmware.
void ShowRdtReport(ui::CPropertyPage& page) {
  auto& laterBad = dynamic_cast<CPropertyPage_LBResult&>(page);
  laterBad.SetReportKind(kRdtReportKind);
  laterBad.FillBadBlockLists(kRdtReportKind);
  laterBad.LayoutBadBlockSummary(kRdtReportKind);
}

const QSize kSmallScreen(1024, 768);
const QSize kLargeScreen(1280, 1024);

const PageOnScreen kPagesOnScreens[] = {
    {"production", "", kSmallScreen, true, Make<CProductionPage>, nullptr},
    {"production", "", kLargeScreen, true, Make<CProductionPage>, nullptr},
    {"RDT result", "RDT", kSmallScreen, false, Make<CPropertyPage_RDTResult>, nullptr},
    {"RDT result", "RDT", kLargeScreen, true, Make<CPropertyPage_RDTResult>, nullptr},
    {"later-bad result", "MP scan", kSmallScreen, false, Make<CPropertyPage_LBResult>, nullptr},
    {"later-bad result", "MP scan", kLargeScreen, true, Make<CPropertyPage_LBResult>, nullptr},
    {"later-bad result", "RDT", kSmallScreen, false, Make<CPropertyPage_LBResult>, ShowRdtReport},
    {"later-bad result", "RDT", kLargeScreen, true, Make<CPropertyPage_LBResult>, ShowRdtReport},
    {"bad-block table", "", kSmallScreen, false, Make<CPropertyPage_DBT>, nullptr},
    {"bad-block table", "", kLargeScreen, true, Make<CPropertyPage_DBT>, nullptr},
};

// What a slot's cell shows in its longest states, and the lines it paints for them.
struct SlotPainting {
  int state;
  const char* text;
  const char* message;
  std::vector<std::string> lines;
};

const SlotPainting kSlotPaintings[] = {
    {kSlotTesting, "Writing records", "", {"Writing records"}},
    {kSlotPass, "Pass*238(256) GB*TV3160 SAT*A SSD*00000000*", "", {"Pass", "238(256) GB", "TV3160 SATA SSD", "00000000"}},
    {kSlotFail, "0x464", "[ChkRC]Read Firmware Name Fail", {"Error", "0x464", "[ChkRC]", "[ChkRC]Read Firmware Name Fail"}},
};

// Whether a widget lies whole inside the scroll area's viewport.
::testing::AssertionResult Inside(const QScrollArea& scroller, const QWidget& widget) {
  const QRect shown(widget.mapTo(scroller.viewport(), QPoint(0, 0)), widget.size());
  if (scroller.viewport()->rect().contains(shown)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << shown.x() << "," << shown.y() << " " << shown.width() << "x"
                                       << shown.height() << " in a window of " << scroller.viewport()->width() << "x"
                                       << scroller.viewport()->height();
}

// What a control shows that another must leave uncovered, in the page's coordinates: the text
// of a label, the title of a group box (its frame holds its own controls), the whole of any
// other control.
QRect ShownPart(const QWidget& control, const QWidget& page) {
  QRect part = control.rect();
  if (const auto* label = qobject_cast<const QLabel*>(&control)) {
    const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    part = label->text().isEmpty() ? QRect() : label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text()) & part;
  } else if (qobject_cast<const QGroupBox*>(&control) != nullptr) {
    part.setHeight(control.fontMetrics().height());
  }
  return QRect(control.mapTo(&page, part.topLeft()), part.size());
}

// No control shown covers what another shows.
void CheckNothingCovered(ui::CPropertyPage& page, const uiqt::WindowView& view) {
  struct Shown {
    int id;
    QRect part;
  };
  std::vector<Shown> shown;
  for (ui::CWnd* control : page.Children()) {
    const QWidget* widget = view.WidgetOf(*control);
    if (widget == nullptr || widget->isHidden()) continue;
    const QRect part = ShownPart(*widget, *widget->parentWidget());
    if (!part.isEmpty()) shown.push_back({control->GetDlgCtrlID(), part});
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      const QRect overlap = shown[i].part & shown[j].part;
      EXPECT_TRUE(overlap.isEmpty()) << "controls " << shown[i].id << " and " << shown[j].id << " overlap at "
                                     << overlap.x() << "," << overlap.y() << " " << overlap.width() << "x"
                                     << overlap.height();
    }
  }
}

// Twenty-four drives on boot code on a tester board.
class PageFit : public qttest::SimPageView {
 protected:
  PageFit()
      : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=24\r\n[Drive]\r\nCode=Boot\r\n", false) {}

  // Each slot's check box shows its whole caption, and its cell every line of each painting.
  void CheckSlots(CProductionPage& page, uiqt::WindowView& view) {
    for (int port = 1; port <= 24; ++port) {
      SCOPED_TRACE("port " + std::to_string(port));
      auto* check = qobject_cast<QCheckBox*>(view.WidgetOf(*page.GetDlgItem(production_ids::PortCheck(port))));
      ASSERT_NE(check, nullptr);
      EXPECT_EQ(check->text(), QString("Port %1").arg(port));
      EXPECT_LE(check->sizeHint().width(), check->width()) << "the caption is cut";
      QWidget* cell = view.WidgetOf(page.PortCell(port));
      ASSERT_NE(cell, nullptr);
      page.PortCell(port).SetWrappedTexts({"TV3160 SAT*A SSD"});
      for (const SlotPainting& painting : kSlotPaintings) {
        PaintSlotCell(page.PortCell(port), painting.state, painting.text, painting.message);
        host->SyncNow();
        EXPECT_EQ(PaintedTexts(*cell), painting.lines);
      }
    }
  }
};

TEST_F(PageFit, EveryPageShowsEveryControlUncoveredAndWithoutScrollingSidewaysOnItsScreens) {
  host->AddOperatorMenu({QStringLiteral("Re-plug a drive"), [] { return std::vector<uiqt::OperatorMenuEntry>{}; }});
  for (const PageOnScreen& row : kPagesOnScreens) {
    SCOPED_TRACE(std::string(row.page) + " page" + (*row.report ? std::string(" with an ") + row.report + " report" : "") +
                 " at " + std::to_string(row.screen.width()) + " x " + std::to_string(row.screen.height()));
    std::unique_ptr<ui::CPropertyPage> page = row.make();
    auto* production = dynamic_cast<CProductionPage*>(page.get());
    CheckShownPage(*page, [&](uiqt::WindowView* view) {
      // The production page closes once its first scan is done.
      if (production != nullptr) dispatcher.PumpUntil([&] { return production->HasScanned(); }, 60000);
      QWidget* window = host->Sheet();
      window->showNormal();
      window->resize(row.screen);
      QApplication::processEvents();
      if (row.showReport) row.showReport(*page);
      host->SyncNow();
      ASSERT_EQ(window->size(), row.screen);
      CheckNothingCovered(*page, *view);
      if (!row.fitsTheScreen) return;
      auto* scroller = qobject_cast<QScrollArea*>(host->Sheet()->Tabs()->widget(0));
      ASSERT_NE(scroller, nullptr);
      EXPECT_EQ(scroller->horizontalScrollBar()->maximum(), 0);
      for (ui::CWnd* control : page->Children()) {
        const QWidget* widget = view->WidgetOf(*control);
        if (widget == nullptr || widget->isHidden()) continue;
        EXPECT_TRUE(Inside(*scroller, *widget)) << "control " << control->GetDlgCtrlID();
      }
      if (production != nullptr) CheckSlots(*production, *view);
    });
  }
}

}  // namespace
