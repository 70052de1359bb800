#pragma once
// Fonts as the pages describe them (height, width, weight, face ...). A window keeps a copy
// of the description it was given, so a font object may go away after SetFont.
#include <cstdint>
#include <string>

namespace ui {

inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;
inline constexpr int FW_HEAVY = 900;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t OUT_DEFAULT_PRECIS = 0;
inline constexpr std::uint8_t OUT_TT_ONLY_PRECIS = 7;

// A font description. A negative height is the character height in pixels, a positive one the
// cell height (character plus internal leading); 0 takes the default size. Width 0 keeps the
// face's own proportions.
struct LOGFONT {
  int lfHeight = 0;
  int lfWidth = 0;
  int lfEscapement = 0;
  int lfOrientation = 0;
  int lfWeight = 0;
  bool lfItalic = false;
  bool lfUnderline = false;
  bool lfStrikeOut = false;
  std::uint8_t lfCharSet = DEFAULT_CHARSET;
  std::uint8_t lfOutPrecision = OUT_DEFAULT_PRECIS;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  std::string lfFaceName;
  friend bool operator==(const LOGFONT&, const LOGFONT&) = default;
};

class CFont {
 public:
  bool CreateFontIndirect(const LOGFONT& description);
  bool CreateFont(int height, int width, int escapement, int orientation, int weight, bool italic,
                  bool underline, bool strikeOut, std::uint8_t charSet, std::uint8_t outPrecision,
                  std::uint8_t clipPrecision, std::uint8_t quality, std::uint8_t pitchAndFamily,
                  const std::string& face);
  // Size in tenths of a point at 96 dpi.
  bool CreatePointFont(int pointSizeTenths, const std::string& face);
  void DeleteObject() { m_created = false; }
  bool IsCreated() const { return m_created; }
  const LOGFONT& GetLogFont() const { return m_description; }

 private:
  LOGFONT m_description;
  bool m_created = false;
};

}  // namespace ui
