#pragma once
// ParseScanReport: reads the slot report of a bad-block scan (report kind 0) into the
// later-bad page: per-plane early and later counts, the per-CE all-bad, "OB + OLB" and RBB
// counts, the early and later bad-block lists, the fail counts and the count and RDT
// setting boxes. The lines are those of engine/scan/ScanReportLines.h.
//
// Each line runs through the blocks A to H in order; a block acts when the line (as read)
// holds its keys, and a block that removes blanks or words changes the working copy for the
// blocks after it:
//  A  "/Die_" without "All Bad Block Count" and "LaterBad:": a per-plane row (lists 1909 and
//     1832) and the plane sum in row "OB + OLB" of the CE lists;
//  B  "/Die_" or "All Bad Block Count": remembers the channel and CE of a per-plane line; an
//     all-bad line adds its count to the remembered CE's "All Bad";
//  C  "LaterBad:": the later plane counts of the next row of list 1832;
//  D  "Early Bad Block_" / "Later Bad Block_": RBB counts, the early list (OLB kinds left
//     out) with its count and the "OB + OLB" counts, the later list;
//  E  an "-RDT" or "-Run" erase, program or read kind: the fail boxes "RDT/Run";
//  F  the count lines; G the RDT setting lines; H the further value lines.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pages/results/ResultView.h"
#include "pages/results/ScanBadBlockLine.h"

class CScanReportReader {
 public:
  // shortcut: recognise the scan's own bad-block lines in one pass (ScanBadBlockLine.h);
  // off, every line takes the general reading.
  explicit CScanReportReader(CResultView& view, bool shortcut = true);

  // Empties the lists and the hidden list, sets the boxes and the CE rows.
  void Begin();
  void Line(std::string_view line);
  // Selects the last line of the hidden list.
  void End();

 private:
  struct BadBlockFields {
    std::string_view channel, ce, die, plane, block, address, type;
    bool typeHoldsRdt = false;  // "RDT" in the type
  };
  struct FailCounts {
    int eraseRdt = 0, programRdt = 0, readRdt = 0, eraseRun = 0, programRun = 0, readRun = 0;
  };

  void PerPlaneLine();
  void AllBadLine(bool allBadCount);
  void LaterPlaneLine();
  // Block D with the fields of the early and the later reading of the line.
  void BadBlockLine(bool early, bool later, std::uint32_t marks, const BadBlockFields& earlyFields,
                    const BadBlockFields& laterFields);
  void CountFailKind(ScanFailKind kind);
  void ValueLines(std::string_view line);
  void ShortcutLine(const EngineBadBlockLine& parsed);
  BadBlockFields ReadBadBlockFields(std::string& copy, bool early);
  // Remembers the channel and CE of the line for the all-bad lines after it; true when they
  // name a counted channel and CE.
  bool Remember(std::string_view channel, std::string_view ce);

  // A count into a row of the CE lists by the channel and CE indices (CountIndex).
  void PlaceCount(int channel, int ce, int row, long long value);
  bool CountIndex(std::string_view channel, std::string_view ce, int& channelIndex, int& ceIndex) const;

  CResultView& m_view;
  const bool m_shortcut;
  EngineBadBlockLine m_parsed;  // the one-pass reading of the current line, kept to spare its set-up per line
  std::string m_work;
  std::string m_earlyCopy;
  std::string m_laterCopy;

  // What one report's reading counts; Begin starts it afresh.
  struct Counts {
    std::uint32_t allBad[2][16] = {};
    std::uint32_t ob[2][16] = {};
    std::uint32_t rdtBad[2][16] = {};
    int perPlaneRow = 0;
    int laterPlaneRow = 0;
    int earlyRow = 0;
    int laterRow = 0;
    int earlyCount = 0;
    FailCounts fails;
  };
  Counts m_counts;
  // The count cells and boxes last written, in place of their texts: they change with almost
  // every bad-block line, so they are formatted and handed to the view when the report ends
  // (and now and then on the way), each with the value written last.
  struct PendingCounts {
    long long ceCells[2][3][9] = {};
    bool ceDirty[2][3][9] = {};
    bool earlyTotal = false;
    bool failBoxes = false;
    bool any = false;
  };
  void Flush();
  PendingCounts m_pending;
  int m_linesSinceFlush = 0;
  // The channel and CE of the last per-plane or bad-block line, as the all-bad lines count
  // them (the empty texts of the start name none).
  struct RememberedCe {
    bool counted = false;
    int channel = 0;
    int ce = 0;
  };
  RememberedCe m_remembered;
};

// Reads the report at the path (a station path text) into the view. A report that cannot be
// opened is treated as missing: false, and the view is left as it was.
bool ParseScanReport(std::string_view path, CResultView& view);
