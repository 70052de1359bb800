#pragma once
// CPropertyPage_LBResult: the later-bad result page. For the drive chosen in "Disk :" its
// worker (LaterBadResultThread) checks the controller and its running code, then reads the
// drive's RDT results when it runs its RDT firmware, or prepares it and runs the bad-block
// scan with the page's limit, and reads the slot report back. A scan-style report (kind 0,
// ParseScanReport) fills the per-plane early and later lists, the CE lists, the early and
// later bad-block lists and the count boxes; an RDT-style report (kind 1, ParseRdtReport)
// the section and CE lists, the factory and later records and the RDT boxes. The lists take
// their columns and places from the kind (FillBadBlockLists, LayoutBadBlockSummary); the two
// bad-block lists sort by a header click. "..." opens the CE map of the chosen drive.
#include <array>
#include <atomic>

#include "pages/results/LaterBadPageLayout.h"
#include "pages/results/ResultPage.h"
#include "ui/ListCtrl.h"

class CPropertyPage_LBResult : public CResultPage {
 public:
  CPropertyPage_LBResult();
  ~CPropertyPage_LBResult() override;

  void DoDataExchange(ui::CDataExchange* exchange) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  void OnSize(unsigned type, int width, int height) override;

  // "...": the CE map of the chosen drive; refused while the worker runs.
  void OnBtnCeMap();

  // Empties the lists and boxes and gives the lists the columns of the report kind.
  void FillBadBlockLists(int kind);
  // Places the lists, their labels and the count boxes for the kind, sets the column widths,
  // labels and visibility, empties the hidden report lines and forgets the chosen drive.
  void LayoutBadBlockSummary(int kind);
  // The worker's last step: the report's first marker picks the kind and the reader.
  void ReadReportBack(const std::string& reportPath);

  int ReportKind() const { return m_reportKind.load(); }
  void SetReportKind(int kind) { m_reportKind.store(kind); }
  ui::CListCtrl& List(ResultList role) { return m_lists[static_cast<std::size_t>(role)]; }

 protected:
  void SetRequest(const std::string& limitText) override;
  void ClearRequest() override;
  void RunWorker(const ResultRun& run) override;
  void LoadReport(const std::string& path) override;
  void EnableRunControls(bool enable) override;
  // Also gives the page its scan-kind columns and arrangement again, as set up.
  void EmptyResult() override;

 private:
  // The lists' columns of a scan report, with grid lines.
  void InsertScanColumns();
  // The page as set up, before any result: scan-kind columns, report kind and arrangement.
  void ArrangeForScanReport();
  // Reads a report of the kind in the section style into the page (and writes the summary of
  // an RDT report).
  void ParseReport(const std::string& path, int kind, int sectionStyle);

  std::array<ui::CListCtrl, kResultListCount> m_lists;
  std::array<ui::CEdit, 26> m_boxes;
  std::atomic<int> m_reportKind{0};
  bool m_layoutReady = false;
};

extern const ResultPageSetup kLaterBadPageSetup;

// The worker behind Show Result (on its own thread).
void LaterBadResultThread(CPropertyPage_LBResult& page, const ResultRun& run);
