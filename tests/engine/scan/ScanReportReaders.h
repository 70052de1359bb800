#pragma once
// The two readers of a scan report, as the result pages take the scan's lines apart: the
// later-bad page's scan-report reader (per-plane rows, CE sums, bad-block lists, count boxes)
// and the block-map dialog's reader (geometry, CEs present, one cell per bad block). They
// follow the pages' rules to the letter (the texts removed, the scan patterns, the keys), so
// a scan line that these readers cannot take would not show on the pages either.
#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace scantest {

struct PlaneRow {
  std::string channel, ce, die;
  std::vector<std::string> planes;   // as the row's cells show them
};

struct ListedBlock {
  std::string channel, ce, die, plane, block, address, kind;
};

struct ScanReportView {
  std::vector<PlaneRow> earlyRows;                  // list 1909
  std::vector<std::vector<std::string>> laterRows;  // columns 3-6 of list 1832
  std::map<std::pair<std::string, std::string>, unsigned> allBad;   // (channel, CE) -> all-bad sum
  std::map<std::pair<std::string, std::string>, unsigned> ob;       // early-list blocks without "RDT"
  std::map<std::pair<std::string, std::string>, unsigned> rbb;      // RDT bad blocks
  std::vector<ListedBlock> earlyList;               // list 1834
  std::vector<ListedBlock> laterList;               // list 1910
  std::map<std::string, std::string> boxes;         // count and value boxes by their key
  bool scanMarker = false;                          // "Get Max Bad block number Percent" seen
};

ScanReportView ReadScanReport(const std::vector<std::string>& lines);

struct BlockMapView {
  int planes = 0, dies = 0, blockCount = 0;
  std::vector<int> cesPresent;
  // (channel text, CE, block) -> cell text
  std::map<std::tuple<std::string, int, int>, std::string> cells;
};

BlockMapView ReadBlockMap(const std::vector<std::string>& lines);

}  // namespace scantest
