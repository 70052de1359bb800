#pragma once
// What the report readers change on a result page, as calls on a view: the hidden list of
// report lines, the rows and cells of the page's lists and the texts of its value boxes.
// The pages forward the calls to their controls (ResultControls.h); tests record them. A
// view may be called from the page's worker thread.
//
// Lists and boxes are named by their role on the later-bad page; the RDT result page maps
// the roles it has to its own controls and drops the others.
#include <span>
#include <string_view>

enum class ResultList {
  PerPlane,       // 1909 (RDT page 1803): per-plane counts
  LaterPerPlane,  // 1832: later bad blocks per plane (scan reports only)
  CeChannel0,     // 1833 (RDT page 1827): "Channel 0", "CE0".."CE7"
  CeChannel1,     // 1837 (RDT page 1829): "Channel 1", "CE8".."CE15"
  EarlyBad,       // 1834 (RDT page 1828): early or factory bad blocks
  LaterBad,       // 1910 (RDT page 1830): later bad blocks
};
inline constexpr int kResultListCount = 6;

enum class ResultBox {
  EraseFail,       // 1850
  ProgramFail,     // 1851
  ReadFail,        // 1852
  ObOlbCount,      // 1856
  RdtBadCount,     // 1857
  LaterBadCount,   // 1858
  GoodBlockCount,  // 1860
  RdtLoop,         // 1864
  EccXs,           // 1865 (RDT page: the ECC box 1879)
  XlcEcc,          // 1866
  CeMap,           // 1868
  MpVersion,       // 1870
  EraseMode,       // 1874
  ProgramMode,     // 1875
  MultiPlane,      // 1876
  ReadRetry,       // 1878
  SpareBlock,      // 1879
  MaxBad,          // 1880
  BbSource,        // 1882
  RdtVersion,      // 1914 (RDT page 1912)
  RdtTemperature,  // 1915 (RDT page 1913)
  RdtTotalTime,    // 1916 (RDT page 1860)
  CacheMode,       // 1917
  ReRdt,           // 1918
  LaterTotal,      // 1215, beside the later list
  EarlyTotal,      // 1216, beside the early list
};
inline constexpr int kResultBoxCount = static_cast<int>(ResultBox::EarlyTotal) + 1;

class CResultView {
 public:
  virtual ~CResultView() = default;

  // The hidden list box that holds every line of the report read last.
  virtual void ClearReportLines() = 0;
  virtual void AddReportLine(std::string_view line) = 0;
  virtual void SelectLastReportLine() = 0;
  // A line for the debugger output.
  virtual void DebugLine(std::string_view text) = 0;

  virtual void ClearRows(ResultList list) = 0;
  // Inserts a row at the index (an index past the end appends) with the cells from column 0
  // on; returns the row's index.
  virtual int InsertRow(ResultList list, int row, std::span<const std::string_view> cells) = 0;
  // Sets one cell; nothing when the row or the column does not exist.
  virtual void SetCell(ResultList list, int row, int column, std::string_view text) = 0;
  virtual void SetBox(ResultBox box, std::string_view text) = 0;
};

// Where a per-CE count goes in the CE lists: channel text "0" with CE 0-7 in the channel-0
// list at column CE + 1, channel text "1" with CE 8-15 in the channel-1 list at column
// CE - 7. The CE text is compared with the decimal texts "0" to "15"; any other channel or
// CE text places nothing.
struct CePlace {
  ResultList list = ResultList::CeChannel0;
  int column = 0;
};
bool PlaceCe(std::string_view channelText, std::string_view ceText, CePlace& place);
// The same for channel 0 or 1 and CE 0 to 15 (CeIndexOf).
bool PlaceCe(int channel, int ce, CePlace& place);

// Channel 0 or 1 and CE 0 to 15 of the texts, for the per-CE counts; false otherwise.
bool CeIndexOf(std::string_view channelText, std::string_view ceText, int& channel, int& ce);
// The CE 0 to 15 of a CE text ("0" to "15" exactly); -1 otherwise.
int CeNumberOf(std::string_view ceText);

// The three rows of both CE lists with "0" in columns 1 to 8.
void InsertCeRows(CResultView& view, std::span<const std::string_view> rowNames);
