#pragma once
// Where the RDT log reader's texts go. The reader writes plain lines to the slot report
// ("   %s \r\n"), summary lines to the report's temporary twin, and rows to its four CSV
// logs. The engine routes them to its report writers and to the CSV files it opened (a CSV
// that the caller did not ask for is not open, and its rows are dropped); tests collect
// them, and the fuzz target drops them.
#include <string>

enum class RdtCsv { Temperature, Ddr, BadBlock, EccBit };

class RdtOutput {
 public:
  virtual ~RdtOutput() = default;
  // One plain line of the slot report, without its framing.
  virtual void ReportLine(const std::string& text) = 0;
  // One plain line of the temporary report.
  virtual void TempReportLine(const std::string& text) = 0;
  // One CSV row, given with its "\r\n".
  virtual void CsvLine(RdtCsv csv, const std::string& line) = 0;
  // Whether rows of that CSV, and lines of the slot report, go anywhere: a row that nothing
  // writes is not formatted at all.
  virtual bool Writes(RdtCsv) const { return true; }
  virtual bool WritesReportLines() const { return true; }
};

// Drops everything (the fuzz target): no row is even formatted.
class RdtNullOutput final : public RdtOutput {
 public:
  void ReportLine(const std::string&) override {}
  void TempReportLine(const std::string&) override {}
  void CsvLine(RdtCsv, const std::string&) override {}
  bool Writes(RdtCsv) const override { return false; }
  bool WritesReportLines() const override { return false; }
};
