#pragma once
// The two result pages for the tests that run on both, and what a page shows, for comparing a
// page with itself as set up or after a reading.
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "pages/results/ResultReportPaths.h"
#include "platform/Text.h"
#include "ui/ListCtrl.h"

namespace resultstest {

struct PageKind {
  const char* name;
  const char* logKind;
  std::function<std::unique_ptr<CResultPage>()> make;
};
inline void PrintTo(const PageKind& kind, std::ostream* out) { *out << kind.name; }

inline const PageKind kRdtPage{"Rdt", kRdtLogKind, [] { return std::make_unique<CPropertyPage_RDTResult>(); }};
inline const PageKind kLaterBadPage{"LaterBad", kLaterBadLogKind,
                                    [] { return std::make_unique<CPropertyPage_LBResult>(); }};

// Everything the page shows but "Disk :": per control its visibility, text and rows (or
// position).
inline std::vector<std::string> Shown(CResultPage& page) {
  std::vector<std::string> shown;
  for (const ui::DialogItem& item : page.GetTemplate()->items) {
    const ui::CWnd* c = page.GetDlgItem(item.id);
    const auto* list = dynamic_cast<const ui::CListCtrl*>(c);
    const auto* lines = dynamic_cast<const ui::CListBox*>(c);
    const auto* bar = dynamic_cast<const ui::CProgressCtrl*>(c);
    const int rows = list ? list->GetItemCount() : lines ? lines->GetCount() : bar ? bar->GetPos() : 0;
    if (item.kind != ui::ControlKind::ComboBox) {
      shown.push_back(
          platform::Format("%d %d '%s' %d", item.id, c->IsWindowVisible(), c->GetWindowText().c_str(), rows));
    }
  }
  return shown;
}

}  // namespace resultstest
