#pragma once
// CIconButton: a push button that shows an icon beside (or above) its caption. The icons are
// the station's own drawings, named by resource number.
#include "ui/Button.h"

class CIconButton : public ui::CButton {
 public:
  // Arrangements of icon and caption.
  static constexpr int kIconLeft = 0;
  static constexpr int kIconAbove = 1;
  static constexpr int kIconRight = 2;
  static constexpr int kIconBehind = 3;

  // (icon resource id, second icon id or 0): the first icon shows while the pointer is over the
  // button, the second, when given, otherwise.
  void SetIcon(int icon, int secondIcon = 0);
  // (arrangement 0..3, repaint flag); an arrangement outside 0..3 is refused.
  bool SetAlign(int align, bool repaint = true);
  int GetAlign() const { return GetImage().align; }
};
