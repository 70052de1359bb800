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
  const bool takenBack = change == SlotLogChange::PassTakenBack;
  const std::string serial = m_pDevice ? m_pDevice->m_SerialNumber : std::string();
  const std::string engineTag = m_pDevice ? m_pDevice->m_ErrorTag : std::string();

  const int total = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Total", 0);
  const int good = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Good", 0);
  const int bad = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Bad", 0);
  const std::string endTime = engine::report::LogTimeText(now);
  const std::string serialText = IniValueText(serial);
  const std::string totalText = platform::Format("%d", total + 1);
  const std::string goodText = platform::Format("%d", pass ? good + 1 : std::max(0, good - 1));
  const std::string badText = platform::Format("%d", bad + 1);
  // The last drive that passed: a pass names its own; a pass taken back gives the name back to
  // the drive before it, unless a later pass has named its own since.
  const std::optional<std::string> lastSerial = ReadLastSerialNumber(m_TotalLogPath);
  if (pass) m_LastSerialBeforePass = lastSerial;
  const bool giveBack = takenBack && lastSerial && lastSerial == m_LastSerialOfPass;
  // The total log in one write: its counters, end time and last serial number. A pass taken
  // back stays counted in Total and moves from Good to Bad.
  std::vector<platform::ProfileValue> totals;
  if (!takenBack) totals.push_back({"Total Results", "Total", totalText});
  if (pass || takenBack) totals.push_back({"Total Results", "Good", goodText});
  if (!pass) totals.push_back({"Total Results", "Bad", badText});
  totals.push_back({"Time", "End Time", endTime});
  if (pass) totals.push_back({"Serial Number", "Last Serial Number", serialText});
  if (giveBack && m_LastSerialBeforePass) totals.push_back({"Serial Number", "Last Serial Number", *m_LastSerialBeforePass});

  bool written = platform::WriteProfileStrings(m_TotalLogPath, totals) || NoteLostRecord(m_TotalLogPath);
  if (written && pass) m_LastSerialOfPass = ReadLastSerialNumber(m_TotalLogPath);
  if (written && giveBack && !m_LastSerialBeforePass &&
      !platform::DeleteProfileKey(m_TotalLogPath, "Serial Number", "Last Serial Number")) {
    written = NoteLostRecord(m_TotalLogPath);
  }
  if (!pass && !platform::WriteProfileString(m_ErrorLogPath, "Error List",
                                             engine::report::ErrorListKey(now, m_PortNumber, serial),
                                             platform::Format("--%s", IniValueText(engineTag).c_str()))) {
    written = NoteLostRecord(m_ErrorLogPath);
  }
  return written;
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
