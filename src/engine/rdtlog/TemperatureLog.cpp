#include "engine/rdtlog/TemperatureLog.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "device/records/RdtLogs.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kSensors = 6;
constexpr std::uint8_t kFirstSensorKind = 1;

std::uint8_t KindOf(const TemperatureLogRecord& record) { return record.stepAndKind & 0x0F; }
int StepOf(std::uint8_t stepAndKind) { return stepAndKind >> 4; }

// "%d:%d:%d" style texts of a time in seconds.
struct HoursMinutesSeconds {
  explicit HoursMinutesSeconds(std::uint32_t seconds)
      : hours(static_cast<int>(seconds / 3600)),
        minutes(static_cast<int>(seconds % 3600 / 60)),
        secs(static_cast<int>(seconds % 60)) {}
  int hours;
  int minutes;
  int secs;
};

const char* EnableText(bool enabled) { return enabled ? "Enable" : "Disable"; }

// Characters of a fixed field up to its first zero byte, as "%c" formatting leaves them.
std::string CharactersUpToZero(const char* chars, std::size_t count) {
  return std::string(chars, std::find(chars, chars + count, '\0'));
}

}  // namespace

TemperatureLogSummary WalkTemperatureLog(std::span<const std::uint8_t> log, bool dramOnly,
                                         CTemperatureText& temperatures, RdtOutput& out) {
  TemperatureLogSummary summary;
  std::array<std::string, kSensors> texts;
  for (std::size_t at = 0; at + sizeof(TemperatureLogRecord) <= log.size(); at += sizeof(TemperatureLogRecord)) {
    if (std::memcmp(log.data() + at, kLogEndMark, sizeof(kLogEndMark)) == 0) break;
    TemperatureLogRecord record;
    std::memcpy(&record, log.data() + at, sizeof(record));
    summary.notEmpty = true;
    ++summary.records;
    const std::uint8_t kind = KindOf(record);
    if (kind >= kFirstSensorKind && kind < kFirstSensorKind + kSensors) {
      texts[kind - kFirstSensorKind] = temperatures.Make(record.temperatureCode);
    } else if (kind == kTemperatureKindTimeStamp) {
      const std::uint32_t timeMs = static_cast<std::uint32_t>(record.value.Get());
      const int time = static_cast<int>(timeMs);
      const std::string row =
          dramOnly ? platform::Format("%d,%d,%s,%s,%s,%d", record.cycle, StepOf(record.stepAndKind),
                                      texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), time)
                   : platform::Format("%d,%d,%s,%s,%s,%s,%s,%s,%d", record.cycle, StepOf(record.stepAndKind),
                                      texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(),
                                      texts[4].c_str(), texts[5].c_str(), time);
      out.CsvLine(RdtCsv::Temperature, row + "\r\n");
      out.ReportLine(row);
      summary.maxTimeMs = std::max(summary.maxTimeMs, timeMs);
    }
  }
  return summary;
}

std::optional<MpInfo> FindRdtInfoRecord(std::span<const std::uint8_t> log) {
  constexpr std::size_t kSignatureBytes = 4;
  for (std::size_t at = 0; at + sizeof(MpInfo) <= log.size(); at += sizeof(TemperatureLogRecord)) {
    if (std::memcmp(log.data() + at, kRdtInfoSignature, kSignatureBytes) != 0) continue;
    MpInfo info;
    std::memcpy(&info, log.data() + at, sizeof(info));
    return info;
  }
  return std::nullopt;
}

std::uint8_t RdtResultCode(const MpInfo& info) { return static_cast<std::uint8_t>(info.resultWord.GetBits(0, 8)); }

void WriteRdtInfoLines(const MpInfo& info, const std::string& firmwareDate, RdtOutput& out) {
  const std::uint32_t totalSeconds = static_cast<std::uint32_t>(info.rdtTotalTime.Get());
  const HoursMinutesSeconds total(totalSeconds);
  out.ReportLine("RDT total time= " +
                 platform::Format("%d:%d:%d (h/m/s)", total.hours, total.minutes, total.secs));
  out.ReportLine(platform::Format("RDT Info_RDT ECC (XLC/SLC) = %d/%d", info.tlcEccThreshold, info.slcEccThreshold));
  const int loopFactor = (info.skipFlags & kReverseTest) != 0 ? 2 : 1;
  out.ReportLine(platform::Format("RDT Info_RDT Loop = %d/%d", info.tlcRdtLoop * loopFactor,
                                  info.slcRdtLoop * loopFactor));
  out.ReportLine(platform::Format("RDT Info_RDT Test Unit Num = %d", static_cast<int>(info.flhTestUnitNum.Get())));
  const std::uint16_t runFlags = static_cast<std::uint16_t>(info.runFlags.Get());
  out.ReportLine(platform::Format("Two Pass Program Type = %d", (runFlags & kRunFlagTwoPassProgram) != 0 ? 1 : 0));
  out.ReportLine(std::string("RDT Info_Erase Mode   = ") + EnableText((info.skipFlags & kSkipEraseTest) == 0));
  out.ReportLine(std::string("RDT Info_Program Mode = ") + EnableText((info.skipFlags & kSkipProgramTest) == 0));
  out.ReportLine(std::string("RDT Info_Read Mode    = ") + EnableText((info.skipFlags & kSkipReadTest) == 0));
  out.ReportLine(std::string("RDT Info_Read Retry   = ") + EnableText((info.skipFlags & kReadRetryTest) != 0));
  const std::uint32_t runWord = static_cast<std::uint32_t>(info.runWord.Get());
  out.ReportLine(std::string("RDT Info_ReTest       = ") + EnableText((runWord & kRunWordReTest) != 0));
  out.ReportLine(std::string("RDT Info_CacheTest    = ") + EnableText((runWord & kRunWordCacheTest) != 0));
  out.ReportLine(platform::Format("RDT Info_CE Map    = %04X", static_cast<unsigned>(info.ceBitMap.Get())));
  out.ReportLine(platform::Format("RDT_MaxTemperature = %d", info.maxTemperature));
  out.ReportLine(platform::Format("RDT_MinTemperature = %d", info.minTemperature));
  out.ReportLine(platform::Format("RDT_Temperature    = %d", info.temperature));
  out.ReportLine(platform::Format("RDT_TotalTime      = %d:%02d:%02d", total.hours, total.minutes, total.secs));
  // The version's three characters follow an unused byte at 0x32.
  constexpr std::size_t kVersionFirst = 1;
  constexpr std::size_t kVersionCharacters = 3;
  out.ReportLine("RDT_FWVersion      =" +
                 CharactersUpToZero(info.fwVersion.chars + kVersionFirst, kVersionCharacters));
  out.ReportLine("RDT_FWDate         =" + firmwareDate);
}
