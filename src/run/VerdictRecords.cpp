// Records before verdicts: the records of a finished test are written before the report's
// END, and every one of them tells the verdict the slot shows. A record that cannot be
// written turns a pass into the lost-records failure; the records written after it say so,
// and those written before it with "Pass" are taken back.
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "engine/core/SlotReportText.h"
#include "platform/Files.h"
#include "run/PassRecord.h"
#include "run/SlotTestTask.h"
#include "run/SummaryLog.h"

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
      recorded(written.summaryLog, AddDriveToSummaryLog(verdict, now));
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
    // log folder as a failure's does, with the fail record that says why.
    if (withStationLogCopy && m_FailedForLostRecords) CopyStationLog(m_pDevice->m_ReportFile, m_StationMode);
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
  return FailTakingBack(verdict, written);
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
  if (written.summaryLog && !AddToSummaryLog(m_LogFolder, {{m_PortNumber, kPortFail, m_ErrorTag}}, platform::Now(),
                                             {{m_PortNumber, kPortPass, "0_00"}})) {
    NoteLostRecord(SummaryLogPath(m_LogFolder));
  }
  if (written.resultsList && !WriteResultsListEntry(m_ListLine, false, device.m_ErrorTag, device.m_ErrorMessage)) {
    NoteLostRecord(m_ListLine.workOrder);
  }
  if (written.summaryCsv && !TakeBackSummaryCsvRow(m_SummaryRow)) NoteLostRecord(m_SummaryRow.path);
  if (written.slotLogs) UpdateTotalLogs(SlotLogChange::PassTakenBack, platform::Now());
  if (!written.stationLogCopy.empty() && !platform::CopyFile(device.m_ReportFile, written.stationLogCopy, false)) {
    // A copy that still says PASS must not stay: without it the station's log tells nothing
    // of the drive rather than the wrong verdict.
    NoteLostRecord(written.stationLogCopy);
    platform::DeleteFile(written.stationLogCopy);
  }
}

bool CSlotTestTask::AddDriveToSummaryLog(std::uint8_t verdict, const platform::LocalTime& endTime) {
  const PortOutcome outcome{m_PortNumber, verdict != 0 ? kPortPass : kPortFail,
                            verdict != 0 ? std::string("0_00") : m_ErrorTag};
  return AddToSummaryLog(m_LogFolder, {outcome}, endTime) || NoteLostRecord(SummaryLogPath(m_LogFolder));
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
