#pragma once
// Fonts that make a control's text fit the rectangle the page gives the control: a read-only
// box whose text is wider than the box, a list whose rows the operator cannot scroll to. The
// font only shrinks, and not below a size an operator still reads.
#include <QFont>
#include <QString>

namespace uiqt {

// The smallest pixel size a fitted font takes.
inline constexpr int kSmallestFittedPixelSize = 8;

// base when text fits width at it; else the largest smaller font (down to the smallest fitted
// size) at which it does.
QFont FontFittingWidth(const QFont& base, const QString& text, int width);
// base when its line height fits height; else the largest smaller font (down to the smallest
// fitted size) whose line height does.
QFont FontFittingHeight(const QFont& base, int height);
// The pixel size a font shows at.
int PixelSizeOf(const QFont& font);

}  // namespace uiqt
