#include "ui/qt/FittingFont.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <functional>

namespace uiqt {
namespace {

// The largest font of base's face, from base's size down to the smallest fitted size, that
// fits; the smallest when none does.
QFont LargestFitting(const QFont& base, const std::function<bool(const QFont&)>& fits) {
  if (fits(base)) return base;
  QFont font = base;
  for (int size = PixelSizeOf(base) - 1; size >= kSmallestFittedPixelSize; --size) {
    font.setPixelSize(size);
    if (fits(font)) return font;
  }
  font.setPixelSize(std::min(PixelSizeOf(base), kSmallestFittedPixelSize));
  return font;
}

}  // namespace

int PixelSizeOf(const QFont& font) { return QFontInfo(font).pixelSize(); }

QFont FontFittingWidth(const QFont& base, const QString& text, int width) {
  return LargestFitting(base, [&](const QFont& font) { return QFontMetrics(font).horizontalAdvance(text) <= width; });
}

QFont FontFittingHeight(const QFont& base, int height) {
  return LargestFitting(base, [&](const QFont& font) { return QFontMetrics(font).height() <= height; });
}

}  // namespace uiqt
