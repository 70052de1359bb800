#pragma once
// Conversions where the model meets Qt: code page 950 text, COLORREF colours and font
// descriptions.
#include <QColor>
#include <QFont>
#include <QString>
#include <string>

#include "ui/Font.h"
#include "ui/Types.h"

namespace uiqt {

QString FromStation(const std::string& text);
std::string ToStation(const QString& text);
// kDefaultColor gives an invalid QColor (the widget's own colour).
QColor ToQColor(ui::COLORREF color);
QFont ToQFont(const ui::LOGFONT& description, const QFont& base);
// Qt key code to a virtual key (0 when the key has none).
unsigned VirtualKeyOf(int qtKey);

}  // namespace uiqt
