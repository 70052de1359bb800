#pragma once
// The RDT bad-block judgement: with the tallies of the bad-block log it writes the per-CE
// and per-channel counts ("[OB]", "[RB]", "[RB_SLC]", "[total] CE_") to the slot report and
// the "[total]CE" summary lines to the temporary report, which the result pages read back,
// stores the counts in the block-information record and checks every plane against the
// per-plane limit.
#include <cstdint>
#include <string>

#include "engine/BlockInfoRecord.h"
#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/RdtBadBlockSpec.h"
#include "engine/rdtlog/RdtLimitRequest.h"
#include "engine/rdtlog/RdtOutput.h"

struct BadBlockJudgementInputs {
  const RdtBadBlockTallies* tallies = nullptr;
  std::uint32_t maxAllBad = 0;
  std::uint32_t maxBadPerPlane = 0;     // 0: no plane is tested
  RdtFlashGeometry geometry;            // planes, blocks per CE and dies per CE are used
  std::uint64_t ceMap = 0;              // the 64-bit CE map of the system information
  bool ceNumberedByMap = false;         // the CE-numbering flag
  RdtLimitRequest* request = nullptr;   // the RDT result page's limit, or none
  BlockInfoRecord* blockInfo = nullptr; // or none
};

struct BadBlockJudgement {
  bool failing = false;           // a plane is over its limit
  std::string failingFlash;       // "[F0,2]" style list of packages to replace, or empty
  std::uint32_t totalLaterBad = 0;
};

BadBlockJudgement JudgeRdtBadBlocks(const BadBlockJudgementInputs& inputs, RdtOutput& out);

// The CE number printed for CE index 0-31 and whether the index is visited. previous is the
// number printed for the index before (a map with fewer set bits keeps it).
struct PrintedCe {
  bool visited = false;
  std::uint32_t number = 0;
};
PrintedCe PrintedCeOf(std::uint32_t index, std::uint64_t ceMap, bool ceNumberedByMap, std::uint32_t previous);
