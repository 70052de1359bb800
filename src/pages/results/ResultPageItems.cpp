#include "pages/results/ResultPageItems.h"

namespace result_items {

using ui::ControlKind;
using ui::DialogItem;

void Items::Label(int id, const char* text, int x, int y, int width, int height) {
  m_items.push_back(DialogItem{id, ControlKind::Static, text, x, y, width, height, ui::SS_LEFT});
}

void Items::DiskCombo(int id, int x, int y, int width) {
  m_items.push_back(DialogItem{id, ControlKind::ComboBox, "", x, y, width, 100,
                               ui::CBS_DROPDOWN | ui::CBS_SORT | ui::WS_VSCROLL | ui::WS_TABSTOP});
}

void Items::Push(int id, const char* text, int x, int y, int width, int height) {
  m_items.push_back(DialogItem{id, ControlKind::Button, text, x, y, width, height, ui::BS_PUSHBUTTON | ui::WS_TABSTOP});
}

void Items::LimitChoice(int checkId, int limitId, int hintId, int checkX, int checkY, int limitX, int limitY,
                        int hintX, int hintY) {
  m_items.push_back(DialogItem{checkId, ControlKind::Button, "Bad Block Limit :", checkX, checkY, 76, limitY - checkY,
                               ui::BS_AUTOCHECKBOX | ui::WS_TABSTOP});
  m_items.push_back(DialogItem{limitId, ControlKind::Edit, "0", limitX, limitY, 26, 12,
                               ui::ES_AUTOHSCROLL | ui::WS_BORDER | ui::WS_TABSTOP | ui::WS_DISABLED});
  m_items.push_back(DialogItem{hintId, ControlKind::Static, "(PrePlane)", hintX, hintY, 40, 8, ui::SS_LEFT});
}

void Items::StatusAndProgress(int statusId, int x, int y, int width, int progressId, int progressX, int progressY) {
  m_items.push_back(DialogItem{statusId, ControlKind::Edit, "", x, y, width, 14,
                               ui::ES_CENTER | ui::ES_READONLY | ui::WS_BORDER});
  m_items.push_back(DialogItem{progressId, ControlKind::ProgressCtrl, "", progressX, progressY, 70, 6, ui::WS_BORDER});
}

void Items::ValueBox(int labelId, const char* label, int labelX, int labelWidth, int boxId, int boxX, int boxWidth,
                     int y) {
  Label(labelId, label, labelX, y + 1, labelWidth, 9);
  m_items.push_back(DialogItem{boxId, ControlKind::Edit, "", boxX, y, boxWidth, kValueBoxHeight,
                               ui::ES_AUTOHSCROLL | ui::ES_READONLY | ui::WS_BORDER});
}

void Items::ReportList(int id) {
  m_items.push_back(DialogItem{id, ControlKind::ListCtrl, "", 5, 100, 100, 50,
                               ui::LVS_REPORT | ui::WS_BORDER | ui::WS_TABSTOP});
}

void Items::CountBox(int id, int x, int y) {
  m_items.push_back(DialogItem{id, ControlKind::Edit, "0", x, y, 20, 9, ui::ES_READONLY | ui::WS_BORDER});
}

void Items::HiddenLines(int id) {
  m_items.push_back(DialogItem{id, ControlKind::ListBox, "", 5, 350, 200, 20,
                               ui::WS_VSCROLL | ui::WS_HSCROLL | ui::WS_BORDER, true});
}

}  // namespace result_items
