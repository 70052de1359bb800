#pragma once
// "<log folder>\_Summary.log": the end time of the latest run that wrote to the folder and
// counters over all of them: [Results] Pass and TotalErrorCount, and in [ErrorList] one
// counter per failing tag. A slot task of an auto-detect run adds its drive when it ends; the
// production page adds the ports of a pass when the pass ends.
#include <string>
#include <vector>

// How a port ended, from its port state and result text.
struct PortOutcome {
  int port = 0;
  int state = -1;          // the port state (1 pass, 0 fail, anything else not counted)
  std::string resultText;  // the failing tag, "0_00" on a pass
};

// Writes [Time] End Time (now) and counts the outcomes. Ports that neither passed nor failed
// (no drive in the slot, no flow run) are not counted; a failure without a tag has no counter
// of its own (an empty key cannot be written). Line breaks and "=" of a tag become "_".
void AddToSummaryLog(const std::string& logFolder, const std::vector<PortOutcome>& outcomes);
