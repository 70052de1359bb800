#include "pages/bbt/BbtPageLayout.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
namespace ids = bbt_ids;

// The page is 620 dialog units wide (1240 pixels), whole on a 1280-pixel screen.
// One row of controls in the top band (25 dialog units, the 50 pixels above the list box).
constexpr int kRowTop = 5;
constexpr int kRowHeight = 14;
constexpr int kButtonWidth = 50;

ui::DialogTemplate MakeTemplate() {
  ui::DialogTemplate page{ids::kTemplate, "Dialog", 620, 163, ui::DialogFont{}, {}};
  auto& items = page.items;
  items.push_back(DialogItem{ids::kDiskLabel, ControlKind::Static, "Disk :", 5, kRowTop + 3, 24, 10, ui::SS_RIGHT});
  items.push_back(DialogItem{ids::kDisk, ControlKind::ComboBox, "", 31, kRowTop, 40, 150,
                             ui::CBS_DROPDOWN | ui::CBS_SORT | ui::WS_VSCROLL | ui::WS_TABSTOP});
  const int buttons[] = {ids::kGetBbt, ids::kWriteBbt, ids::kEraseAll, ids::kOpenFile};
  const char* captions[] = {"Get BBT", "Write BBT", "Erase All", "Open file"};
  for (int i = 0; i < 4; ++i) {
    items.push_back(DialogItem{buttons[i], ControlKind::Button, captions[i], 79 + i * (kButtonWidth + 4), kRowTop,
                               kButtonWidth, kRowHeight, ui::BS_PUSHBUTTON | ui::WS_TABSTOP});
  }
  items.push_back(DialogItem{ids::kTvBbt, ControlKind::Button, "TV BBT", 298, kRowTop + 2, 42, 10,
                             ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
  items.push_back(DialogItem{ids::kStatus, ControlKind::Edit, "", 344, kRowTop, 200, kRowHeight,
                             ui::ES_AUTOHSCROLL | ui::ES_READONLY | ui::WS_BORDER});
  items.push_back(DialogItem{ids::kProgress, ControlKind::ProgressCtrl, "", 550, kRowTop, 66, kRowHeight, ui::WS_BORDER});
  items.push_back(DialogItem{ids::kFileLines, ControlKind::ListBox, "", 5, 25, 610, 133,
                             ui::WS_VSCROLL | ui::WS_HSCROLL | ui::WS_BORDER | ui::WS_TABSTOP});
  return page;
}

}  // namespace

const ui::DialogTemplate& BbtPageTemplate() {
  static const ui::DialogTemplate page = MakeTemplate();
  return page;
}
