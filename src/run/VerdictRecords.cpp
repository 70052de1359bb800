// Records before verdicts: the records of a finished test are written before the report's
// END, and every one of them tells the verdict the slot shows. A record that cannot be
// written turns a pass into the lost-records failure; the records written after it say so,
// and those written before it with "Pass" are taken back - now, or as soon as the disk takes
// the take-back (the take-backs owed, VerdictRecords.h).
#include "run/VerdictRecords.h"

#include <cerrno>
#include <list>
#include <mutex>
#include <utility>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "engine/core/SlotReportText.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "run/PassRecord.h"
#include "run/SlotTestTask.h"
#include "run/SummaryLog.h"

namespace {

struct OwedTakeBack {
  RecordTakeBack record;
  int port = 0;         // the drive's port
  std::string serial;   // the drive's serial number ("" none)
  int error = 0;        // the errno of the last attempt
};

// The take-backs owed, in the order they were owed. The lock is held while they are written,
// so that no take-back is written twice (a summary-log count would be taken back twice).
std::mutex g_owedLock;
std::list<OwedTakeBack> g_owed;

bool WriteOwedLocked(std::string_view file) {
  bool allWritten = true;
  for (auto owed = g_owed.begin(); owed != g_owed.end();) {
    if (!file.empty() && owed->record.file != file) {
      ++owed;
      continue;
    }
    if (owed->record.write()) {
      owed = g_owed.erase(owed);
      continue;
    }
    owed->error = platform::LastFileErrno();
    allWritten = false;
    ++owed;
  }
  return allWritten;
}

std::string NativePathText(const std::string& path) {
  try {
    return platform::ToNativePath(path).string();
  } catch (...) {
    return path;  // the path text as the station wrote it still names the file
  }
}

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\r\n" + line;
  return text;
}

}  // namespace

bool WriteOrOweTakeBack(RecordTakeBack takeBack, int port, std::string serial) {
  const std::lock_guard<std::mutex> guard(g_owedLock);
  WriteOwedLocked(takeBack.file);
  if (takeBack.write()) return true;
  const int error = platform::LastFileErrno();
  g_owed.push_back({std::move(takeBack), port, std::move(serial), error});
  return false;
}

bool WriteOwedTakeBacks(std::string_view file) {
  const std::lock_guard<std::mutex> guard(g_owedLock);
  return WriteOwedLocked(file);
}

std::vector<std::string> OwedTakeBackLines() {
  const std::lock_guard<std::mutex> guard(g_owedLock);
  std::vector<std::string> lines;
  for (const OwedTakeBack& owed : g_owed) {
    const std::string drive = owed.serial.empty() ? std::string() : " (" + owed.serial + ")";
    lines.push_back(platform::Format("Port %d%s: %s %s (%s)", owed.port, drive.c_str(),
                                     NativePathText(owed.record.file).c_str(), owed.record.wrong.c_str(),
                                     platform::ErrnoText(owed.error != 0 ? owed.error : EIO).c_str()));
  }
  return lines;
}

std::string OwedTakeBacksStartText() {
  return "The pass does not start: a record of a drive that failed is still wrong (it says Pass, or lacks the "
         "drive's count), and it cannot be corrected yet. Make room on the disk, then press Start again." +
         JoinedLines(OwedTakeBackLines());
}

std::string OwedTakeBacksClosingText() {
  return "These records of drives that failed are still wrong (they say Pass, or lack the drive's count), and could "
         "not be corrected; each of these drives failed:" +
         JoinedLines(OwedTakeBackLines());
}

void ForgetOwedTakeBacks() {
  const std::lock_guard<std::mutex> guard(g_owedLock);
  g_owed.clear();
}

// The records of this test that say Pass, to be taken back when the pass turns into a failure.
struct CSlotTestTask::WrittenPassRecords {
  bool summaryLog = false;
  bool resultsList = false;
  bool summaryCsv = false;
  bool slotLogs = false;
  std::string stationLogCopy;  // the report's copy in the station's log folder
};

void CSlotTestTask::BeginTestRecords() {
  m_VerdictRecorded = false;
  m_PassAfterRecords.reset();
  m_FailedForLostRecords = false;
  m_ListLine = {};
  m_SummaryRow = {};
  m_LastSerialBeforePass.reset();
  m_LastSerialOfPass.reset();
}

std::uint8_t CSlotTestTask::RecordVerdict(std::uint8_t verdict, bool withStationLogCopy) {
  m_VerdictRecorded = true;
  if (!m_pDevice) return verdict;
  WrittenPassRecords written;
  verdict = FailIfRecordsLost(verdict);
  // Notes whether a record just written said Pass; a lost one fails the drive, and the records
  // that said Pass are taken back.
  const auto recorded = [&](bool& saidPass, bool writtenWhole) {
    saidPass = writtenWhole && verdict != 0;
    verdict = FailTakingBack(verdict, written);
  };
  // A slot without a drive shows no verdict: it is listed (as the failure its flow found) but
  // not counted.
  const bool counted = verdict != 0 || m_SlotState == kPortFail;
  const platform::LocalTime now = platform::Now();
  {
    platform::CriticalSectionGuard guard(PageLock(kLockEndOfTest));
    if (m_AutoDetectRound && counted) {
      recorded(written.slotLogs, UpdateTotalLogs(verdict != 0 ? SlotLogChange::Pass : SlotLogChange::Fail, now));
    }
    if ((m_AutoDetectRound || m_CountsInSummaryLog) && counted) {
      const bool countWritten = AddDriveToSummaryLog(verdict, now);
      recorded(written.summaryLog, countWritten);
      if (!countWritten) OweSummaryLogCount();
    }
    if (!m_AutoDetectRound && m_StationMode != kStationEraseAll) {
      recorded(written.resultsList, WriteResultsList(verdict));
      if (WritesSummaryCsvRow(m_Kind, m_StationMode)) {
        recorded(written.summaryCsv, WriteSummaryCsv(m_pDevice.get(), verdict));
      }
    }
  }
  if (verdict == 0) {
    // A pass that lost a record is a failure of the station: its report goes to the station's
    // log folder as a failure's does, with the fail record that says why; so does a failure
    // copy the flow could not make from a report that is not this test's own.
    if ((withStationLogCopy && m_FailedForLostRecords) || m_StationLogCopyDue) CopyFailureToStationLog();
    return 0;
  }
  const platform::LocalTime endTime = platform::Now();
  if (withStationLogCopy) {
    written.stationLogCopy = CopyReportWithEndToStationLog(endTime);
    verdict = FailTakingBack(verdict, written);
    if (verdict == 0) return 0;
  }
  // The pass line last: nothing that can still fail the drive comes after it.
  m_pDevice->WriteReportEnd(endTime);
  verdict = FailTakingBack(verdict, written);
  // The slot shows its pass once the records it depends on are written.
  if (verdict != 0) ShowPassAfterRecords();
  return verdict;
}

std::uint8_t CSlotTestTask::FailTakingBack(std::uint8_t verdict, WrittenPassRecords& written) {
  const std::uint8_t after = FailIfRecordsLost(verdict);
  if (verdict == 0 || after != 0) return after;
  TakeBackPassRecords(written);
  written = {};
  return 0;
}

void CSlotTestTask::TakeBackPassRecords(const WrittenPassRecords& written) {
  const CMPDevice& device = *m_pDevice;
  platform::CriticalSectionGuard guard(PageLock(kLockEndOfTest));
  const int port = m_PortNumber;
  if (written.summaryLog) {
    TakeBackRecord({SummaryLogPath(m_LogFolder), "still counts the drive as a pass",
                    [folder = m_LogFolder, port, tag = m_ErrorTag] {
                      return AddToSummaryLog(folder, {{port, kPortFail, tag}}, platform::Now(),
                                             {{port, kPortPass, "0_00"}});
                    }});
  }
  if (written.resultsList) {
    TakeBackRecord(ResultsListLineTakeBack(m_ListLine, device.m_ErrorTag, device.m_ErrorMessage));
  }
  if (written.summaryCsv) TakeBackRecord(SummaryCsvRowTakeBack(m_SummaryRow));
  if (written.slotLogs) UpdateTotalLogs(SlotLogChange::PassTakenBack, platform::Now());
  if (!written.stationLogCopy.empty() && !platform::CopyFile(device.m_ReportFile, written.stationLogCopy, false)) {
    // A copy that still says PASS must not stay: without it the station's log tells nothing
    // of the drive rather than the wrong verdict.
    NoteLostRecord(written.stationLogCopy);
    TakeBackRecord({written.stationLogCopy, "is a copy of the drive's report that still says PASS",
                    [copy = written.stationLogCopy] {
                      return !platform::FileExists(copy) || platform::DeleteFile(copy);
                    }});
  }
}

void CSlotTestTask::TakeBackRecord(RecordTakeBack takeBack) {
  const std::string file = takeBack.file;
  const std::string serial = m_pDevice ? m_pDevice->RecordedSerial() : std::string();
  if (!WriteOrOweTakeBack(std::move(takeBack), m_PortNumber, serial)) NoteLostRecord(file);
}

bool CSlotTestTask::AddDriveToSummaryLog(std::uint8_t verdict, const platform::LocalTime& endTime) {
  WriteOwedTakeBacks(SummaryLogPath(m_LogFolder));
  const PortOutcome outcome{m_PortNumber, verdict != 0 ? kPortPass : kPortFail,
                            verdict != 0 ? std::string("0_00") : m_ErrorTag};
  return AddToSummaryLog(m_LogFolder, {outcome}, endTime) || NoteLostRecord(SummaryLogPath(m_LogFolder));
}

void CSlotTestTask::OweSummaryLogCount() {
  // The cell shows the lost-records failure now (FailTakingBack): that is what is counted.
  TakeBackRecord({SummaryLogPath(m_LogFolder), "still lacks the drive's count",
                  [folder = m_LogFolder, port = m_PortNumber, tag = m_ErrorTag] {
                    return AddToSummaryLog(folder, {{port, kPortFail, tag}}, platform::Now());
                  }});
}

std::string CSlotTestTask::CopyReportWithEndToStationLog(const platform::LocalTime& endTime) {
  const std::string copy = StationLogCopyPath(m_StationMode);
  const std::optional<std::string> report = platform::ReadWholeFile(m_pDevice->m_ReportFile);
  if (!report || !platform::WriteWholeFile(copy, *report + engine::report::EndText(endTime))) {
    NoteLostRecord(copy);
    return {};
  }
  return copy;
}
