#pragma once
// The RDT special-test log: 32-byte entries (RdtSpecialLogEntry) of the special test (STL, on
// TLC and on SLC blocks) and of the baking test (BTL), ended by a 16-byte end marker. The
// reader prints it as four sections of the slot report and judges the later-bad counts per
// CE and channel, the over-ECC entries and the ECC criteria of the TLC special test.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/rdtlog/FailingFlashList.h"
#include "engine/rdtlog/RdtOutput.h"

enum class SpecialSection { TlcSpecial, SlcSpecial, TlcBaking, SlcBaking };
inline constexpr SpecialSection kSpecialTestSections[] = {SpecialSection::TlcSpecial, SpecialSection::SlcSpecial};
inline constexpr SpecialSection kBakingTestSections[] = {SpecialSection::TlcBaking, SpecialSection::SlcBaking};

inline constexpr std::size_t kSpecialLogCes = 32;
inline constexpr std::size_t kSpecialLogChannels = 4;
inline constexpr std::size_t kMaxEccCriteriaHits = 6400;

// A TLC special-test entry whose error bits are above the criteria of its cycle.
struct EccCriteriaHit {
  std::uint32_t cycle = 0;
  std::uint32_t ce = 0;
  std::uint32_t channel = 0;
  std::uint32_t die = 0;  // always 0: the log does not name the die
  std::uint32_t plane = 0;
  std::uint32_t block = 0;
  std::uint32_t errorBits = 0;
};

using LaterBadTable = std::uint32_t[kSpecialLogCes][kSpecialLogChannels];

struct SpecialTestTallies {
  LaterBadTable specialLaterBad = {};  // TLC and SLC special test together
  LaterBadTable bakingLaterBad = {};   // TLC and SLC baking test together
  bool overEcc = false;                // a "Read correctable bit over threshold" entry
  std::vector<EccCriteriaHit> hits;    // at most kMaxEccCriteriaHits
};

const char* SpecialSectionTitle(SpecialSection section);
const char* SpecialSectionColumns(SpecialSection section);

// Walks the whole log, up to its end marker, for the entries of one section; each writes
// its row (the text that the report frames as "   %s \r\n") and then takes its effect on
// the tallies. Without a row writer no row is formatted.
void WalkSpecialSection(std::span<const std::uint8_t> log, SpecialSection section, SpecialTestTallies& tallies,
                        const std::function<void(const std::string& row)>& writeRow);

// True when an entry before the end marker is blank (its first 16 bytes all 0x00): the
// firmware left an abnormal log.
bool SpecialLogHasBlankEntry(std::span<const std::uint8_t> log);

// Checks each CE and channel of a table against an allowance; every one over it writes
// "[Error] (CENo_%d,CHNo_%d)<test> Later Bad Number(%d) over Spec(%d)" and names its flash
// package in the list. testName is "STL" or "BTL". True when one was over.
bool CheckLaterBadTable(const LaterBadTable& counts, std::uint32_t allowance, const char* testName,
                        CFailingFlashList& failing, RdtOutput& out);

// The report line of one ECC criteria hit.
std::string EccCriteriaHitLine(const EccCriteriaHit& hit);
