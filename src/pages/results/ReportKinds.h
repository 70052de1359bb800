#pragma once
// Which reading a report takes. A report of the RDT log reading holds "Temperature_Time Log",
// one of the bad-block scan "Get Max Bad block number Percent"; an RDT report whose sections
// are "[OB]", "[RB]" and "[RB_SLC]" is read in section style 0, any other in style 1.
#include <optional>
#include <string_view>
#include <vector>

#include "pages/results/BadBlockLists.h"

inline constexpr std::string_view kRdtReportMarker = "Temperature_Time Log";
inline constexpr std::string_view kScanReportMarker = "Get Max Bad block number Percent";
inline constexpr std::string_view kSlcSectionMarker = "[RB_SLC]";

// The kind the first marker of the report gives (a line holding both is an RDT report);
// nothing when the report holds neither or cannot be opened.
std::optional<int> FirstReportMarker(std::string_view path);

// The later-bad page's Load Data reads the whole report up to its first "[RB_SLC]": every
// "Temperature_Time Log" line makes it an RDT report, a "Get Max Bad block number Percent"
// line while it is not one lays the page out for a scan report again.
struct LoadDataScan {
  bool opened = false;
  int kind = kScanReportKind;
  std::vector<int> layouts;  // the arrangements the lines asked for, in order (repeats folded)
  bool slcSections = false;  // "[RB_SLC]" was seen
};
LoadDataScan ScanForLoadData(std::string_view path);

// Whether a line of the report holds the text (false when it cannot be opened).
bool ReportHoldsText(std::string_view path, std::string_view text);
