#pragma once
// The RDT bad-block log: 32-byte slots (RdtBadBlockLogEntry) of every block that the RDT
// firmware found bad, blank slots (20 20 20 20) and an end mark (AA 55 AA 55 AA 55 AA 55),
// followed at the start of the next flash page by the ECC-bit section (CC 33 CC 33, 4-byte
// RdtEccBitRecord records in 32-byte slots, ended by 33 CC 33 CC). The walk writes the
// BadBlock and ECCBit CSV rows and the report rows, and counts every entry into the
// per-CE, per-channel and per-plane tallies that the bad-block judgement uses.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/rdtlog/RdtOutput.h"

inline constexpr std::size_t kRdtCes = 32;
inline constexpr std::size_t kRdtChannels = 4;
inline constexpr std::size_t kRdtPlanes = 4;
inline constexpr std::size_t kLateBadCes = 16;

inline constexpr const char* kBadBlockCsvColumns =
    "Fail Type,CE,Channel,Plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,Step number,"
    "Stage number,Over threshold correctable bit,Time Stamp";
inline constexpr const char* kBadBlockReportColumns =
    "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,Step number,"
    "Stage number,Over threshold correctable bit,Time Stamp";
inline constexpr const char* kEccBitCsvColumns = "CE,Physical block address,Max Error bit per block";
inline constexpr const char* kLoopMarkColumns = "Loop Mark,CE,Channel,Total_loop,Loop";

struct LaterBadCounters {
  std::uint32_t total = 0;
  std::uint32_t erase = 0;
  std::uint32_t program = 0;
  std::uint32_t readRelated = 0;
};

// What the walk counted, index [CE][channel][plane].
struct RdtBadBlockTallies {
  bool present[kRdtCes][kRdtChannels] = {};
  std::uint32_t factoryBad[kRdtCes][kRdtChannels][kRdtPlanes] = {};
  LaterBadCounters tlc[kRdtCes][kRdtChannels][kRdtPlanes] = {};
  LaterBadCounters slc[kRdtCes][kRdtChannels][kRdtPlanes] = {};
};

struct BadBlockWalkSettings {
  bool programToRead = false;   // early program fails count as read-related
  std::uint32_t pageBytes = 0;  // flash page size; 0: no ECC-bit section is looked for
  std::uint32_t planes = 0;     // the engine's plane count, which places SLC entries
};

struct BadBlockWalkResult {
  std::vector<std::uint32_t> eccValues;    // over-threshold counts above 10 and below 1,000
  std::array<std::vector<std::uint32_t>, kLateBadCes> lateBadAddresses;  // per CE 0-15
  std::uint32_t programFails = 0;          // program fails seen while ProgramtoRead applies
};

// Walks the log in its normal form. An entry's plane of 4 or more, and an SLC plane that the
// plane count cannot place below 4, are kept out of the tallies (their rows are printed).
void WalkBadBlockLog(std::span<const std::uint8_t> log, const BadBlockWalkSettings& settings,
                     RdtBadBlockTallies& tallies, BadBlockWalkResult& result, RdtOutput& out);

// Walks the log of a test that is still running: only the loop marks of the last loop
// (byte 3 equal to the total loop count) are reported; nothing is counted.
void WalkRunningBadBlockLog(std::span<const std::uint8_t> log, std::uint32_t totalLoops, RdtOutput& out);
