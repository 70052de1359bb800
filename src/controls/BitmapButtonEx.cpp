#include "controls/BitmapButtonEx.h"

void CBitmapButtonEx::SetBitmaps(int normal, int hover, int pressed, int disabled, int focus, int shape,
                                 int transparent, int stretch, int border) {
  ui::ButtonImage image;
  image.kind = ui::ButtonImage::Kind::Bitmap;
  image.bitmaps = {normal, hover, pressed, disabled, focus, shape};
  image.transparent = transparent != 0;
  image.stretch = stretch != 0;
  image.border = border != 0;
  SetImage(image);
}
