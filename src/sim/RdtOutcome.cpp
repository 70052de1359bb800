#include "sim/RdtOutcome.h"

#include <algorithm>
#include <cstring>

#include "sim/BadBlockTableRecords.h"
#include "sim/IdentifyRecord.h"
#include "sim/SystemInfoRecord.h"

namespace sim {

namespace {

constexpr std::uint32_t kLoopTimeMs = 600000;
constexpr std::uint32_t kSdrStepTimeMs = 5000;
constexpr unsigned kTemperatureSensors = 6;

std::uint32_t RoundUp(std::size_t bytes, std::uint32_t unit) {
  return static_cast<std::uint32_t>((bytes + unit - 1) / unit * unit);
}

// Temperature code of a whole number of degrees: 0 "<-35", (code - 4) x 10 degrees, 16 ">110".
std::uint8_t TemperatureCode(int degrees) {
  if (degrees < -35) return 0;
  if (degrees > 110) return 16;
  return static_cast<std::uint8_t>(std::clamp((degrees + 5) / 10 + 4, 1, 15));
}

std::vector<TemperatureLogRecord> DefaultTemperatureRecords(const RdtPlan& plan) {
  std::vector<TemperatureLogRecord> records;
  for (unsigned cycle = 1; cycle <= plan.tlcLoops; ++cycle) {
    for (unsigned sensor = 1; sensor <= kTemperatureSensors; ++sensor) {
      TemperatureLogRecord record{};
      record.cycle = static_cast<std::uint8_t>(cycle);
      record.stepAndKind = static_cast<std::uint8_t>((1 << 4) | sensor);
      record.temperatureCode = TemperatureCode(plan.temperature);
      records.push_back(record);
    }
    TemperatureLogRecord stamp{};
    stamp.cycle = static_cast<std::uint8_t>(cycle);
    stamp.stepAndKind = static_cast<std::uint8_t>((1 << 4) | kTemperatureKindTimeStamp);
    stamp.value.Set(cycle * kLoopTimeMs);
    records.push_back(stamp);
  }
  return records;
}

std::vector<SdrLogRecord> DefaultSdrRecords(const RdtPlan& plan) {
  std::vector<SdrLogRecord> records;
  for (unsigned step = 1; step <= 3; ++step) {
    SdrLogRecord record{};
    record.result = (plan.dramFail && step == 2) ? 1 : 0;
    record.cycle = 1;
    record.step = static_cast<std::uint8_t>(step << 4);
    record.temperatureCode = TemperatureCode(plan.temperature);
    record.timeMs.Set(kSdrStepTimeMs);
    records.push_back(record);
  }
  return records;
}

std::uint8_t FailTypeOf(std::uint8_t status) {
  if (status & kBlockFactoryBad) return kBadBlockFactory;
  if (status & kBlockEraseFail) return kBadBlockErase;
  if (status & kBlockProgramFail) return kBadBlockProgram;
  return kBadBlockReadUncorrectable;
}

// Stage of a failure: 1 Erase, 2 Program, 3 Post Read.
std::uint8_t StageOf(std::uint8_t failType) {
  switch (failType) {
    case kBadBlockErase: return 1;
    case kBadBlockProgram: return 2;
    default: return 3;
  }
}

std::uint8_t TotalLoops(const RdtPlan& plan) {
  return static_cast<std::uint8_t>(plan.tlcLoops + plan.slcLoops);
}

// One entry per bad block of the map, and in a running test one loop mark per CE and loop
// completed so far.
void DefaultBadBlockEntries(const RdtPlan& plan, const FlashGeometry& geometry, const BadBlockMap& map,
                            std::vector<RdtBadBlockLogEntry>& entries, std::vector<RdtEccBitRecord>& ecc) {
  std::uint32_t stamp = 0;
  for (unsigned slot = 0; slot < map.CeSlots(); ++slot) {
    const unsigned ce = geometry.CeOfSlot(slot);
    if (ce >= 32 || ((geometry.ceMap >> ce) & 1) == 0) continue;
    if (plan.state == RdtState::Running) {
      for (unsigned loop = 1; loop < TotalLoops(plan); ++loop) {
        RdtBadBlockLogEntry mark{};
        mark.failType = kBadBlockLoopMark;
        mark.ce = static_cast<std::uint8_t>(ce);
        mark.channel = static_cast<std::uint8_t>(ChannelOfCe(ce));
        mark.totalLoop = TotalLoops(plan);
        mark.runLoop = static_cast<std::uint8_t>(loop);
        entries.push_back(mark);
      }
      continue;
    }
    const auto statuses = map.SlotStatuses(slot);
    for (std::uint32_t block = 0; block < statuses.size(); ++block) {
      if (statuses[block] == 0) continue;
      RdtBadBlockLogEntry entry{};
      entry.failType = FailTypeOf(statuses[block]);
      entry.ce = static_cast<std::uint8_t>(ce);
      entry.channel = static_cast<std::uint8_t>(ChannelOfCe(ce));
      entry.totalLoop = TotalLoops(plan);
      entry.block.Set(block);
      entry.runLoop = entry.failType == kBadBlockFactory ? 0 : 1;
      entry.runCycle = entry.runLoop;
      entry.stepAndStage = static_cast<std::uint8_t>((1 << 4) | StageOf(entry.failType));
      entry.timeStamp.Set(stamp += 100);
      entry.plane = static_cast<std::uint8_t>(geometry.planes == 0 ? 0 : block % geometry.planes);
      entries.push_back(entry);
      if (entry.failType != kBadBlockFactory) {
        RdtEccBitRecord record{};
        record.ce = static_cast<std::uint8_t>(ce);
        record.maxErrorBits = static_cast<std::uint8_t>(20 + block % 20);
        record.block.Set(block);
        ecc.push_back(record);
      }
    }
  }
}

void ApplyPatches(const std::vector<LogPatch>& patches, RdtLogKind kind, std::vector<std::uint8_t>& log) {
  for (const auto& patch : patches) {
    if (patch.log != kind) continue;
    for (std::size_t i = 0; i < patch.bytes.size(); ++i) {
      const std::size_t at = static_cast<std::size_t>(patch.offset) + i;
      if (at < log.size()) log[at] = patch.bytes[i];
    }
  }
}

}  // namespace

std::uint8_t RdtStatusMarks(RdtState state) {
  switch (state) {
    case RdtState::Running: return kRdtStartMarkBit;
    case RdtState::Done: return kRdtStartMarkBit | kRdtEndMarkBit;
    default: return 0;
  }
}

MpInfo EncodeRdtInfo(const RdtPlan& plan, const FlashGeometry& geometry, std::uint16_t dbtCheckSum) {
  MpInfo info;
  std::memset(&info, 0, sizeof(info));
  info.signature.Set(kRdtInfoSignature);
  info.resultWord.Set(plan.resultCode);
  info.errorWord.SetBits(8, 24, plan.badBlockNumber);
  info.runFlags.Set(plan.runFlags);
  info.runWord.Set(plan.runWord);
  info.ceBitMap.Set(plan.ceMap != 0 ? plan.ceMap : static_cast<std::uint16_t>(geometry.ceMap & 0xFFFF));
  info.dbtCheckSum.Set(dbtCheckSum);
  info.skipFlags = plan.skipFlags;
  info.flhTestUnitNum.Set(plan.testUnitNumber);
  info.minTemperature = plan.minTemperature;
  info.maxTemperature = plan.maxTemperature;
  info.temperature = plan.temperature;
  std::memcpy(info.fwVersion.chars, plan.firmwareVersion, sizeof(plan.firmwareVersion));
  info.slcRdtLoop = plan.slcLoops;
  info.tlcRdtLoop = plan.tlcLoops;
  info.slcEccThreshold = plan.slcEccThreshold;
  info.tlcEccThreshold = plan.tlcEccThreshold;
  info.rdtTotalTime.Set(plan.totalTimeSeconds);
  return info;
}

RdtLogs BuildRdtLogs(const RdtPlan& plan, const FlashGeometry& geometry, const BadBlockMap& map,
                     std::uint16_t dbtCheckSum) {
  RdtLogs logs;
  if (plan.state == RdtState::NotRun) return logs;
  if (plan.state == RdtState::Done) logs.info = EncodeRdtInfo(plan, geometry, dbtCheckSum);

  const auto temperature = plan.temperatureRecordsGiven ? plan.temperatureRecords : DefaultTemperatureRecords(plan);
  logs.temperature = EncodeTemperatureLog(
      temperature, logs.info,
      RoundUp(TemperatureLogBytesNeeded(temperature.size(), logs.info.has_value()), 512));

  const auto sdr = plan.sdrRecordsGiven ? plan.sdrRecords : DefaultSdrRecords(plan);
  logs.sdr = EncodeSdrLog(sdr, RoundUp(SdrLogBytesNeeded(sdr.size()), 512));

  if (!plan.specialEntries.empty()) {
    logs.special = EncodeSpecialLog(plan.specialEntries,
                                    RoundUp(SpecialLogBytesNeeded(plan.specialEntries.size()), kLargeLogUnitBytes));
  }

  std::vector<RdtBadBlockLogEntry> entries = plan.badBlockEntries;
  std::vector<RdtEccBitRecord> ecc = plan.eccRecords;
  if (!plan.badBlockEntriesGiven) DefaultBadBlockEntries(plan, geometry, map, entries, ecc);
  const std::uint32_t pageBytes = geometry.pageSectors * 512;
  logs.badBlock = EncodeBadBlockLog(
      entries, ecc, pageBytes,
      RoundUp(BadBlockLogBytesNeeded(entries.size(), ecc.size(), pageBytes), kLargeLogUnitBytes));

  ApplyPatches(plan.patches, RdtLogKind::Temperature, logs.temperature);
  ApplyPatches(plan.patches, RdtLogKind::Sdr, logs.sdr);
  ApplyPatches(plan.patches, RdtLogKind::Special, logs.special);
  ApplyPatches(plan.patches, RdtLogKind::BadBlock, logs.badBlock);
  return logs;
}

}  // namespace sim
