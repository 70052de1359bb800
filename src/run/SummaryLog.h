#pragma once
// "<log folder>\_Summary.log": the end time of the latest run that wrote to the folder and
// counters over all of them: [Results] Pass and TotalErrorCount, and in [ErrorList] one
// counter per failing tag. A slot task of an auto-detect run adds its drive when it ends; the
// production page adds the ports of a pass when the pass ends.
#include <string>
#include <vector>

#include "platform/Clock.h"

// How a port ended, from its port state and result text.
struct PortOutcome {
  int port = 0;
  int state = -1;          // the port state (1 pass, 0 fail, anything else not counted)
  std::string resultText;  // the failing tag, "0_00" on a pass
};

// The summary log of a log folder (a station path text): "<folder>\_Summary.log", with the
// "\" the folder lacks.
std::string SummaryLogPath(const std::string& logFolder);

// Writes [Time] End Time (the given time, the very value the caller wrote elsewhere) and
// counts the outcomes, all in one replacement of the file: false, and the file as it was,
// when it cannot be written. Ports that neither passed nor failed (no drive in the slot, no
// flow run) are not counted; a failure without a tag has no counter of its own (an empty key
// cannot be written). Line breaks and "=" of a tag become "_". The outcomes of `withdrawn`
// are taken out of their counters in the same replacement (a pass counted before one of the
// drive's records was lost); no counter goes below 0.
bool AddToSummaryLog(const std::string& logFolder, const std::vector<PortOutcome>& outcomes,
                     const platform::LocalTime& endTime, const std::vector<PortOutcome>& withdrawn = {});
