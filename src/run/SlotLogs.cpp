// The INI-format slot logs of auto-detect runs (total, error and summary logs) and the copy
// of a log under a station-and-time name.
#include <algorithm>
#include <optional>
#include <string>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "engine/core/IniLogText.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/SlotTestTask.h"
#include "run/SummaryLog.h"
#include "run/VerdictRecords.h"

bool CSlotTestTask::WriteSlotLogs(std::uint8_t pass) {
  // One time for every log: the summary's End Time is the very value of the total log's.
  const platform::LocalTime now = platform::Now();
  const bool totals = UpdateTotalLogs(pass ? SlotLogChange::Pass : SlotLogChange::Fail, now);
  return AddDriveToSummaryLog(pass, now) && totals;
}

namespace {

// The total log's last serial number as it reads back; none when the log names no drive.
std::optional<std::string> ReadLastSerialNumber(const std::string& totalLog) {
  if (platform::ReadProfileKeyLine(totalLog, "Serial Number", "Last Serial Number") == 0) return std::nullopt;
  return platform::ReadProfileString(totalLog, "Serial Number", "Last Serial Number", "");
}

}  // namespace

bool CSlotTestTask::UpdateTotalLogs(SlotLogChange change, const platform::LocalTime& now) {
  const char* const logName = m_Kind == kTaskInit ? "Init" : m_Kind == kTaskQC ? "QC" : "Debug";
  m_TotalLogPath = platform::Format("%s\\Total_%s.log", m_LogFolder.c_str(), logName);
  m_ErrorLogPath = platform::Format("%s\\Error_%s.log", m_LogFolder.c_str(), logName);
  // The logs would be lost silently if the page had not made the folder yet.
  MakeDirectoryPath(m_LogFolder);
  const bool pass = change == SlotLogChange::Pass;
  const std::string serial = m_pDevice ? m_pDevice->m_SerialNumber : std::string();
  const std::string engineTag = m_pDevice ? m_pDevice->m_ErrorTag : std::string();
  const std::string endTime = engine::report::LogTimeText(now);

  bool written = true;
  if (change == SlotLogChange::PassTakenBack) {
    TakeBackTotalLog();
  } else {
    WriteOwedTakeBacks(m_TotalLogPath);
    const int total = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Total", 0);
    const int good = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Good", 0);
    const int bad = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Bad", 0);
    const std::string serialText = IniValueText(serial);
    const std::string totalText = platform::Format("%d", total + 1);
    const std::string goodText = platform::Format("%d", good + 1);
    const std::string badText = platform::Format("%d", bad + 1);
    // The last drive that passed names its own; the name before it is kept for a take-back.
    if (pass) m_LastSerialBeforePass = ReadLastSerialNumber(m_TotalLogPath);
    // The total log in one write: its counters, end time and last serial number.
    std::vector<platform::ProfileValue> totals{{"Total Results", "Total", totalText}};
    totals.push_back(pass ? platform::ProfileValue{"Total Results", "Good", goodText}
                          : platform::ProfileValue{"Total Results", "Bad", badText});
    totals.push_back({"Time", "End Time", endTime});
    if (pass) totals.push_back({"Serial Number", "Last Serial Number", serialText});
    written = platform::WriteProfileStrings(m_TotalLogPath, totals) || NoteLostRecord(m_TotalLogPath);
    if (written && pass) m_LastSerialOfPass = ReadLastSerialNumber(m_TotalLogPath);
  }
  if (!pass && !platform::WriteProfileString(m_ErrorLogPath, "Error List",
                                             engine::report::ErrorListKey(now, m_PortNumber, serial),
                                             platform::Format("--%s", IniValueText(engineTag).c_str()))) {
    written = NoteLostRecord(m_ErrorLogPath);
  }
  return written;
}

void CSlotTestTask::TakeBackTotalLog() {
  const std::string totalLog = m_TotalLogPath;
  const std::optional<std::string> ofPass = m_LastSerialOfPass;
  const std::optional<std::string> beforePass = m_LastSerialBeforePass;
  // The last serial number is the pass's own until a later pass names its own.
  const auto namesThePass = [totalLog, ofPass] {
    const std::optional<std::string> last = ReadLastSerialNumber(totalLog);
    return last && last == ofPass;
  };
  // The drive stays counted in Total and moves from Good to Bad, in one write with the end time
  // and the last serial number given back to the drive that passed before it.
  const auto counters = [totalLog, beforePass, namesThePass] {
    const int good = platform::ReadProfileInt(totalLog, "Total Results", "Good", 0);
    const int bad = platform::ReadProfileInt(totalLog, "Total Results", "Bad", 0);
    const std::string goodText = platform::Format("%d", std::max(0, good - 1));
    const std::string badText = platform::Format("%d", bad + 1);
    const std::string endTime = engine::report::LogTimeText(platform::Now());
    std::vector<platform::ProfileValue> totals{
        {"Total Results", "Good", goodText}, {"Total Results", "Bad", badText}, {"Time", "End Time", endTime}};
    if (beforePass && namesThePass()) totals.push_back({"Serial Number", "Last Serial Number", *beforePass});
    return platform::WriteProfileStrings(totalLog, totals);
  };
  TakeBackRecord({totalLog, "still counts the drive as good", counters});
  // Where no drive had passed before it, the log names none again.
  if (beforePass) return;
  TakeBackRecord({totalLog, "still names the drive as the last that passed", [totalLog, namesThePass] {
                    return !namesThePass() ||
                           platform::DeleteProfileKey(totalLog, "Serial Number", "Last Serial Number");
                  }});
}

std::string CSlotTestTask::StationLogCopyPath(int stationIndex) const {
  const std::string folder = StationLogFolder();
  MakeDirectoryPath(folder);
  const platform::LocalTime now = platform::Now();
  const std::string name =
      platform::Format("#%d_%s_%04d%02d%02d", m_DriveNumber, GetTestStationName(stationIndex), now.year, now.month,
                       now.day) +
      platform::Format(" %02dh%02dm%02ds%03dms", now.hour, now.minute, now.second, now.milliseconds);
  return platform::Format("%s\\%s.txt", folder.c_str(), name.c_str());
}

bool CSlotTestTask::CopyStationLog(std::string_view sourcePath, int stationIndex) {
  const std::string copy = StationLogCopyPath(stationIndex);
  return platform::CopyFile(sourcePath, copy, false) || NoteLostRecord(copy);
}

void CSlotTestTask::CopyReportToStationLog() {
  if (!m_pDevice) return;
  if (!m_pDevice->OwnsReport(m_pDevice->m_ReportFile)) {
    m_StationLogCopyDue = true;
    return;
  }
  CopyStationLog(m_pDevice->m_ReportFile, m_StationMode);
}

void CSlotTestTask::CopyFailureToStationLog() {
  m_StationLogCopyDue = false;
  if (!m_pDevice) return;
  if (m_pDevice->OwnsReport(m_pDevice->m_ReportFile)) {
    CopyStationLog(m_pDevice->m_ReportFile, m_StationMode);
    return;
  }
  const std::string copy = StationLogCopyPath(m_StationMode);
  if (!platform::WriteWholeFile(copy, m_pDevice->UnwrittenReportText())) NoteLostRecord(copy);
}
