#pragma once
// ParseRdtReport: reads the slot report of an RDT log reading (report kind 1) into a result
// page: a row per section line of the per-plane list, the per-CE "All Bad", "OBB" and "RBB"
// counts of the "[total]" lines, the factory and later bad-block records with their erase,
// program and read fail counts, the RDT time, temperature and firmware version and, on the
// later-bad page, the RDT setting boxes. The lines are those the RDT log reader writes
// (engine/rdtlog).
//
// Two section styles: 0 reads "[OB]", "[RB]" and "[RB_SLC]" with the summary keys "OB=" and
// "RB="; 1 reads "[Early Bad]", "[Later Bad]" and "[A2Later Bad]" with "ManufactureBad=" and
// "RDTBad=". The sections are named "OB", "TLC Bad" and "SLC Bad" in the list.
//
// Three readings share this reader:
//  - the later-bad page's (its Show Result worker and Load Data);
//  - the RDT result page's Load Data: no RDT setting keys, no per-plane or RDT-bad sums,
//    empty fail boxes at the start, every line to the debugger output;
//  - the RDT result page's Show Result worker: style 0, the sections keep the report's names
//    ("OB", "RB", "RB_SLC"), and no per-CE summary is kept.
// The two readings that keep the per-CE summary hand it out for the companion summary file
// (RdtSummaryFile.h).
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "pages/results/RdtFailRecords.h"
#include "pages/results/ResultView.h"

enum class RdtReading { LaterBadPage, RdtPageLoadData, RdtPageWorker };

// The per-CE counts of the companion summary. allBad -1: no "[total]" line named the CE.
struct RdtCeSummary {
  int allBad = -1;
  int ob = 0;
  int rb = 0;
  int slcEarlyBad = 0;
  int slcProgramBad = 0;
  int slcReadBad = 0;
  int erase = 0;
  int program = 0;
  int read = 0;
};
inline constexpr int kRdtSummaryCes = 16;

class CRdtReportReader {
 public:
  // shortcut: recognise the log reader's own bad-block rows in one pass (RdtFailRecords.h);
  // off, every line takes the general reading.
  CRdtReportReader(CResultView& view, RdtReading reading, int sectionStyle, bool shortcut = true);

  void Begin();
  void Line(std::string_view line);
  void End();

  // "[total]CE%d,CH%d:AllB=%d,OB=%d,RB=%d(SLCEB:%d/SLCPB:%d/SLCRB:%d/E:%d/P:%d/R:%d)" for
  // every CE that a "[total]" line named, in CE order.
  std::vector<std::string> SummaryLines() const;
  const std::array<RdtCeSummary, kRdtSummaryCes>& Summary() const { return m_summary; }

 private:
  bool IsSectionMarker(std::string_view line) const;
  void SectionOrTotalLine(std::string_view line, bool marker);
  void TotalLine(std::string_view line);
  void SectionData();
  void FailRecord(const RdtFailRecord& record);
  bool LaterBadPage() const { return m_reading == RdtReading::LaterBadPage; }
  bool KeepsSummary() const { return m_reading != RdtReading::RdtPageWorker; }

  CResultView& m_view;
  const RdtReading m_reading;
  const int m_style;
  const bool m_shortcut;
  std::string m_work;
  CRdtFailRecords m_records;
  RdtFailRecord m_record;  // the record of the current line, kept to spare its set-up per line

  int m_sectionRows = 0;
  int m_dataRow = 0;
  long long m_obSum = 0;
  int m_erase = 0;
  int m_program = 0;
  int m_read = 0;
  int m_earlyRow = 0;
  int m_laterRow = 0;
  // The fail boxes change with every record: they are handed to the view when the report
  // ends (and now and then on the way).
  bool m_failBoxesPending = false;
  int m_linesSinceFlush = 0;
  void FlushFailBoxes();
  std::array<RdtCeSummary, kRdtSummaryCes> m_summary{};
};

// Empties the RDT result page's lists and boxes and puts the zero rows into its CE lists (its
// worker does so before it reads the drive).
void PrepareRdtPageLists(CResultView& view);

// Reads the report at the path into the view. A report that cannot be opened is treated as
// missing: false, and the view is left as it was. summary receives the summary lines.
bool ParseRdtReport(std::string_view path, CResultView& view, int sectionStyle, RdtReading reading,
                    std::vector<std::string>* summary);
