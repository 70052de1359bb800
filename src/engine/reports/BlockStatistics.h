#pragma once
// The block statistics text of the slot's result text: a drive's bad-block counts and its
// RDT figures as short items separated by "*". The counts come either from a
// block-information record of an RDT result or from the drive's bad-block map.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "device/records/BadBlockTable.h"
#include "engine/BlockInfoRecord.h"
#include "engine/InfoBlockFields.h"

namespace engine {

// The items of the text, bits of the item mask (CMPDevice::FormatBlockStatistics); the
// temperature item is always there.
inline constexpr std::uint32_t kStatisticsPerCeItems = 0x01;
inline constexpr std::uint32_t kStatisticsSumItems = 0x02;   // the three "OLB+RB" sums
inline constexpr std::uint32_t kStatisticsPairItems = 0x04;  // the three "OLB/RB" pairs, only without the sums
inline constexpr std::uint32_t kStatisticsRdtItems = 0x08;   // the firmware, ECC, loop and time items

// CEs the statistics walk, whatever the drive's real CE count.
inline constexpr int kStatisticsCes = 16;

// Counts are summed in 64 bits, so no sum wraps whatever the counters hold.
struct BlockStatisticsCounts {
  bool fromRecord = true;
  std::array<long long, kStatisticsCes> factoryBad{};   // OB per CE
  std::array<long long, kStatisticsCes> rdtBad{};       // RB per CE
  std::array<long long, kStatisticsCes> programFail{};  // P per CE
  long long eraseOlb = 0, eraseRb = 0;
  long long programOlb = 0, programRb = 0;
  long long readOlb = 0, readRb = 0;
  long long pureFactoryBad = 0;  // bad-block map only: blocks with no mark but factory bad
};

// From a block-information record: per CE c the four factory-bad counters of channel group
// h (0 for CEs 0-7, 1 for CEs 8-15) and the RDT-bad, erase-, program- and read-fail
// counters of that group's four planes.
BlockStatisticsCounts CountBlockInfoRecord(const BlockInfoRecord& record);

// The number of blocks of one CE whose status in the block map (kBlock* bits of the
// bad-block table) has a bit of the kind mask and, when the exclusion mask is not 0, no bit
// of the exclusion mask.
using BlockStatusCounter = std::function<long long(int ce, std::uint8_t kindMask, std::uint8_t exclusionMask)>;

// From the engine's bad-block map, through the counter.
BlockStatisticsCounts CountBlockMap(const BlockStatusCounter& count);

// Up to ten program fails are counted as read fails, for the OLB pair and the RB pair each.
// The per-CE program counts stay as they are.
void ShiftProgramToRead(BlockStatisticsCounts& counts);

// The text, with the RDT figures from the 64-byte RDT information record.
std::string FormatBlockStatisticsText(std::uint32_t itemMask, const BlockStatisticsCounts& counts,
                                      std::span<const std::uint8_t, kMpInfoBytes> rdtInfo);

}  // namespace engine
