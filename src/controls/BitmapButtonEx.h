#pragma once
// CBitmapButtonEx: a button drawn with bitmaps, one per state, named by resource number.
#include "ui/Button.h"

class CBitmapButtonEx : public ui::CButton {
 public:
  // (normal, hover, pressed, disabled, focus and shape bitmap ids, 0 for none; then whether
  // the bitmaps' corner colour is transparent, whether they stretch to fill the button and
  // whether a button frame is drawn around them). A missing state shows the normal bitmap.
  void SetBitmaps(int normal, int hover, int pressed, int disabled, int focus, int shape, int transparent,
                  int stretch, int border);
};
