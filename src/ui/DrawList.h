#pragma once
// What an owner-drawn control paints, as a list of simple commands in the control's client
// coordinates. The model decides what to paint (testable without a display); the front end
// only carries the commands out.
#include <string>
#include <vector>

#include "ui/Font.h"
#include "ui/Types.h"

namespace ui {

enum class HorizontalAlign { Left, Center, Right };

struct DrawCommand {
  enum class Kind { FillRect, Text, Image };
  Kind kind = Kind::FillRect;
  CRect rect;
  COLORREF color = 0;        // fill colour, or text colour
  std::string text;          // code page 950
  LOGFONT font;              // for text
  HorizontalAlign align = HorizontalAlign::Center;
  int imageId = 0;           // for images: an icon or bitmap resource number
};

using DrawList = std::vector<DrawCommand>;

}  // namespace ui
