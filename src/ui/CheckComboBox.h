#pragma once
// CCheckComboBox: a drop-down-list combo box whose items each carry a check box. The
// operator toggles an item's check with the space bar or by clicking its check box, on the
// closed combo (the current item) and in the open list; clicking an item's text selects it
// as in a plain combo. One check state is kept per item, in step with every insertion,
// deletion and reset of the items, and every toggle by the operator tells the parent with a
// command whose code is kCheckComboChanged (0).
//
// The model decides what each item paints (DrawItem) and what a key or a click does; the
// front end measures the font, carries the drawing out and reports the operator's keys and
// clicks with the User* calls. Calls for an index that is not an item are ignored.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/ComboBox.h"

namespace ui {

// Code of the change notice (OnCommand of the parent) after a toggle by the operator.
inline constexpr int kCheckComboChanged = 0;

// What DrawItem paints for one item, in the item's coordinates.
struct CheckItemDrawing {
  bool drawn = false;          // false: nothing to paint
  bool hasCheckBox = false;    // a real item: its check box in checkRect
  CRect checkRect;
  bool checked = false;
  bool inactive = false;       // the control is disabled
  COLORREF checkBackground = kSystemWindowColor;
  COLORREF checkTextColor = kSystemWindowTextColor;
  CRect textRect;
  COLORREF background = kSystemWindowColor;
  COLORREF textColor = kSystemWindowTextColor;
  std::string text;            // the item's text after one space; one line, vertically
                               // centred, cut with an ellipsis
  bool focusRect = false;      // a focus rectangle around textRect
};

class CCheckComboBox : public CComboBox {
 public:
  CCheckComboBox() = default;

  // The combo box with the kind bits replaced: a drop-down list, owner-drawn with variable
  // heights (style AND NOT 3, OR 0x23); the other bits (CBS_HASSTRINGS ...) are the caller's.
  bool Create(std::uint32_t style, const CRect& rect, CWnd* parent, int id);

  // 1 when the item is checked, else 0 (also for an index that is not an item).
  int GetCheck(int index) const;
  // Stores the check; repaints only when it changes. Returns the previous state (0 or 1),
  // or CB_ERR for an index that is not an item.
  int SetCheck(int index, bool check);
  void CheckAll(bool check);

  // The font's height and external leading in pixels, as the front end measures them
  // (until then: the control font's character height, else 16, and no leading).
  void SetFontMetrics(int height, int externalLeading);
  // Width of the check box square at the left of each item: height + leading + 6.
  int CheckBoxWidth() const;
  // Height of an item: height + leading + 2. The first call gives the selection field the
  // same height.
  int MeasureItem();
  // The selection field's height, or -1 before the first MeasureItem.
  int GetSelectionFieldHeight() const;
  // What to paint for the item (-1: the selection field without a current item) in
  // itemRect. With items but no current selection, item 0 becomes current and nothing is
  // painted this time.
  CheckItemDrawing DrawItem(int index, const CRect& itemRect, bool selected, bool focused);

  // ---- the operator on the closed combo (user-interface thread)
  // A key going down; true when it is swallowed (the space bar).
  bool UserKeyDown(unsigned virtualKey);
  // A typed character; true when handled: a space that is not an auto-repeat toggles the
  // current item. Otherwise the combo's default handling runs.
  bool UserChar(char character, bool autoRepeat);
  // A left click (or double click) at a point of the client area; true when it toggled the
  // current item's check (inside the check box width), false for the default handling
  // (which opens the list).
  bool UserClick(CPoint point);

  // ---- the operator and the open list
  // The list opens: CBN_DROPDOWN to the parent first.
  void UserDropDown();
  // The list closed without a choice.
  void UserCloseList();
  bool IsListOpen() const;
  // A character in the open list, whose highlighted line is listSelection; true when
  // consumed (a space that is not an auto-repeat toggles that item).
  bool UserListChar(int listSelection, char character, bool autoRepeat);
  // A left button down (or double click) on an item of the open list, x pixels from its left
  // edge: the item becomes current and the parent hears CBN_SELCHANGE; inside the check box
  // width its check toggles as well.
  void UserListButtonDown(int item, int x);
  // The button comes up: true when the list selects the item and closes (the press was on
  // the item's text), false when the list stays open (the press toggled a check box).
  bool UserListButtonUp();

  // ---- front end
  std::vector<bool> Checks() const;

 protected:
  void OnItemInserted(int index) override;
  void OnItemRemoved(int index) override;
  void OnItemsCleared() override;

 private:
  void ToggleByOperator(int index);
  int FontLineHeight() const;

  std::vector<std::uint8_t> m_aCheck;
  bool m_bItemHeightSet = false;
  int m_selectionFieldHeight = -1;
  int m_fontHeight = -1;
  int m_externalLeading = 0;
  bool m_listOpen = false;
  // The button went down on an item's text: let the button-up select and close.
  bool m_passButtonUp = false;
};

}  // namespace ui
