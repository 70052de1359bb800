#include "ui/DialogUnits.h"

#include <cstdint>

#include "platform/Text.h"

namespace ui {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = (c > 0 ? c : -c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / (c > 0 ? c : -c);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

namespace {
struct MeasuredFont {
  const char* face;
  int pointSize;
  DialogBaseUnits units;
};
// Base units measured on a 96-dpi desktop for the faces the station's dialogs use.
constexpr MeasuredFont kMeasuredFonts[] = {
    {"System", 10, {8, 16}},
    {"MS Sans Serif", 8, {6, 13}},
    {"MS Shell Dlg", 8, {6, 13}},
    {"Times New Roman", 11, {7, 17}},
};
}  // namespace

DialogBaseUnits BaseUnitsFor(const DialogFont& font) {
  for (const MeasuredFont& measured : kMeasuredFonts) {
    if (measured.pointSize == font.pointSize && platform::EqualsNoCase(measured.face, font.face)) {
      return measured.units;
    }
  }
  // An unmeasured face: scale the system font's units by the point size.
  return DialogBaseUnits{MulDiv(8, font.pointSize, 10), MulDiv(16, font.pointSize, 10)};
}

int DialogUnitsToPixelsX(const DialogBaseUnits& units, int dialogUnits) {
  return MulDiv(dialogUnits, units.x, 4);
}

int DialogUnitsToPixelsY(const DialogBaseUnits& units, int dialogUnits) {
  return MulDiv(dialogUnits, units.y, 8);
}

CRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int width, int height) {
  const int left = DialogUnitsToPixelsX(units, x);
  const int top = DialogUnitsToPixelsY(units, y);
  return CRect(left, top, DialogUnitsToPixelsX(units, x + width), DialogUnitsToPixelsY(units, y + height));
}

}  // namespace ui
