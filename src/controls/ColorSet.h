#pragma once
// CColorSet: the text and background colour pair of a control that paints itself. Any thread
// may set and read it; the owner repaints with the new pair from its next redraw.
#include <mutex>

#include "ui/Types.h"

class CColorSet {
 public:
  CColorSet() = default;
  virtual ~CColorSet() = default;
  CColorSet(const CColorSet&) = delete;
  CColorSet& operator=(const CColorSet&) = delete;

  // (text colour, background colour) as 0x00BBGGRR values.
  void SetColor(ui::COLORREF text, ui::COLORREF background);
  ui::COLORREF GetTextColor() const;
  ui::COLORREF GetBkColor() const;

 protected:
  // The owner hears of every change (outside the pair's lock).
  virtual void OnColorChanged() {}

 private:
  mutable std::mutex m_mutex;
  ui::COLORREF m_text = ui::RGB(0, 0, 0);
  ui::COLORREF m_background = ui::RGB(255, 255, 255);
};
