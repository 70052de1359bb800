#include "ui/qt/Convert.h"

#include "platform/Text.h"

namespace uiqt {

QString FromStation(const std::string& text) { return QString::fromStdString(platform::Cp950ToUtf8(text)); }

std::string ToStation(const QString& text) { return platform::Utf8ToCp950(text.toStdString()); }

QColor ToQColor(ui::COLORREF color) {
  if (color == ui::kDefaultColor) return QColor();
  return QColor(ui::GetRValue(color), ui::GetGValue(color), ui::GetBValue(color));
}

QFont ToQFont(const ui::LOGFONT& description, const QFont& base) {
  QFont font = base;
  if (!description.lfFaceName.empty() && description.lfFaceName != "System") {
    font.setFamily(FromStation(description.lfFaceName));
  }
  // A negative height is the character height, a positive one the cell height (about 1.2
  // times the character height).
  if (description.lfHeight < 0) {
    font.setPixelSize(-description.lfHeight);
  } else if (description.lfHeight > 0) {
    font.setPixelSize(std::max(1, description.lfHeight * 5 / 6));
  }
  if (description.lfWidth > 0 && description.lfHeight != 0) {
    // Stretch the face so that its average width comes close to the asked width (an average
    // character is about half as wide as it is high).
    const int height = description.lfHeight < 0 ? -description.lfHeight : description.lfHeight * 5 / 6;
    const int stretch = std::clamp(description.lfWidth * 200 / std::max(height, 1), 50, 200);
    font.setStretch(stretch);
  }
  if (description.lfWeight > 0) {
    font.setWeight(description.lfWeight >= ui::FW_HEAVY  ? QFont::Black
                   : description.lfWeight >= ui::FW_BOLD ? QFont::Bold
                                                         : QFont::Normal);
  }
  font.setItalic(description.lfItalic);
  font.setUnderline(description.lfUnderline);
  font.setStrikeOut(description.lfStrikeOut);
  return font;
}

unsigned VirtualKeyOf(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<unsigned>('A' + (qtKey - Qt::Key_A));
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<unsigned>('0' + (qtKey - Qt::Key_0));
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return ui::VK_F1 + static_cast<unsigned>(qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Escape:
      return ui::VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ui::VK_RETURN;
    case Qt::Key_Space:
      return ui::VK_SPACE;
    case Qt::Key_Tab:
      return ui::VK_TAB;
    case Qt::Key_Backspace:
      return ui::VK_BACK;
    case Qt::Key_Delete:
      return ui::VK_DELETE;
    case Qt::Key_Left:
      return ui::VK_LEFT;
    case Qt::Key_Up:
      return ui::VK_UP;
    case Qt::Key_Right:
      return ui::VK_RIGHT;
    case Qt::Key_Down:
      return ui::VK_DOWN;
    default:
      return 0;
  }
}

}  // namespace uiqt
