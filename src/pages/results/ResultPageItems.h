#pragma once
// The kinds of template items both result pages are made of, with their styles in one place:
// labels, the "Disk :" drop-down, push buttons, the bad-block limit choice, the status box and
// progress bar, value boxes with their labels, report-view lists, count boxes and the hidden
// list of report lines. Positions and sizes in dialog units.
#include <vector>

#include "ui/DialogTemplate.h"

namespace result_items {

// Heights of a push button and of a value box.
inline constexpr int kPushHeight = 14;
inline constexpr int kValueBoxHeight = 11;

class Items {
 public:
  explicit Items(std::vector<ui::DialogItem>& items) : m_items(items) {}

  void Label(int id, const char* text, int x, int y, int width, int height);
  void DiskCombo(int id, int x, int y, int width);
  void Push(int id, const char* text, int x, int y, int width = 50, int height = kPushHeight);
  // "Bad Block Limit :" check box, the limit box (disabled, "0") and "(PrePlane)" below it. The
  // check box ends where the limit box begins (6 units below it), so its caption, which reaches
  // past the limit box's left edge, stays clear of the box.
  void LimitChoice(int checkId, int limitId, int hintId, int checkX, int checkY, int limitX, int limitY, int hintX,
                   int hintY);
  void StatusAndProgress(int statusId, int x, int y, int width, int progressId, int progressX, int progressY);
  void ValueBox(int labelId, const char* label, int labelX, int labelWidth, int boxId, int boxX, int boxWidth, int y);
  // A report-view list; the page's layout gives it its place.
  void ReportList(int id);
  void CountBox(int id, int x, int y);
  void HiddenLines(int id);

 private:
  std::vector<ui::DialogItem>& m_items;
};

}  // namespace result_items
