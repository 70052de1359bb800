#pragma once
// The station's icons and bitmaps, drawn in code: the function-button icons 200 (reload
// parameters), 141 (QC), 194 (pretest), 134 (clear record), 139 (bad block), 150 (initial),
// 270 (time), 283 (finish) and the bitmaps 268 (logo) and 269 (tester detection).
#include <QPixmap>
#include <QSize>

namespace uiqt {

// A drawing of the resource at the size; a null pixmap for an unknown number.
QPixmap StationImage(int id, QSize size);
// The natural size of the resource (icons 32 x 32).
QSize StationImageSize(int id);

}  // namespace uiqt
