#pragma once
// A button: push button, check box, radio button or group box, chosen by its BS_ style.
// The check state may be read and set from any thread. Click() is the user's click.
#include <array>

#include "ui/Wnd.h"

namespace ui {

// Pictures a button shows instead of (or beside) its caption, by resource number.
struct ButtonImage {
  enum class Kind { None, Icon, Bitmap };
  Kind kind = Kind::None;
  // Icons: the first is shown while the pointer is over the button, the second (when not 0)
  // otherwise. Arrangement of icon and caption: 0 icon left of the caption, 1 icon above it,
  // 2 icon right of it, 3 icon behind it.
  int icon = 0;
  int secondIcon = 0;
  int align = 0;
  // Bitmaps by state; 0 where the button has none for that state.
  enum BitmapState { kNormal, kHover, kPressed, kDisabled, kFocus, kShape, kBitmapStates };
  std::array<int, kBitmapStates> bitmaps{};
  bool transparent = false;  // the bitmap's corner colour is left out
  bool stretch = false;      // the bitmap fills the button
  bool border = false;       // a button frame is drawn around the bitmap
  friend bool operator==(const ButtonImage&, const ButtonImage&) = default;
};

class CButton : public CWnd {
 public:
  CButton() : CWnd(ControlKind::Button) {}
  std::uint32_t GetButtonStyle() const { return GetStyle() & BS_TYPEMASK; }
  int GetCheck() const;
  void SetCheck(int state);
  // The user's click (user-interface thread): nothing when hidden or disabled; an automatic
  // check box toggles, an automatic radio button checks itself and clears the automatic radio
  // buttons of its group; then the parent hears BN_CLICKED.
  void Click();

  ButtonImage GetImage() const;

 protected:
  void SetImage(const ButtonImage& image);

 private:
  void ClearOtherRadiosOfGroup();
  int m_check = BST_UNCHECKED;
  ButtonImage m_image;
};

}  // namespace ui
