#include "engine/rdtlog/RdtLogTestSupport.h"

#include <cstring>

namespace rdtlogtest {

RdtBadBlockLogEntry BadBlock::Entry() const {
  RdtBadBlockLogEntry entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.failType = type;
  entry.ce = ce;
  entry.channel = channel;
  entry.totalLoop = totalLoop;
  entry.block.Set(block);
  entry.page.Set(page);
  entry.runLoop = runLoop;
  entry.runCycle = runCycle;
  entry.stepAndStage = stepAndStage;
  entry.overThresholdBits.Set(overBits);
  entry.timeStamp.Set(timeStamp);
  entry.slcMode = slc;
  entry.plane = plane;
  return entry;
}

RdtSpecialLogEntry Special::Entry() const {
  RdtSpecialLogEntry entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.failureType = type;
  entry.ce = ce;
  entry.channel = channel;
  entry.plane = plane;
  entry.block.Set(block);
  entry.page.Set(page);
  entry.temperature = temperature;
  entry.retryCount = retry;
  entry.cellMode = cellMode;
  entry.rawBitErrors.Set(rawBits);
  entry.logKind = kind;
  entry.maxProgramTimeUs.Set(programTimeUs);
  entry.cycle.Set(cycle);
  return entry;
}

std::vector<std::uint8_t> EndMarkSlot() {
  std::vector<std::uint8_t> slot(sizeof(RdtBadBlockLogEntry), 0);
  std::memcpy(slot.data(), kLogEndMark, sizeof(kLogEndMark));
  return slot;
}

}  // namespace rdtlogtest
