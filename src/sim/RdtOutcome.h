#pragma once
// What the drive's reliability-test (RDT) firmware left on the drive: its state marks, its
// information record and its four logs. A scenario names the entries it wants; what it leaves
// out is made from the drive's bad-block map (the bad-block log and its ECC-bit section) and
// from healthy defaults (the temperature and DRAM logs).
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/BadBlockMap.h"
#include "sim/FlashGeometry.h"
#include "device/records/InfoBlock.h"
#include "sim/RdtLogRecords.h"

namespace sim {

enum class RdtState { NotRun, Running, Done };

// A byte patch applied to an encoded log (the "corrupt log bytes" scenario).
enum class RdtLogKind { Temperature, Sdr, Special, BadBlock };
struct LogPatch {
  RdtLogKind log = RdtLogKind::BadBlock;
  std::uint32_t offset = 0;
  std::vector<std::uint8_t> bytes;
};

struct RdtPlan {
  RdtState state = RdtState::NotRun;
  std::uint8_t resultCode = 0;
  std::uint32_t badBlockNumber = 0;       // reported with result code 0x12
  std::uint16_t ceMap = 0;                // 0: the drive's CEs 0..15
  std::uint8_t tlcLoops = 3;
  std::uint8_t slcLoops = 5;
  std::uint8_t tlcEccThreshold = 40;
  std::uint8_t slcEccThreshold = 30;
  std::uint8_t minTemperature = 25;
  std::uint8_t maxTemperature = 70;
  std::uint8_t temperature = 45;
  std::uint32_t totalTimeSeconds = 3725;
  char firmwareVersion[4] = {'T', '0', 'B', '1'};
  std::uint8_t skipFlags = 0;             // MpInfo::skipFlags
  std::uint16_t runFlags = 0;             // MpInfo::runFlags
  std::uint32_t runWord = 0;              // MpInfo::runWord
  std::uint16_t testUnitNumber = 1;
  bool dramFail = false;                  // the default DRAM log records a failing step
  // Non-zero: the bad-block log size the system information reports instead of the log's
  // own (a drive that misreports it; a multiple of 16384).
  std::uint32_t reportedBadBlockLogBytes = 0;
  // Explicit contents; empty lists are made from defaults (see above).
  std::vector<TemperatureLogRecord> temperatureRecords;
  std::vector<SdrLogRecord> sdrRecords;
  std::vector<RdtSpecialLogEntry> specialEntries;
  std::vector<RdtBadBlockLogEntry> badBlockEntries;
  std::vector<RdtEccBitRecord> eccRecords;
  bool badBlockEntriesGiven = false;      // true: the lists above are used even when empty
  bool temperatureRecordsGiven = false;
  bool sdrRecordsGiven = false;
  std::vector<LogPatch> patches;
};

// The logs as the drive holds them, each exactly its size in the system information.
struct RdtLogs {
  std::optional<MpInfo> info;             // the RDT information record, when the RDT ran
  std::vector<std::uint8_t> temperature;
  std::vector<std::uint8_t> sdr;
  std::vector<std::uint8_t> special;
  std::vector<std::uint8_t> badBlock;
};

// The RDT information record of a plan (signature "TVRT").
MpInfo EncodeRdtInfo(const RdtPlan& plan, const FlashGeometry& geometry, std::uint16_t dbtCheckSum);

// Builds every log of a plan; a drive whose RDT never ran has empty logs.
RdtLogs BuildRdtLogs(const RdtPlan& plan, const FlashGeometry& geometry, const BadBlockMap& map,
                     std::uint16_t dbtCheckSum);

// The status byte that IDENTIFY reports at byte 282 for a state.
std::uint8_t RdtStatusMarks(RdtState state);

}  // namespace sim
