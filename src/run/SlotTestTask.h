#pragma once
// CSlotTestTask: the unit of work of a production run, one task per port and pass. On a pool
// worker, Run creates the port's engine object, marks the slot "Testing", runs the station
// flow that the task kind and the station mode choose, records the verdict (results list and
// Summary.csv, or in auto-detect runs the slot logs), powers the slot off, deletes the engine
// object and deletes the task. No exception leaves Run.
//
// Records before verdicts: every record the task and its engine write for the drive (slot
// report, fail record and its copies, slot logs, results list, Summary.csv, block-information
// file) reports failure; a lost record is noted on the engine object, and a slot whose records
// are not all written ends failed with engine::kRecordWriteFailedTag and the message naming
// the file and the reason. It never shows "Pass"; the operator is told once per pass.
//
// The task writes only its own port's elements of the shared per-port data (status cell,
// progress bar, port state, result code and result text). Lock 0 of the page's lock array
// serialises the end-of-test records of all slots; lock 2 guards serial-number hand-out and
// info-block rewrites in the flows.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/BlockInfoRecord.h"
#include "platform/Clock.h"
#include "platform/Sync.h"
#include "run/FlowDispatch.h"
#include "run/PassRecord.h"
#include "run/ResultsList.h"
#include "run/RunGlobals.h"
#include "run/SharedText.h"
#include "run/VerdictRecords.h"
#include "run/WorkerPool.h"

class CColorEdit;
class CMPDevice;
namespace ui {
class CButton;
class CProgressCtrl;
class CWnd;
}  // namespace ui

// The page's per-port critical sections (recursive), its result codes (one per slot 1..48;
// the production page uses the first 24) and the lock roles.
using PortLocks = std::array<platform::CriticalSection, kPortCount>;
using PortResultCodes = std::array<std::atomic<int>, kSlotCount>;
inline constexpr std::size_t kLockEndOfTest = 0;     // slot logs, results list, Summary.csv
inline constexpr std::size_t kLockSerialNumber = 2;  // serial hand-out, info-block rewrites
inline constexpr std::size_t kLockSerialScan = 3;    // serial-scan confirmation

// Port result codes (index port - 1).
enum PortResultCode : int {
  kPortResultUnmapped = -1,
  kPortResultPosted = 1,
  kPortResultAutoRound = 2,
  kPortResultShown = 4,
};

// Slot states of SetSlotStatus.
enum SlotState : int {
  kSlotIdle = -1,
  kSlotFail = 0,
  kSlotPass = 1,
  kSlotTesting = 2,
  kSlotWaiting = 4,    // idle or no drive in the slot: white, empty
  kSlotReadyBlue = 5,  // white on blue, port state waiting
  kSlotFailBlue = 6,   // white on blue, port state fail
  kSlotPassOrange = 7,
  kSlotPassGold = 8,
};

// Paints a slot's status cell for one state as SetSlotStatus does (colours, state word, main
// and sub text); nothing for state 3 or an unknown state. The production page uses it for a
// verdict it takes back after a pass (a summary that could not be written).
void PaintSlotCell(CColorEdit& cell, int state, std::string_view text, std::string_view message);

class CMPFlow;
class CRDTFlow;

class CSlotTestTask : public CPoolTask {
 public:
  // kind: task kind; locks: the page's 24 critical sections; statusBox, progress: the port's
  // cell and bar; driveNumber, portNumber (1..24 on the production page, 1..48 on the legacy
  // slot page); autoDetectCheck: the page's auto-detect
  // check box (the production page passes one never attached to a window, so it reads
  // unchecked); unkeptPage: not kept; logFolder: folder of the slot logs; resultText: the
  // port's result text; keptPage: handed on to the engine's constructor; portResults: the
  // page's result codes.
  CSlotTestTask(int kind, PortLocks* locks, CColorEdit* statusBox, ui::CProgressCtrl* progress, int driveNumber,
                int portNumber, ui::CButton* autoDetectCheck, ui::CWnd* unkeptPage, std::string logFolder,
                CSharedText* resultText, ui::CWnd* keptPage, PortResultCodes* portResults);
  ~CSlotTestTask() override;
  CSlotTestTask(const CSlotTestTask&) = delete;
  CSlotTestTask& operator=(const CSlotTestTask&) = delete;

  // The worker entry (the context is not used). Deletes the task before it returns.
  void Run(std::uint32_t context) override;
  // Deletes a task that will never run.
  void Release() override;
  // Where the task leaves its pass once it recorded one (single path only), for its page to
  // take back when a record of the whole pass cannot be written (PassRecord.h); none: not kept.
  void KeepPassRecordIn(CSharedPassRecord* record) { m_pPassRecord = record; }
  // The task counts its drive in the log folder's summary log itself, with the drive's other
  // records and before the report's END (the production page asks for it; the legacy page
  // counts its slots when its round ends).
  void CountDriveInSummaryLog() { m_CountsInSummaryLog = true; }

  // ---- station flows: no argument, 1 pass, 0 fail. A flow runs with the engine object made
  // and the slot showing "Testing"; on failure it copies the engine's tag into m_ErrorTag and
  // the result text and shows state 0; on pass it shows state 1 and sets the result "0_00".
  virtual std::uint8_t RunMPFlow();
  virtual std::uint8_t RunQCFlow();
  virtual std::uint8_t RunEraseAllFlow();
  virtual std::uint8_t RunRDTFlow();
  virtual std::uint8_t RunZeroMBCheckFlow();
  virtual std::uint8_t RunUpgradeFirmwareFlow();
  virtual std::uint8_t RunRDTResultFlow();
  virtual std::uint8_t RunRewriteISPFlow();
  virtual std::uint8_t RunReadRMADebugFlow();

  // ---- slot status (SlotStatus.cpp)
  // Paints the cell for one state and publishes it in g_PortState; state 3 and unknown
  // states change nothing. A pass (states 1, 7, 8) that a flow paints before the test's
  // verdict is recorded is shown once its records are written (RecordVerdict): until then the
  // slot stays "Testing" and its cell says it is writing the records.
  void SetSlotStatus(int state, std::string_view text, std::string_view message);
  // SetSlotStatus, then releases a volume lock the flow holds and, with withSerial, extends
  // the engine's extra status text with the drive's serial number split after ten characters.
  void FinishSlotStatus(std::uint8_t withSerial, int state, std::string_view text, std::string_view message,
                        std::string_view extra);
  // Appends "*" and the text to the cell in the fail colours.
  void AppendFailStatusText(std::string_view text);

  // ---- slot logs (SlotLogs.cpp); the caller holds lock 0. The writers below return false
  // when a record did not reach its file, and note that on the engine object.
  bool WriteSlotLogs(std::uint8_t pass);
  // Copies a log to "<work folder>Log\#<drive>_<station>_<date> <time>.txt".
  bool CopyStationLog(std::string_view sourcePath, int stationIndex);
  // That name for a copy made now, with the folder made.
  std::string StationLogCopyPath(int stationIndex) const;

  // ---- results list and Summary.csv (ResultsList.cpp, SummaryCsv.cpp); the caller holds lock 0
  bool WriteResultsList(int result);
  // CRC-16/MODBUS over the file's lines without empty lines and "//" lines; nothing when the
  // file cannot be read.
  static std::optional<std::uint16_t> ComputeFileChecksum(std::string_view path);
  // The same checksum over a file's text: every line that is not empty and does not start
  // with "//", without its line end.
  static std::uint16_t ChecksumOfText(std::string_view text);
  bool WriteSummaryCsv(CMPDevice* device, int result);

  // ---- block-information file (BlockInfoFile.cpp): appends the record to "#<port>.bin"
  bool WriteBlockInfoToFile(const BlockInfoRecord& record);

  // ---- fail-serial record (FailSerialRecord.cpp); takes lock 0 itself
  void RecordFailSerial();

  // The IO-state tags that mean no drive sits in the slot ("P_A01", "P_x01").
  static bool IsNoDriveTag(std::string_view tag);

  // ---- what the task knows, for the pages and the tests
  int Kind() const { return m_Kind; }
  int PortNumber() const { return m_PortNumber; }
  int SlotStateShown() const { return m_SlotState; }
  const std::string& ErrorTag() const { return m_ErrorTag; }
  const std::string& TotalLogPath() const { return m_TotalLogPath; }
  const std::string& ErrorLogPath() const { return m_ErrorLogPath; }

 protected:
  // ---- endings shared by the station flows (FlowEndings.cpp). Each failure ending first
  // copies the engine's tag into m_ErrorTag and the port's result text, and returns 0.
  // Fail-out without serial: state 0 with the tag and the engine's message; a volume lock
  // the flow holds is released (FinishSlotStatus without serial).
  std::uint8_t FailOut();
  // Fail-out: as FailOut, and the drive's serial number (then the extra text, when not
  // empty) is added to the engine's extra status text.
  std::uint8_t FailOutWithSerial(std::string_view extra);
  // Status-only fail: state 0 with the tag and message, nothing else.
  std::uint8_t StatusOnlyFail();
  // No drive in the slot: state 4 with an empty message (FinishSlotStatus with or without
  // the serial number).
  std::uint8_t NoDriveOut(std::uint8_t withSerial);
  // A failure of the flow's own finding: sets the engine's tag and message and writes the
  // fail record.
  void SetFlowFailure(std::string_view tag, std::string message);
  // The pass ending: state 1 with the pass text (shown once the records are written), then
  // EndPass without the log copy. wrappedTexts: the texts of the pass text that "*" cuts to
  // fit the cell (the drive's model and serial number), which the cell paints whole.
  std::uint8_t PassOut(std::string_view passText, const std::vector<std::string>& wrappedTexts = {});
  // The end of a pass whose state the flow painted: a volume lock released (a failed unlock
  // is only reported), progress 100, the records of the pass and the report's "END"
  // (RecordVerdict; with copyReport the slot report with its END copied into the station's
  // log folder first), the pass shown, a 100 ms pause, progress 0, the result text "0_00";
  // returns 1. A pass whose records could not all be written ends with the lost-records
  // failure shown instead, and returns 0.
  std::uint8_t EndPass(bool copyReport);
  // Copies the engine's tag into m_ErrorTag and the port's result text.
  void TakeEngineErrorTag();
  // The success line "<title> Total take(sec): %.3f sec." with the seconds since startMs.
  void WriteTotalTimeLine(std::string_view title, std::uint64_t startMs);
  // Records before verdicts: when the engine noted a lost record, a slot that shows a verdict
  // fails with engine::kRecordWriteFailedTag and the record failure as its message (the fail
  // record goes wherever it can still be written) and 0 is returned; the operator is told
  // once per pass. Otherwise the result comes back unchanged.
  std::uint8_t FailIfRecordsLost(std::uint8_t result);
  // Notes a record that did not reach its file on the engine object; returns false.
  bool NoteLostRecord(std::string_view path);
  // Records before verdicts, once per test (VerdictRecords.cpp). Writes the records of a
  // finished test under lock 0 with the verdict: on the single path the summary log (when the
  // task counts its drive there), the results list (not at EraseAll) and Summary.csv (MP
  // station, kind 1); in auto-detect runs the slot logs. A pass then gets, with
  // withStationLogCopy, the report copied with its END into the station's log folder, and
  // last the report's END itself, so that nothing that can still fail the drive comes after
  // its pass line. Once a record cannot be written the drive fails for its lost records
  // (FailIfRecordsLost, whose fail record goes into the report instead of the END), the
  // records still to come say so, and the records that already said Pass are taken back (a
  // take-back the disk refuses is owed, VerdictRecords.h). A pass that keeps its verdict is
  // shown last. Returns the verdict after the records.
  std::uint8_t RecordVerdict(std::uint8_t verdict, bool withStationLogCopy);
  // ---- steps that several station flows share (FlowSteps.cpp); each works on the engine
  // object, and a step that returns false has set the failure (tag, message, fail record)
  // for the flow's own ending, unless it says that it ended the flow itself.
  // The controller's IC version; on failure the flow's "I_V01" "IC ver error!!".
  bool ControllerIsSupported();
  // The engine's CE count from the scan-all-flash-ID table; a failed read leaves it as it was.
  void CountFlashChips();
  // Locks the volumes of the drive (m_VolumesLocked set) with the line "Drive Letter are
  // Locked.", or writes "Drive Letter are Not Locked."; neither is a failure.
  void LockDriveVolumes();
  // After the running-code check: a drive on code from flash has its volumes locked ("ROM
  // mode"), one on boot code its flash ID checked ("Boot mode"; on failure the flow's "I_V02"
  // "Controller version is not correct!!"); burner code writes nothing.
  bool NoteRunningCode();
  // The flash ID read through the boot code against Flh_ID; on failure the flow's "I_V02"
  // "Controller version is not correct!!".
  bool CheckBootCodeFlashId();
  // Forces the controller from its code on flash to its boot code; the step sets its tag
  // without a fail record, so the record is written here.
  bool ForceDriveToBootCode();
  // The opening of the flows that bring a drive to its boot code to work on it with the MP
  // firmware in RAM (ISP rewrite, RMA debug read): the IO state (tester mode; no drive ends in
  // state 4), progress 10, the IC version, the running code (any code; a drive whose code
  // cannot be identified ends with "I_B67" while the check's own fail record keeps its tag)
  // and, on boot code, the flash ID. Ends the flow itself and returns false on failure.
  bool IdentifyForBootCodeWork();
  // A drive on code from flash forced to its boot code and checked to run it; ends the flow
  // itself and returns false on failure.
  bool BringFlashCodeToBootCode();
  // Every "x" of the engine's error tag becomes the letter (the flow's phase).
  void TurnErrorTagPhase(char letter);
  // On the sort stations (SortMP, SortRDT; not with SkipSortBBT) the drive's bad-block table
  // is built anew from its parameter record and the third-party tables and written back with
  // the RDT information record. A table that cannot be read is left as it is; a failed read
  // of the third-party tables or write fails the flow only with ShowSortBBTFail, and then this
  // step ends it (state 0, the serial number and failureExtra in the extra status text).
  bool SortBadBlockTableOnSortStation(const std::uint8_t* rdtInfo64, std::string_view failureExtra);
  // The write-read burn-in of [Write_Read BurnIn] (the caller has found Enable not 0): by
  // percent of the capacity (SetPercent 1) or else by capacity in GB (SetCapacity 1), Loop
  // times; neither runs no test and passes. A loop count below one or an amount that is no
  // number fails with the flow's "S_x42" before anything is written.
  struct BurnInRun {
    bool passed = true;
    bool testFailed = false;  // the burn-in itself failed (not its settings)
    bool byCapacity = false;
  };
  BurnInRun RunWriteReadBurnIn(int progressPoints);
  // The bin type the running firmware reports in its system information must hold the one
  // the parameter file gives the MP (rdtImage false) or RDT image ("8311" looked for as
  // "311"); a mismatch is only reported (tag "S_x30" kept) with SkipCheckFWBinHeader. A drive
  // with one CE cannot run the one-plane types ("311", "315") nor "7312" on a two-plane
  // layout ("S_x31"). A drive that does not answer its system information fails.
  bool CheckFirmwareBinType(bool rdtImage);
  // Runs the chosen flow through the dispatch table.
  std::uint8_t RunFlow(SlotFlow flow);
  // Points of the slot's progress bar that every flow shares; each flow names its own
  // points in between.
  static constexpr int kProgressEmpty = 0;    // no drive under way: the bar of a waiting slot
  static constexpr int kProgressStarted = 5;  // the slot report begun
  static constexpr int kProgressFull = 100;   // a passed drive, before its verdict is recorded
  // Sets the slot's progress bar (virtual so that tests can follow the positions).
  virtual void SetProgress(int position);
  void SetResultText(std::string_view text);
  std::string ResultText() const;
  // One of the page's locks (a process-wide stand-in for a task made without the array).
  platform::CriticalSection& PageLock(std::size_t index) const;
  // Makes the engine object for the port; false (slot painted) when it cannot be made.
  bool MakeDevice(ui::CWnd* keptPage);
  void DeleteDevice();
  // Powers the slot off unless a task stopped the run or the station is in bridge mode.
  void PowerOffSlot();

  // ---- fields, in the order the system keeps them
  PortLocks* m_pLocks;
  std::unique_ptr<CMPDevice> m_pDevice;
  CColorEdit* m_pStatusBox;
  ui::CProgressCtrl* m_pProgress;
  std::string m_ErrorTag;
  std::string m_PortText;
  std::string m_VersionText;
  std::string m_LogFolder;
  std::string m_TotalLogPath;
  std::string m_ErrorLogPath;
  CSharedText* m_pResultText;
  ui::CButton* m_pAutoDetectCheck;
  int m_PortNumber;
  int m_Kind;
  int m_SlotState = kPortIdle;  // the port state of the last state shown
  int m_DriveNumber;
  PortResultCodes* m_pPortResults;
  std::uint8_t m_DevSleepControl = 0;
  std::uint8_t m_VolumesLocked = 0;
  std::string m_TextBuffer;
  std::string m_StartTimeText;
  std::string m_EndTimeText;
  std::uint64_t m_StartClock = 0;
  std::uint64_t m_EndClock = 0;
  double m_ElapsedSeconds = 0.0;
  int m_StationMode = 0;
  ui::CWnd* m_pKeptPage;
  bool m_FlowStarted = false;  // a flow has begun (an exception then shows the slot failed)
  bool m_RecordsLostNoticed = false;   // the operator has been told of this slot's lost records
  bool m_FailedForLostRecords = false; // the slot shows the lost-records failure
  bool m_CountsInSummaryLog = false;   // the task counts its drive in the summary log
  bool m_AutoDetectRound = false;      // the test runs in an auto-detect round (slot logs)
  bool m_VerdictRecorded = false;      // RecordVerdict ran for the test
  bool m_StationLogCopyDue = false;    // a failure copy waits for the verdict (CopyReportToStationLog)
  // The pass the flow painted, shown once the test's records are written.
  struct PassPainting {
    int state = kSlotPass;
    std::string text;
    std::string message;
  };
  std::optional<PassPainting> m_PassAfterRecords;
  ResultsListLine m_ListLine;          // the results-list line last written for the drive
  SummaryCsvRow m_SummaryRow;          // the Summary.csv pass row written for the drive
  // The total log's last serial number before this drive's pass named its own, and as the pass
  // left it; none where the log named no drive.
  std::optional<std::string> m_LastSerialBeforePass;
  std::optional<std::string> m_LastSerialOfPass;
  CSharedPassRecord* m_pPassRecord = nullptr;

 private:
  // The MP flow's steps (MPFlow*.cpp) work on the task's members.
  friend class CMPFlow;
  // The RDT pretest flow's steps (RDTFlow.cpp) likewise.
  friend class CRDTFlow;

  // The QC flow's info-block rewrite under lock 2 (QCFlow.cpp); false after its failure ending.
  bool RewriteQCInfoBlock();
  // The RDT result flow's two ways (RDTResultFlow.cpp): the RDT results judged, or the
  // statistics of the bad-block table shown; 1 with the pass state shown, 0 after a failure
  // ending.
  std::uint8_t JudgeRdtResults(int slotLayout, std::uint64_t startMs);
  std::uint8_t ShowBadBlockTableStatistics(int slotLayout, std::uint64_t startMs);
  // The failure copies of the slot report in the station's log folder (SlotLogs.cpp). The
  // flow's copy is of the report the engine wrote (the path it stored), when the file is this
  // test's own (CMPDevice::OwnsReport). One that is not still holds an earlier test, perhaps
  // its PASS, and is never copied: the copy is then due, and made when the verdict is recorded.
  void CopyReportToStationLog();
  // RecordVerdict's copy for a failure: the report when it is this test's own, else what this
  // test could not write to it (CMPDevice::UnwrittenReportText), which tells the failure
  // every record of the drive tells.
  void CopyFailureToStationLog();

  // ---- records of the verdict (VerdictRecords.cpp)
  struct WrittenPassRecords;
  // FailIfRecordsLost; a pass that turns into the lost-records failure takes back the
  // records that said Pass.
  std::uint8_t FailTakingBack(std::uint8_t verdict, WrittenPassRecords& written);
  void TakeBackPassRecords(const WrittenPassRecords& written);
  // Writes the take-back of a record of the drive that says Pass; one the disk refuses is
  // owed (VerdictRecords.h) and noted as a lost record.
  void TakeBackRecord(RecordTakeBack takeBack);
  // The drive's verdict added to the summary log, with the given end time.
  bool AddDriveToSummaryLog(std::uint8_t verdict, const platform::LocalTime& endTime);
  // The drive's count that the summary log refused, once the cell shows the lost-records
  // failure: written now or owed as a take-back is (VerdictRecords.h), so that the log counts
  // the cell once space is back.
  void OweSummaryLogCount();
  // The slot report and its END (not yet in the report) copied into the station's log
  // folder; the copy's path, or "" (noted as a lost record) when it could not be written.
  std::string CopyReportWithEndToStationLog(const platform::LocalTime& endTime);
  // Resets what one test of the task knows of its records (auto-detect rounds run many).
  void BeginTestRecords();
  // Shows the pass the flow painted before the records were written (SlotStatus.cpp).
  void ShowPassAfterRecords();
  // The total and error logs of the slot logs (WriteSlotLogs adds the summary log): a pass, a
  // failure, or a pass taken back (counted again as a failure, without counting the drive
  // twice in Total).
  enum class SlotLogChange { Pass, Fail, PassTakenBack };
  bool UpdateTotalLogs(SlotLogChange change, const platform::LocalTime& now);
  // A pass taken back in the total log: still counted in Total, moved from Good to Bad, and
  // the last serial number given back to the drive that passed before it (or none where none
  // had) unless a later pass has named its own since; owed where the disk refuses it.
  void TakeBackTotalLog();

  // The path of Run the task kind and the auto-detect box choose, with the flow of the station.
  void RunPath();
  // A test of the drive begins: the slot shows "Testing", its bar's range is set, the start
  // time is taken and what the task knows of the records of a test is reset.
  void BeginTest();
  // The three paths of Run.
  void RunSinglePath(SlotFlow flow, bool stopIfFail);
  void RunAutoDetectPath(SlotFlow flow, bool stopIfFail);
  void RunExchangePath(bool stopIfFail);
  // The results-list line of the task's start and end time texts, and the list's checksum.
  bool WriteResultsListLine(int result);
  // Leaves the pass the slot shows, with its records, for the page (KeepPassRecordIn).
  void KeepPassRecord();
  bool AutoDetectChecked() const;
};
