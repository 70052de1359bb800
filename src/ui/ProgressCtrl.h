#pragma once
// A progress bar: range and position, any thread. The position stays inside the range.
#include "ui/Wnd.h"

namespace ui {

class CProgressCtrl : public CWnd {
 public:
  CProgressCtrl() : CWnd(ControlKind::ProgressCtrl) {}
  void SetRange(short lower, short upper) { SetRange32(lower, upper); }
  void SetRange32(int lower, int upper);
  void GetRange(int& lower, int& upper) const;
  // Both return the previous position.
  int SetPos(int position);
  int OffsetPos(int delta);
  int GetPos() const;

 private:
  int Clamp(int position) const;
  int m_lower = 0;
  int m_upper = 100;
  int m_position = 0;
};

}  // namespace ui
