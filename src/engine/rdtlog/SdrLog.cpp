#include "engine/rdtlog/SdrLog.h"

#include <cstring>

#include "device/records/RdtLogs.h"
#include "platform/Text.h"

namespace {

constexpr std::uint8_t kSdrPass = 0;
constexpr std::uint8_t kSdrFail = 1;
constexpr std::uint8_t kSdrLogEnd = 0xFF;

const char* ResultText(std::uint8_t result) {
  switch (result) {
    case kSdrPass: return "SDR Test PASS";
    case kSdrFail: return "SDR Test Failed";
    default: return "SDR Test UnKnown results";
  }
}

}  // namespace

SdrLogSummary WalkSdrLog(std::span<const std::uint8_t> log, CTemperatureText& temperatures, RdtOutput& out) {
  SdrLogSummary summary;
  for (std::size_t at = 0; at + sizeof(SdrLogRecord) <= log.size(); at += sizeof(SdrLogRecord)) {
    if (std::memcmp(log.data() + at, kSdrEndMark, sizeof(kSdrEndMark)) == 0) break;
    SdrLogRecord record;
    std::memcpy(&record, log.data() + at, sizeof(record));
    if (record.result == kSdrLogEnd) break;
    if (record.result != kSdrPass) summary.failed = true;
    const std::uint32_t timeMs = static_cast<std::uint32_t>(record.timeMs.Get());
    summary.totalTimeMs += timeMs;
    const std::string row = platform::Format("%d,%d,%s,%s,%d", record.cycle, record.step >> 4,
                                             temperatures.Make(record.temperatureCode).c_str(),
                                             ResultText(record.result), static_cast<int>(timeMs));
    out.CsvLine(RdtCsv::Ddr, row + "\r\n");
    out.ReportLine(row);
    summary.notEmpty = true;
  }
  return summary;
}
