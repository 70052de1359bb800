#pragma once
// CPropertyPage_RDTResult: the RDT result page (dialog 324). Its worker (RdtResultThread) reads
// and judges the chosen drive's RDT results with the page's bad-block limit, then reads the
// slot report back: the per-plane counts of the "[OB]", "[RB]" and "[RB_SLC]" sections, the
// "All Bad", "OBB" and "RBB" counts per CE and channel, the factory and later bad-block
// records with their erase, program and read counts, the RDT total time, temperature,
// firmware version and the ECC value of the drive's RDT information. Load Data reads a saved
// report the same way (ParseRdtReport) and writes its companion summary. Its lists are always
// in the RDT arrangement of the later-bad page; the two bad-block lists sort by a header click.
#include <array>

#include "pages/results/ResultPage.h"
#include "ui/ListCtrl.h"
#include "ui/Static.h"

namespace rdt_ids {
inline constexpr int kTemplate = 324;
inline constexpr int kDiskLabel = 1812;
inline constexpr int kDisk = 1519;
inline constexpr int kShowResult = 1813;
inline constexpr int kResultLabel = 1814;
inline constexpr int kStatus = 1215;
inline constexpr int kProgress = 1816;
inline constexpr int kLimitCheck = 1855;
inline constexpr int kLimit = 1844;
inline constexpr int kPerPlaneHint = 1856;
inline constexpr int kOpenFile = 1272;
inline constexpr int kLoadData = 1307;
inline constexpr int kBlockMap = 1899;
inline constexpr int kReportLines = 1815;
inline constexpr int kPerPlaneList = 1803;
inline constexpr int kCeList0 = 1827;
inline constexpr int kCeList1 = 1829;
inline constexpr int kFactoryList = 1828;
inline constexpr int kLaterList = 1830;
inline constexpr int kCeLabel = 1837;
inline constexpr int kPerPlaneLabel = 1838;
inline constexpr int kFactoryLabel = 1839;
inline constexpr int kLaterLabel = 1840;
inline constexpr int kTemperature = 1913;
inline constexpr int kFirmware = 1912;
inline constexpr int kEcc = 1879;
inline constexpr int kTotalTime = 1860;
inline constexpr int kProgramFail = 1851;
inline constexpr int kReadFail = 1852;
inline constexpr int kEraseFail = 1850;
}  // namespace rdt_ids

const ui::DialogTemplate& RdtResultPageTemplate();

class CPropertyPage_RDTResult : public CResultPage {
 public:
  CPropertyPage_RDTResult();
  ~CPropertyPage_RDTResult() override;

  void DoDataExchange(ui::CDataExchange* exchange) override;
  bool OnInitDialog() override;
  void OnSize(unsigned type, int width, int height) override;

  // The RDT arrangement: empties the hidden report lines, the status box and the "Disk :"
  // list, forgets the chosen drive, places the lists and labels and sets their column widths.
  void LayoutBadBlockSummary();

  ui::CListCtrl& List(ResultList role);

 protected:
  void SetRequest(const std::string& limitText) override;
  void ClearRequest() override;
  void RunWorker(const ResultRun& run) override;
  void LoadReport(const std::string& path) override;

 private:
  ui::CListCtrl m_channel1;
  ui::CListCtrl m_laterList;
  ui::CListCtrl m_factoryList;
  ui::CListCtrl m_channel0;
  ui::CListCtrl m_perPlane;
  std::array<ui::CEdit, 7> m_boxes;
  bool m_layoutReady = false;
};

// The worker behind Show Result (on its own thread).
void RdtResultThread(CPropertyPage_RDTResult& page, const ResultRun& run);
