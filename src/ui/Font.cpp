#include "ui/Font.h"

#include "ui/DialogUnits.h"

namespace ui {

bool CFont::CreateFontIndirect(const LOGFONT& description) {
  m_description = description;
  m_created = true;
  return true;
}

bool CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, bool italic,
                       bool underline, bool strikeOut, std::uint8_t charSet, std::uint8_t outPrecision,
                       std::uint8_t clipPrecision, std::uint8_t quality, std::uint8_t pitchAndFamily,
                       const std::string& face) {
  LOGFONT description;
  description.lfHeight = height;
  description.lfWidth = width;
  description.lfEscapement = escapement;
  description.lfOrientation = orientation;
  description.lfWeight = weight;
  description.lfItalic = italic;
  description.lfUnderline = underline;
  description.lfStrikeOut = strikeOut;
  description.lfCharSet = charSet;
  description.lfOutPrecision = outPrecision;
  description.lfClipPrecision = clipPrecision;
  description.lfQuality = quality;
  description.lfPitchAndFamily = pitchAndFamily;
  description.lfFaceName = face;
  return CreateFontIndirect(description);
}

bool CFont::CreatePointFont(int pointSizeTenths, const std::string& face) {
  LOGFONT description;
  // Character height in pixels at 96 dpi: points x 96 / 72.
  description.lfHeight = -MulDiv(pointSizeTenths, 96, 720);
  description.lfFaceName = face;
  return CreateFontIndirect(description);
}

}  // namespace ui
