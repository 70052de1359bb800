#pragma once
// Dialog units to pixels, as the framework converts them.
//
// A dialog template measures its controls in dialog units of its font. The font's base units
// are its average character width (of "A".."Z" and "a".."z") and its cell height in pixels;
// one horizontal dialog unit is a quarter of the base width and one vertical unit an eighth
// of the base height, each product rounded to the nearest pixel:
//     x_px = MulDiv(x_dlu, baseX, 4)      y_px = MulDiv(y_dlu, baseY, 8)
// The "System" font at 10 points (the font of the station's dialogs) has base units 8 x 16 at
// 96 dpi, so there one dialog unit is exactly 2 pixels each way (x*8/4 = 2x, y*16/8 = 2y).
// Other faces take the base units measured for them on a 96-dpi desktop (table in the .cpp).
#include <string>

#include "ui/Types.h"

namespace ui {

struct DialogFont {
  std::string face = "System";
  int pointSize = 10;
};

struct DialogBaseUnits {
  int x = 8;
  int y = 16;
};

// a x b / c rounded half away from zero; -1 when c is 0 (as the framework's helper).
int MulDiv(int a, int b, int c);

DialogBaseUnits BaseUnitsFor(const DialogFont& font);
int DialogUnitsToPixelsX(const DialogBaseUnits& units, int dialogUnits);
int DialogUnitsToPixelsY(const DialogBaseUnits& units, int dialogUnits);
// A rectangle given as x, y, width, height in dialog units, converted to pixels.
CRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int width, int height);

}  // namespace ui
