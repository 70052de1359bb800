#pragma once
// Disk arrival and removal, for the production page. The platform sends no device
// notifications, so the page looks at the installed transport's disk list from its one-second
// timer while no pass runs and rescans when the list changed.
#include <optional>
#include <string>
#include <vector>

class CDiskListWatch {
 public:
  // True when the disk list differs from the one noted last; the list is noted either way. The
  // first look only takes note.
  bool Changed();
  // Notes the current list (after a scan, which saw it).
  void TakeNote();

 private:
  static std::vector<std::string> CurrentList();
  std::optional<std::vector<std::string>> m_noted;
};
