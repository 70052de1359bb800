#pragma once
// A menu of the sheet's window for what the operator does beside the pages (on the simulated
// station: plugging a drive in again). Its entries are listed anew each time it opens.
#include <QString>
#include <functional>
#include <vector>

namespace uiqt {

struct OperatorMenuEntry {
  QString text;
  std::function<void()> run;
};

struct OperatorMenu {
  QString title;
  std::function<std::vector<OperatorMenuEntry>()> entries;
};

}  // namespace uiqt
