#pragma once
// The bad-block limits of one RDT judgement, fixed before the special-test, baking-test and
// bad-block logs are read: from the drive's flash geometry, the limits of the run parameter
// file and a maximum bad-block percentage chosen by capacity.
#include <cstdint>
#include <string>

#include "engine/core/BadPercentSettings.h"
#include "engine/rdtlog/RdtOutput.h"

// The flash geometry that the drive's system information gave the engine.
struct RdtFlashGeometry {
  std::uint32_t blocksPerCe = 0;
  std::uint32_t diesPerCe = 0;
  std::uint32_t planes = 0;
  std::uint32_t ceCount = 0;
  std::uint32_t ceSizeExponent = 0;  // a CE holds 2^n GB
};

struct RdtBadBlockSpec {
  std::uint32_t earlyBadSpec = 0;       // floor of the all-bad limit
  std::uint32_t maxBadPercent = 0;
  std::uint32_t maxBadPerPlane = 0;     // per-plane limit of the bad-block judgement
  std::uint32_t maxAllBad = 0;
  std::uint32_t totalLaterBadSpec = 0;  // 0: no test of the total later-bad count
  std::uint32_t stlLaterBadSpec = 0;    // later-bad allowance per CE and channel, special test
  std::uint32_t btlLaterBadSpec = 0;    // the same for the baking test
};

// The keys of section Options of .\param.ini that the limits come from, with the capacity
// table of .\paramFDB.ini when the percentage is chosen by capacity.
struct RdtSpecSettings {
  int skipBadSpecByFw = 0;
  int earlyBadSpec = 0;
  std::string earlyBadSpecPercent;        // at most 4 characters
  int totalLaterBadSpec = 0;
  engine::BadPercentSettings badPercent;  // Scan_MaxBadPercent, SetSSDSize and the capacity table
  int stlLaterBadSpec = 0;
  int btlLaterBadSpec = 0;
  // The first key that is not a whole number in its range ("" none); the limits are not
  // formed then, the drive is failed rather than judged without them.
  std::string problem;

  // Reads them afresh for a drive of ceCount CEs (which names its percentage list), the
  // numbers strictly; the limits are formed from these very values.
  static RdtSpecSettings Read(std::uint32_t ceCount);
};

// The engine's choice of a maximum bad-block percentage by capacity, from the capacity table
// read with the settings.
class RdtCapacityChoice {
 public:
  virtual ~RdtCapacityChoice() = default;
  // The drive capacity in GB as the parameter files set it.
  virtual std::uint32_t CapacityGb(const engine::CapacityTable& table) = 0;
  // The maximum bad-block percentage for a capacity; 0 when the recipe gives none.
  virtual std::uint32_t MaxBadPercentFor(const engine::CapacityTable& table, std::uint32_t capacityGb) = 0;
};

// The early-bad allowance that EarlyBad_Spec_Percent gives ("2%", "2.5%", "3%", "3.5%",
// "4%" of the blocks per CE, compared at the beginning without regard to case); the
// fallback for any other text.
std::uint32_t EarlyBadSpecFromPercent(const std::string& percentText, std::uint32_t blocksPerCe,
                                      std::uint32_t fallback);

// blocks per CE x percent / 100, then divided by the dies per CE and by the planes, every
// division truncating (32-bit unsigned). A drive that reports 0 dies per CE or 0 planes has
// that count left out of the division.
std::uint32_t MaxBadPerPlaneOf(const RdtFlashGeometry& geometry, std::uint32_t percent);

// Forms the limits and writes the reasoning to the report, ending with "Read RDT Log:" and
// the "[start]" line.
RdtBadBlockSpec BuildRdtBadBlockSpec(const RdtSpecSettings& settings, const RdtFlashGeometry& geometry,
                                     RdtCapacityChoice& capacity, RdtOutput& out);

// The tool's AP version text printed in the CSV headers: "2.0a " ("%d.%02x %s" of 2, 10 and
// an empty text).
std::string RdtApVersionText();
