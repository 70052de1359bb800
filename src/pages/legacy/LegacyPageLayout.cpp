#include "pages/legacy/LegacyPageLayout.h"

#include <array>

#include "pages/legacy/SlotGridLayout.h"

namespace legacy_ids {

namespace {

constexpr std::array<int, 48> kStatusBoxes{1488, 1489, 1490, 1491, 1492, 1493, 1494, 1495, 1496, 1134, 1160, 1161,
                                           1162, 1163, 1164, 1165, 1166, 1497, 1498, 1167, 1168, 1169, 1170, 1171,
                                           1172, 1173, 1174, 1499, 1500, 1175, 1176, 1177, 1178, 1179, 1180, 1181,
                                           1182, 1501, 1502, 1183, 1184, 1185, 1186, 1187, 1188, 1189, 1190, 1503};
constexpr std::array<int, 8> kFirstProgressBars{1235, 1237, 1239, 1241, 1243, 1245, 1246, 1247};
constexpr std::array<int, 16> kFirstSlotLabels{1415, 1416, 1417, 1418, 1419, 1420, 1421, 1422,
                                               1412, 1423, 1413, 1414, 1424, 1425, 1426, 1427};
constexpr std::array<int, 25> kFirstReportButtons{1399, 1400, 1401, 1402, 1408, 1409, 1410, 1411, 1288,
                                                  1289, 1290, 1291, 1461, 1462, 1292, 1293, 1294, 1295,
                                                  1403, 1404, 1405, 1406, 1463, 1464, 1407};

bool InRange(int slot) { return slot >= 1 && slot <= kLegacySlotGroups; }
std::size_t Index(int slot) { return static_cast<std::size_t>(slot - 1); }

}  // namespace

int StatusBox(int slot) { return InRange(slot) ? kStatusBoxes[Index(slot)] : 0; }

int Progress(int slot) {
  if (!InRange(slot)) return 0;
  return slot <= 8 ? kFirstProgressBars[Index(slot)] : 1248 + (slot - 9);
}

int SlotLabel(int slot) {
  if (!InRange(slot)) return 0;
  // 1415..1422, 1412, 1423, 1413, 1414, 1424..1429, then 1431..1460.
  if (slot <= 16) return kFirstSlotLabels[Index(slot)];
  if (slot <= 18) return 1428 + (slot - 17);
  return 1431 + (slot - 19);
}

int ReportButton(int slot) {
  if (!InRange(slot)) return 0;
  return slot <= 25 ? kFirstReportButtons[Index(slot)] : 1465 + (slot - 26);
}

int SlotOfReportButton(int id) {
  for (int slot = 1; slot <= kLegacySlotGroups; ++slot) {
    if (ReportButton(slot) == id) return slot;
  }
  return 0;
}

}  // namespace legacy_ids

namespace {

using ui::ControlKind;
using ui::DialogItem;
namespace ids = legacy_ids;

constexpr int kStaticId = -1;

// A control at a pixel rectangle, in dialog units of the System font (2 pixels each way).
DialogItem AtPixels(int id, ControlKind kind, const ui::CRect& rect, std::uint32_t style) {
  return DialogItem{id, kind, "", rect.left / 2, rect.top / 2, rect.Width() / 2, rect.Height() / 2, style};
}

ui::DialogTemplate MakePage() {
  ui::DialogTemplate page{ids::kPageTemplate, "MP Tool", 480, 300, ui::DialogFont{}, {}};
  auto& items = page.items;
  const std::uint32_t iconButton = ui::BS_PUSHBUTTON | ui::WS_TABSTOP;
  items.push_back(DialogItem{kStaticId, ControlKind::Button, "Product Informations", 2, 2, 200, 84, ui::BS_GROUPBOX});
  items.push_back(DialogItem{ids::kInfoList, ControlKind::ListBox, "", 6, 11, 192, 72, ui::WS_VSCROLL | ui::WS_BORDER});
  items.push_back(DialogItem{ids::kLogoButton, ControlKind::Button, "", 208, 2, 104, 20, ui::BS_PUSHBUTTON});
  const char* const counterLabels[] = {"Total Card Count :", "Good Card Count :", "Bad Card Count :"};
  const int counters[] = {ids::kTotalCount, ids::kGoodCount, ids::kBadCount};
  for (int i = 0; i < 3; ++i) {
    items.push_back(DialogItem{kStaticId, ControlKind::Static, counterLabels[i], 208, 26 + 13 * i, 62, 10, ui::SS_RIGHT});
    items.push_back(DialogItem{counters[i], ControlKind::Edit, "0", 272, 25 + 13 * i, 40, 12,
                               ui::ES_CENTER | ui::ES_READONLY | ui::WS_BORDER});
  }
  const struct {
    int id;
    const char* caption;
  } functionButtons[] = {{ids::kInitial, "Initial"},     {ids::kQc, "QC"},
                         {ids::kPretest, "Pretest"},     {ids::kBadBlock, "Bad Block"},
                         {ids::kReloadParam, "Reload Param"}, {ids::kClearRecord, "Clear Record"}};
  int x = 316;
  for (const auto& button : functionButtons) {
    items.push_back(DialogItem{button.id, ControlKind::Button, button.caption, x, 2, 26, 34, iconButton});
    x += 27;
  }
  items.push_back(DialogItem{ids::kTime, ControlKind::Button, "Time", 316, 40, 60, 20, iconButton});
  items.push_back(DialogItem{ids::kDetectTesters, ControlKind::Button, "", 380, 40, 40, 20, ui::BS_PUSHBUTTON});
  items.push_back(DialogItem{ids::kAutoDetect, ControlKind::Button, "Auto Detect", 424, 40, 54, 10,
                             ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kLoop, ControlKind::Button, "Loop", 424, 51, 54, 10, ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kParamFiles, ControlKind::ComboBox, "", 316, 64, 110, 100,
                             ui::CBS_DROPDOWNLIST | ui::WS_VSCROLL | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kLock, ControlKind::Button, "Lock", 430, 65, 40, 10, ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kSerialLabel, ControlKind::Static, "Serial Number", 208, 64, 60, 10, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kSerialRange, ControlKind::Edit, "", 208, 75, 104, 12, ui::ES_READONLY | ui::WS_BORDER});
  items.push_back(DialogItem{ids::kColorBox, ControlKind::Edit, "", 430, 77, 46, 10, ui::ES_READONLY | ui::WS_BORDER});
  items.push_back(DialogItem{ids::kStaticText, ControlKind::Static, "Static", 316, 80, 40, 8, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kPortNumber, ControlKind::Static, "Port Number", 360, 80, 50, 8, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kLinkServer, ControlKind::Button, "Link AutoHandle Server", 4, 288, 100, 10,
                             ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
  for (int id = ids::kFirstSmallEdit; id <= ids::kLastSmallEdit; ++id) {
    items.push_back(DialogItem{id, ControlKind::Edit, "", 108 + (id - ids::kFirstSmallEdit) * 24, 288, 22, 10,
                               ui::ES_READONLY | ui::WS_BORDER});
  }
  int staticX = 326;
  for (int id : ids::kSmallStatics) {
    items.push_back(DialogItem{id, ControlKind::Static, "", staticX, 289, 28, 8, ui::SS_LEFT});
    staticX += 30;
  }
  // The slot groups stand where the 48-slot grid puts them; the page lays them out again for
  // the configured slot count.
  for (const SlotPlacement& placement : SlotGridPlacements(kLegacySlotGroups)) {
    const int slot = placement.slot;
    items.push_back(AtPixels(ids::StatusBox(slot), ControlKind::Edit, placement.box,
                             ui::ES_CENTER | ui::ES_MULTILINE | ui::ES_READONLY | ui::WS_BORDER));
    items.push_back(AtPixels(ids::Progress(slot), ControlKind::ProgressCtrl, placement.progress, ui::WS_BORDER));
    items.push_back(AtPixels(ids::SlotLabel(slot), ControlKind::Edit, placement.label, ui::ES_CENTER | ui::ES_READONLY));
    DialogItem button = AtPixels(ids::ReportButton(slot), ControlKind::Button, placement.button, ui::BS_PUSHBUTTON);
    button.caption = "...";
    items.push_back(button);
  }
  return page;
}

ui::DialogTemplate MakeResultDialog() {
  ui::DialogTemplate dialog{ids::kResultTemplate, "Result Message", 462, 236, ui::DialogFont{}, {}};
  dialog.items = {
      DialogItem{kStaticId, ControlKind::Button, "Result", 7, 7, 448, 197, ui::BS_GROUPBOX},
      DialogItem{ids::kResultList, ControlKind::ListBox, "", 13, 18, 436, 181, ui::WS_VSCROLL | ui::WS_HSCROLL | ui::WS_BORDER},
      DialogItem{ids::kOpenFolder, ControlKind::Button, "Open the File folder", 140, 214, 74, 15,
                 ui::BS_PUSHBUTTON | ui::WS_TABSTOP},
      DialogItem{ui::IDCANCEL, ControlKind::Button, "Close", 219, 214, 74, 15, ui::BS_PUSHBUTTON | ui::WS_TABSTOP},
  };
  return dialog;
}

ui::DialogTemplate MakeSummaryPage() {
  ui::DialogTemplate page{ids::kSummaryTemplate, "Summary", 521, 400, ui::DialogFont{"Times New Roman", 11}, {}};
  const std::uint32_t button = ui::BS_PUSHBUTTON | ui::WS_TABSTOP;
  const std::uint32_t report = ui::LVS_REPORT | ui::WS_BORDER;
  page.items = {
      DialogItem{ui::IDOK, ControlKind::Button, "OK", 464, 7, 50, 14, button | ui::WS_DISABLED, true},
      DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", 464, 24, 50, 14, button | ui::WS_DISABLED, true},
      DialogItem{ids::kErrorCodeList, ControlKind::ListCtrl, "", 301, 41, 176, 308, report},
      DialogItem{ids::kCardTotalsList, ControlKind::ListCtrl, "", 58, 39, 176, 41, report},
      DialogItem{kStaticId, ControlKind::Button, "Total Card Product", 31, 23, 235, 69, ui::BS_GROUPBOX},
      DialogItem{kStaticId, ControlKind::Button, "Error Code Summary", 273, 23, 235, 358, ui::BS_GROUPBOX},
      DialogItem{kStaticId, ControlKind::Button, "Other Information", 31, 169, 235, 212, ui::BS_GROUPBOX},
      DialogItem{ids::kSummaryChoiceGroup, ControlKind::Button, "Static", 31, 94, 235, 73, ui::BS_GROUPBOX},
      DialogItem{ids::kSummaryChoiceLabel, ControlKind::Static, "Please select _summary.xls for generate report  :", 41,
                 117, 167, 9, ui::SS_LEFT},
      DialogItem{ids::kSummaryFiles, ControlKind::ComboBox, "", 42, 127, 212, 102, ui::CBS_DROPDOWN | ui::WS_VSCROLL},
      DialogItem{ids::kGenerate, ControlKind::Button, "Generate ", 191, 144, 62, 17, button},
      DialogItem{ids::kSaveAsText, ControlKind::Button, "Save as Text file", 41, 144, 62, 17, button},
      DialogItem{ids::kGenerateAnother, ControlKind::Button, "Generate another _summary.xls ", 41, 104, 123, 10,
                 ui::BS_CHECKBOX | ui::WS_TABSTOP},
      DialogItem{kStaticId, ControlKind::Static, "ISP Firmware - Header Info.", 41, 178, 94, 8, ui::SS_LEFT},
      DialogItem{ids::kHeaderInfo, ControlKind::Edit, "", 41, 188, 214, 102,
                 ui::ES_MULTILINE | ui::ES_READONLY | ui::WS_DISABLED | ui::WS_BORDER},
  };
  return page;
}

}  // namespace

const ui::DialogTemplate& LegacyPageTemplate() {
  static const ui::DialogTemplate page = MakePage();
  return page;
}

const ui::DialogTemplate& ResultMessageTemplate() {
  static const ui::DialogTemplate dialog = MakeResultDialog();
  return dialog;
}

const ui::DialogTemplate& SummaryPageTemplate() {
  static const ui::DialogTemplate page = MakeSummaryPage();
  return page;
}
