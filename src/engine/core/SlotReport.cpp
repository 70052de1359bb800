// The slot report, its temporary twin, the fail record with its copies, and the log paths.
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "engine/core/IniLogText.h"
#include "engine/core/SlotReportText.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

constexpr std::string_view kStartText = "START";
constexpr std::string_view kEndText = "END";

// The folder part of a path text ("" when it has none).
std::string FolderOf(const std::string& path) {
  const auto at = path.find_last_of("\\/");
  return at == std::string::npos ? std::string() : path.substr(0, at);
}

void MakeFolderOf(const std::string& path) {
  const std::string folder = FolderOf(path);
  if (!folder.empty()) MakeDirectoryPath(folder);
}

}  // namespace

std::string CMPDevice::SlotReportPath() const {
  if (m_ReportFolder.empty()) return {};
  return m_ReportFolder + platform::Format("%s_%d_Report.txt", m_ReportName.c_str(), m_SlotNumber);
}

std::string CMPDevice::TempReportPath() const {
  if (m_ReportFolder.empty()) return {};
  return m_ReportFolder + platform::Format("%s_%d_Report_Temp.txt", m_ReportName.c_str(), m_SlotNumber);
}

void CMPDevice::NoteRecordWriteFailure(std::string_view path, int error) {
  if (error == 0) error = platform::LastFileErrno();
  if (error == 0) error = EIO;
  const std::string text = engine::report::LostRecordText(path, error);
  platform::DebugOutput(text + "\r\n");
  if (m_RecordFailureText.empty()) m_RecordFailureText = text;
}

bool CMPDevice::ReportUnstarted(const std::string& path) const {
  return std::find(m_UnstartedReports.begin(), m_UnstartedReports.end(), path) != m_UnstartedReports.end();
}

bool CMPDevice::OwnsReport(const std::string& path) const {
  return !path.empty() && std::find(m_OwnReports.begin(), m_OwnReports.end(), path) != m_OwnReports.end();
}

bool CMPDevice::AppendToReport(const std::string& path, std::string_view text, MissingReport missing) {
  if (path.empty() || ReportUnstarted(path)) return false;
  if (m_LogFile.AppendText(path, text) == 0) return true;
  if (platform::LastFileErrno() == ENOENT) {
    if (missing == MissingReport::Drop) return false;
    // A line before "START" (or after the report was removed): start the file rather than lose it.
    MakeFolderOf(path);
    if (platform::AppendToFile(path, text, true)) {
      if (!OwnsReport(path)) m_OwnReports.push_back(path);
      platform::DebugOutput(text);
      return true;
    }
  }
  NoteRecordWriteFailure(path);
  return false;
}

void CMPDevice::WriteLineTo(const std::string& path, std::string_view text, std::uint8_t plain) {
  if (path.empty()) return;
  const platform::LocalTime now = platform::Now();
  if (text == kStartText) {
    engine::report::SlotFacts facts;
    facts.slot = m_SlotNumber;
    facts.driveNumber = m_DriveNumber;
    facts.station = GetTestStationName(m_StationIndex);
    facts.host = m_ReportName;
    const std::string banner = engine::report::BannerText(facts, now);
    std::erase(m_UnstartedReports, path);
    std::erase(m_OwnReports, path);
    // The earlier report stays where it is, whole; this run's lines stay out of it.
    const auto unstarted = [&] {
      m_UnstartedReports.push_back(path);
      if (path == SlotReportPath()) m_UnwrittenBanner = banner;
    };
    if (m_KeepEarlierReports && path == SlotReportPath() && !MoveEarlierReportAside(path, now)) {
      unstarted();
      return;
    }
    // The banner replaces the file, which is then held for the lines that follow. The
    // report's folder is made when the banner finds it missing (ENOENT: whichever code it
    // got, since another slot may have made the folder in the meantime).
    bool written = m_LogFile.ReplaceText(path, banner) == 0;
    if (!written && platform::LastFileErrno() == ENOENT) {
      MakeFolderOf(path);
      written = m_LogFile.ReplaceText(path, banner) == 0;
    }
    if (written) {
      m_OwnReports.push_back(path);
      platform::DebugOutput(banner);
    } else {
      // The file still holds an earlier run (or nothing): this run's lines stay out of it.
      NoteRecordWriteFailure(path);
      unstarted();
    }
    return;
  }
  if (text == kEndText) {
    WriteEndTo(path, now);
    return;
  }
  AppendToReport(path, plain ? engine::report::PlainLineText(text) : engine::report::SuccessLineText(text),
                 MissingReport::Start);
}

bool CMPDevice::WriteEndTo(const std::string& path, const platform::LocalTime& time) {
  // The end line carries "Result : PASS": a run whose records were lost is no pass, and its
  // task writes the failure instead.
  if (path.empty() || RecordsFailed()) return false;
  return AppendToReport(path, engine::report::EndText(time), MissingReport::Start);
}

bool CMPDevice::WriteReportEnd(const platform::LocalTime& time) {
  m_ReportFile = SlotReportPath();
  return WriteEndTo(m_ReportFile, time);
}

bool CMPDevice::MoveEarlierReportAside(const std::string& path, const platform::LocalTime& now) {
  if (!platform::FileExists(path)) return true;
  const std::string folder = m_ReportFolder + "Earlier";
  MakeDirectoryPath(folder);
  const std::string aside =
      folder + platform::Format("\\%s_%d_Report_%04d%02d%02d_%02d%02d%02d_%03d.txt", m_ReportName.c_str(), m_SlotNumber,
                                now.year, now.month, now.day, now.hour, now.minute, now.second, now.milliseconds);
  if (platform::MoveFile(path, aside, false)) return true;
  NoteRecordWriteFailure(aside);
  return false;
}

void CMPDevice::WriteReportLine(std::string_view text, std::uint8_t plain) {
  m_ReportFile = SlotReportPath();
  WriteLineTo(m_ReportFile, text, plain);
}

void CMPDevice::WriteTempReportLine(std::string_view text, std::uint8_t plain, std::string_view path) {
  WriteLineTo(path.empty() ? TempReportPath() : std::string(path), text, plain);
}

std::string CMPDevice::FailRecordAt(const platform::LocalTime& time) const {
  return engine::report::FailRecordText(m_ErrorTag, ErrorTagToCode(m_ErrorTag), m_ErrorMessage, m_SerialNumber,
                                        m_SlotNumber, time);
}

std::string CMPDevice::UnwrittenReportText() const { return m_UnwrittenBanner + FailRecordAt(platform::Now()); }

void CMPDevice::WriteFailReport() {
  const platform::LocalTime now = platform::Now();
  const std::string record = FailRecordAt(now);
  const std::string report = SlotReportPath();
  if (report.empty()) {
    platform::DebugOutput(record);
    return;
  }
  m_ReportFile = report;
  // The copy of the report as it stands at the failure, in the log folder's Fail_Log folder;
  // only a report that holds this run and its fail record is copied.
  if (AppendToReport(report, record, MissingReport::Start) && OwnsReport(report) && !m_LogFolder.empty()) {
    const std::string copy = FailLogCopyPath();
    if (!CopyReportToFailLog(report, copy)) NoteRecordWriteFailure(copy);
  }
  // The error log of SetLogFileNames: one entry per failure, "--tag:message".
  if (!m_ErrorLogPath.empty()) {
    std::string message = m_ErrorMessage;
    for (char& c : message) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    if (!platform::WriteProfileString(m_ErrorLogPath, "Error List",
                                      engine::report::ErrorListKey(now, m_SlotNumber, m_SerialNumber),
                                      platform::Format("--%s:%s", m_ErrorTag.c_str(), message.c_str()))) {
      NoteRecordWriteFailure(m_ErrorLogPath);
    }
  }
}

std::string CMPDevice::FailLogCopyPath() const {
  if (m_LogFolder.empty()) return {};
  return m_LogFolder + platform::Format("\\Fail_Log\\%s_%d_Report.txt", m_ReportName.c_str(), m_SlotNumber);
}

bool CMPDevice::CopyReportToFailLog(std::string_view report, std::string_view copy) {
  const std::string folder = FolderOf(std::string(copy));
  if (!folder.empty()) MakeDirectoryPath(folder);
  return platform::CopyFile(report, copy, false);
}

void CMPDevice::SetLogFileNames(int stationIndex) {
  m_StationIndex = stationIndex;
  const bool initLogs = m_TaskKind == 1 || m_TaskKind == 4;
  m_TotalLogPath = m_LogFolder + (initLogs ? "\\Total_Init.log" : "\\Total_Debug.log");
  m_ErrorLogPath = m_LogFolder + (initLogs ? "\\Error_Init.log" : "\\Error_Debug.log");
}

std::uint8_t CMPDevice::SaveBufferToFile(std::string_view path, const std::uint8_t* buffer, std::size_t length) {
  const std::string text(path);
  if (text.empty() || (buffer == nullptr && length != 0)) {
    return Fail("A_x08", platform::Format("Open saving file-%s Failed", text.c_str()));
  }
  const std::string native = platform::ToNativePath(text).string();
  std::FILE* file = std::fopen(native.c_str(), "wb");
  if (file == nullptr) return Fail("A_x08", platform::Format("Open saving file-%s Failed", text.c_str()));
  const bool written = length == 0 || std::fwrite(buffer, 1, length, file) == length;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return Fail("A_x08", platform::Format("Write saving file-%s Failed", text.c_str()));
  return 1;
}
