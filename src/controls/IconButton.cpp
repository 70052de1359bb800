#include "controls/IconButton.h"

void CIconButton::SetIcon(int icon, int secondIcon) {
  ui::ButtonImage image = GetImage();
  image.kind = ui::ButtonImage::Kind::Icon;
  image.icon = icon;
  image.secondIcon = secondIcon;
  SetImage(image);
}

bool CIconButton::SetAlign(int align, bool repaint) {
  if (align < kIconLeft || align > kIconBehind) return false;
  ui::ButtonImage image = GetImage();
  image.align = align;
  SetImage(image);
  if (repaint) Invalidate();
  return true;
}
