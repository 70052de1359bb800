#include "pages/production/ProductionPageLayout.h"

#include "device/StationHelpers.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
namespace ids = production_ids;

// Six groups across fit a 1024-pixel screen: 492 dialog units are 984 pixels.
constexpr int kGroupWidth = 78;
constexpr int kGroupPitchX = 82;
constexpr int kGroupPitchY = 64;
constexpr int kGridTop = 48;

ui::DialogTemplate MakeTemplate() {
  ui::DialogTemplate page{ids::kTemplate, "Production", 496, 302, ui::DialogFont{}, {}};
  auto& items = page.items;
  items.push_back(DialogItem{ids::kScan, ControlKind::Button, "Scan", 4, 4, 50, 16, ui::BS_PUSHBUTTON | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kStart, ControlKind::Button, "Start", 58, 4, 50, 16, ui::BS_PUSHBUTTON | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kParamLabel, ControlKind::Static, "Parameter file :", 116, 7, 60, 10, ui::SS_RIGHT});
  items.push_back(DialogItem{ids::kParamList, ControlKind::ComboBox, "", 178, 5, 170, 100,
                             ui::CBS_DROPDOWNLIST | ui::CBS_SORT | ui::WS_VSCROLL | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kElapsedLabel, ControlKind::Static, "Time :", 356, 7, 34, 10, ui::SS_RIGHT});
  items.push_back(DialogItem{ids::kElapsed, ControlKind::Static, "00:00:00", 392, 7, 60, 10, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kRunOptions, ControlKind::Static, "", 4, 24, 488, 10, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kScanStatus, ControlKind::Static, "", 4, 35, 488, 10, ui::SS_LEFT});
  for (int port = 1; port <= 24; ++port) {
    const int x = 4 + ((port - 1) % kPortColumns) * kGroupPitchX;
    const int y = kGridTop + ((port - 1) / kPortColumns) * kGroupPitchY;
    items.push_back(DialogItem{ids::PortCheck(port), ControlKind::Button, platform::Format("Port %d", port), x, y,
                               kGroupWidth, 10, ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
    items.push_back(DialogItem{ids::PortCell(port), ControlKind::Edit, "", x, y + 11, kGroupWidth, 38,
                               ui::ES_CENTER | ui::ES_MULTILINE | ui::ES_READONLY | ui::WS_BORDER});
    items.push_back(DialogItem{ids::PortProgress(port), ControlKind::ProgressCtrl, "", x, y + 51, kGroupWidth, 8,
                               ui::WS_BORDER});
  }
  return page;
}

}  // namespace

const ui::DialogTemplate& ProductionPageTemplate() {
  static const ui::DialogTemplate page = MakeTemplate();
  return page;
}

std::string ProductionCaption(const char* key, const std::string& fallback) {
  const std::string caption =
      platform::Trim(platform::ReadProfileString(GetLanguageIniPath(), kProductionCaptionSection, key, "", 260));
  return caption.empty() ? fallback : caption;
}
