#include "pages/results/LaterBadPageLayout.h"

#include <algorithm>
#include <iterator>

#include "pages/results/LaterBadResultPage.h"
#include "pages/results/ResultPageItems.h"

namespace {

namespace ids = lb_ids;

// One column of value boxes: labels at labelX, boxes at boxX, rows at y 21, 33, 45, 57, 69.
struct ValueColumn {
  int labelX;
  int labelWidth;
  int boxX;
  int boxWidth;
  struct Entry {
    int box;
    const char* label;
    int width = 0;  // 0: the column's box width
  } entries[5];
};

// The last column's boxes reach to the right past the column's width where nothing stands
// beside them, so that an MP firmware name ("SBF20A01") shows whole; the CE map box stops
// before its "..." button.
constexpr int kLastColumnWideBox = 50;

// The value boxes and their labels, column by column.
constexpr ValueColumn kValueColumns[] = {
    {149, 64, 216, 30,
     {{ids::kEraseFail, "Erase         Fail:"},
      {ids::kProgramFail, "Program    Fail:"},
      {ids::kReadFail, "Read         Fail:"},
      {ids::kRdtTemperature, "RDT Temp. (\xA2\x58" "C):"},
      {ids::kRdtTotalTime, "RDT Total Time:"}}},
    {249, 38, 289, 27,
     {{ids::kRdtVersion, "RDT Ver:"}, {ids::kRdtLoop, "RDT Loop:"}, {ids::kEccXs, "ECC(X/S):"}, {ids::kXlcEcc, "XLC ECC:"},
      {0, nullptr}}},
    {318, 52, 372, 30,
     {{ids::kEraseMode, "Erase     Mode:"},
      {ids::kProgramMode, "Program Mode:"},
      {ids::kReadRetry, "Read     Retry:"},
      {ids::kCacheMode, "Cache   Mode:"},
      {ids::kMultiPlane, "Multi    Plane:"}}},
    {404, 63, 469, 24,
     {{ids::kObOlbCount, "OB + OLB    Count:"},
      {ids::kRdtBadCount, "RDT Bad     Count:"},
      {ids::kLaterBadCount, "Later Bad     Count:"},
      {ids::kGoodBlockCount, "Good Block Count:"},
      {ids::kReRdt, "Do  ReRDT:"}}},
    {495, 34, 531, 24,
     {{ids::kMpVersion, "MP  Ver:", kLastColumnWideBox},
      {ids::kMaxBad, "Max Bad:", kLastColumnWideBox},
      {ids::kSpareBlock, "Spare Blk:", kLastColumnWideBox},
      {ids::kCeMapBox, "CE Map:"},
      {ids::kBbSource, "BB Src:", kLastColumnWideBox}}},
};

constexpr int kValueRows[] = {21, 33, 45, 57, 69};

constexpr int kValueBoxes[] = {ids::kEraseFail,   ids::kProgramFail,    ids::kReadFail,   ids::kRdtTemperature,
                               ids::kRdtTotalTime, ids::kRdtVersion,    ids::kRdtLoop,    ids::kEccXs,
                               ids::kXlcEcc,      ids::kEraseMode,      ids::kProgramMode, ids::kReadRetry,
                               ids::kCacheMode,   ids::kMultiPlane,     ids::kObOlbCount, ids::kRdtBadCount,
                               ids::kLaterBadCount, ids::kGoodBlockCount, ids::kReRdt,     ids::kMpVersion,
                               ids::kMaxBad,      ids::kSpareBlock,     ids::kCeMapBox,   ids::kBbSource};

ui::DialogTemplate MakeTemplate() {
  ui::DialogTemplate page{ids::kTemplate, "Dialog", kResultPageWidth, kResultPageHeight, ui::DialogFont{}, {}};
  AddResultPageTopArea(page.items, kLaterBadPageSetup);
  result_items::Items items(page.items);
  for (const ValueColumn& column : kValueColumns) {
    for (std::size_t row = 0; row < std::size(column.entries); ++row) {
      const ValueColumn::Entry& entry = column.entries[row];
      if (entry.box == 0) continue;
      items.ValueBox(ids::LabelOf(entry.box), entry.label, column.labelX, column.labelWidth, entry.box, column.boxX,
                     entry.width != 0 ? entry.width : column.boxWidth, kValueRows[row]);
    }
  }
  items.Push(ids::kCeMap, "...", 556, 57, 12, 11);
  for (int list : {ids::kPerPlaneList, ids::kLaterPerPlaneList, ids::kCeList0, ids::kCeList1, ids::kEarlyList,
                   ids::kLaterList}) {
    items.ReportList(list);
  }
  items.Label(ids::kPerPlaneLabel, "Early Bad:", 5, 90, 75, 8);
  items.Label(ids::kLaterPerPlaneLabel, "Current Later Bad:", 110, 90, 75, 8);
  items.Label(ids::kCeLabel, "All Bad:", 215, 90, 75, 8);
  items.Label(ids::kEarlyLabel, "Early Bad Block:", 5, 170, 50, 8);
  items.Label(ids::kLaterLabel, "Total Later Bad Counts:", 5, 260, 75, 8);
  items.CountBox(ids::kEarlyCount, 80, 170);
  items.CountBox(ids::kLaterCount, 80, 260);
  items.HiddenLines(ids::kReportLines);
  return page;
}

}  // namespace

const ui::DialogTemplate& LaterBadPageTemplate() {
  static const ui::DialogTemplate page = MakeTemplate();
  return page;
}

int LaterBadTopAreaFoot() {
  return std::max(kResultTopAreaFoot, kValueRows[std::size(kValueRows) - 1] + result_items::kValueBoxHeight);
}

const int* LaterBadValueBoxes(int& count) {
  count = static_cast<int>(std::size(kValueBoxes));
  return kValueBoxes;
}
