#include "pages/results/ReportKinds.h"

#include "pages/results/ReportLines.h"

namespace {

bool Holds(std::string_view line, std::string_view text) { return line.find(text) != std::string_view::npos; }

}  // namespace

std::optional<int> FirstReportMarker(std::string_view path) {
  CReportLines lines;
  if (!lines.Open(path)) return std::nullopt;
  std::string_view line;
  while (lines.Next(line)) {
    if (Holds(line, kRdtReportMarker)) return kRdtReportKind;
    if (Holds(line, kScanReportMarker)) return kScanReportKind;
  }
  return std::nullopt;
}

LoadDataScan ScanForLoadData(std::string_view path) {
  LoadDataScan scan;
  CReportLines lines;
  if (!lines.Open(path)) return scan;
  scan.opened = true;
  auto layOut = [&scan](int kind) {
    if (scan.layouts.empty() || scan.layouts.back() != kind) scan.layouts.push_back(kind);
  };
  std::string_view line;
  while (lines.Next(line)) {
    if (Holds(line, kRdtReportMarker)) {
      scan.kind = kRdtReportKind;
      layOut(kRdtReportKind);
    } else if (Holds(line, kScanReportMarker) && scan.kind == kScanReportKind) {
      layOut(kScanReportKind);
    } else if (Holds(line, kSlcSectionMarker)) {
      scan.slcSections = true;
      break;
    }
  }
  return scan;
}

bool ReportHoldsText(std::string_view path, std::string_view text) {
  CReportLines lines;
  if (!lines.Open(path)) return false;
  std::string_view line;
  while (lines.Next(line)) {
    if (Holds(line, text)) return true;
  }
  return false;
}
